#!/usr/bin/env bash
# A normal run: the window shows the panel band and a growing canvas, a quit event (SIGINT from
# the terminal) ends it with 0, and morvane.log holds the statistics.
source "$(dirname "$0")/lib.sh"
start_x
start_app
sleep 2
img="$(shot running)"
[ "$(pngcheck lit "$img" 0 72 512 512 40)" -gt 50 ] || fail "nothing grew on the canvas in 2 s"
[ "$(pngcheck column "$img" 73 0 71)" -ge 60 ] || fail "no white separator at x = 73"
kill -INT "$APP_PID"
[ "$(wait_exit 10)" = 0 ] || fail "SIGINT did not end the program with 0"
log="$RUN/morvane.log"
for word in "run time" "frames" "frame rate" "video mode"; do
    grep -qi "$word" "$log" || fail "morvane.log lacks '$word'"
done
echo "ok"
