#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A save that cannot be written: the program runs on, morvane.log names the path and the reason,
# the band shows a message, and an earlier image at a good path is never lost.
source "$(dirname "$0")/lib.sh"
start_x
printf 'png file = missing-folder/out.png\n' >"$RUN/defaults.cfg"
start_app
# The lower row of the settings, where the message shows, as it looks before the save.
MESSAGE_ROW="0 38 390 34"
wait_until 10 panel_drawn
before="$(shot before-save)"
key s
wait_until 10 logged "missing-folder/out.png"
# shellcheck disable=SC2086
message_shown() { [ "$(pngcheck same "$before" "$(shot after-save)" $MESSAGE_ROW)" -gt 20 ]; }
wait_until 10 message_shown
kill -0 "$APP_PID" || fail "the program ended after a failed save"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"

# A read-only earlier image stays as it was.
printf 'png file = keep.png\n' >"$RUN/defaults.cfg"
printf 'not replaced' >"$RUN/keep.png"
chmod 0444 "$RUN/keep.png"
start_app
key s
wait_until 10 logged "keep.png"
[ "$(cat "$RUN/keep.png")" = "not replaced" ] || fail "a read-only image was replaced"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
