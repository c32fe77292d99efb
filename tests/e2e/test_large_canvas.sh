#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A canvas larger than the screen: on a 1024 x 768 screen a 2048 x 2048 canvas opens a window
# that fits (the canvas at 1/3 below the full-size panel), the panel's buttons are where they
# always are, S saves the full-size image, and each canvas pixel of the window shows the brightest
# saved sample of the 3 x 3 block it covers.
source "$(dirname "$0")/lib.sh"
XVFB_SCREEN=1024x768x24 start_x
printf 'width = 2048\nheight = 2048\n' >"$RUN/defaults.cfg"
start_app

[ "$(window_size)" = "683 755" ] || fail "window is $(window_size), expected 683 755"
grep -q "shown at 1/3 in a 683x755 window" "$RUN/morvane.log" || fail "the log does not say the scale"

# "more" of "num sprouts" (upper row, first column) works at its usual place.
click 66 24
[ "$(setting "num sprouts")" = 4 ] || fail "the more button did not step num sprouts"
[ "$(setting width)" = 2048 ] || fail "the saved settings lost the canvas width"

# Let it grow, pause (so the picture holds still), save, and compare.
for _ in $(seq 50); do
    lit="$(pngcheck lit "$(shot growing)" 0 72 683 683)"
    [ "$lit" -gt 500 ] && break
    sleep 0.2
done
[ "$lit" -gt 500 ] || fail "nothing grew in the scaled view ($lit pixels lit)"
click 455 63
key s
for _ in $(seq 100); do [ -s "$RUN/morvane.png" ] && break; sleep 0.1; done
[ -s "$RUN/morvane.png" ] || fail "S wrote no morvane.png"
[ "$(pngcheck size "$RUN/morvane.png")" = "2048 2048" ] || fail "morvane.png is not 2048 x 2048"
wait_until_window_shows_save 3
[ "$(pngcheck window-matches-save "$(shot saved)" "$RUN/morvane.png" 72 3)" = 0 ] ||
    fail "the scaled window does not show the brightest saved sample of each block"

key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
