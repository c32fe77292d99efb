#!/usr/bin/env bash
# A save that cannot be written: the program runs on, morvane.log names the path and the reason,
# the band shows a message, and an earlier image at a good path is never lost.
source "$(dirname "$0")/lib.sh"
start_x
printf 'png file = missing-folder/out.png\n' >"$RUN/defaults.cfg"
start_app
sleep 0.5
key s
m="$(shot message)"
grep -q "missing-folder/out.png" "$RUN/morvane.log" || fail "morvane.log does not name the path"
# The message covers the lower row of the settings: the text is lit there.
[ "$(pngcheck lit "$m" 0 38 390 34 100)" -gt 20 ] || fail "no message in the band"
kill -0 "$APP_PID" || fail "the program ended after a failed save"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"

# A read-only earlier image stays as it was.
printf 'png file = keep.png\n' >"$RUN/defaults.cfg"
printf 'not replaced' >"$RUN/keep.png"
chmod 0444 "$RUN/keep.png"
start_app
key s
[ "$(cat "$RUN/keep.png")" = "not replaced" ] || fail "a read-only image was replaced"
grep -q "keep.png" "$RUN/morvane.log" || fail "morvane.log does not name the read-only path"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
