#!/usr/bin/env bash
# A save that cannot be written: the program runs on, morvane.log names the path and the reason,
# the band shows a message, and an earlier image at a good path is never lost.
source "$(dirname "$0")/lib.sh"
start_x
printf 'png file = missing-folder/out.png\n' >"$RUN/defaults.cfg"
start_app
key s
wait_until 10 logged "missing-folder/out.png"
# The message covers the lower row of the settings: the text is lit there.
CANVAS="0 38 390 34" wait_until 10 canvas_lit_above 20 100
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
