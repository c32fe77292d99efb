#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Mistakes in defaults.cfg: each is one line in morvane.log naming its line, the band says how many
# there are, and the program starts with the settings read as they stand.
source "$(dirname "$0")/lib.sh"
start_x
printf 'width = 10000\nheight = abc\nnum sprout = 5\ncurl = 0,01\nGUI active = nope\nwidth = 600\n' \
    >"$RUN/defaults.cfg"
start_app
wait_until 10 logged 'defaults.cfg line 3: unknown key "num sprout", ignored'
lines="$(grep -c 'defaults.cfg line [0-9]*: ' "$RUN/morvane.log")"
[ "$lines" = 5 ] || fail "$lines problem lines in the log, expected 5"
logged 'defaults.cfg line 2: height "abc" is not a whole number in range, read as 0, clamped to 512' ||
    fail "the height's problem is not logged"
logged 'defaults.cfg line 6: "width" is given again \(first on line 1\)' ||
    fail "the repeated width is not logged"
# The later width and the clamped height make the window; "nope" reads as true: the band is shown.
[ "$(window_size)" = "600 584" ] || fail "the window is $(window_size)"
# The message covers the lower row of the settings for a few seconds: the less button of
# "^ probability" is hidden, then shows again.
CANVAS="232 52 12 18" wait_until 5 canvas_black
CANVAS="232 52 12 18" wait_until 15 canvas_lit_above 20 100
key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
