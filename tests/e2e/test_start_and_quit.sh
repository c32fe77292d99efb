#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A normal run: the window shows the panel band and a growing canvas, a quit event (SIGINT from
# the terminal) ends it with 0, and morvane.log holds the statistics.
source "$(dirname "$0")/lib.sh"
start_x
start_app
wait_until 20 canvas_lit_above 50 40
img="$(shot running)"
[ "$(pngcheck column "$img" 73 0 71)" -ge 60 ] || fail "no white separator at x = 73"
kill -INT "$APP_PID"
expect_exit 10 0 "SIGINT did not end the program with 0"
log="$RUN/morvane.log"
for pattern in "run time [0-9.]* s" "[0-9]* frames rendered" "average [0-9.]* fps" \
    "last [0-9]* fps" "video mode 512x584x32"; do
    grep -q "$pattern" "$log" || fail "morvane.log lacks '$pattern'"
done
echo "ok"
