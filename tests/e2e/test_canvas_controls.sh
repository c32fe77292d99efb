#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Pause, redo, pixel fill and the image save, through the panel's toggles and buttons and the
# keys: pause freezes the canvas, a restart while paused leaves it black, pixel fill closes the
# holes, and a save made while paused matches the window pixel for pixel.
source "$(dirname "$0")/lib.sh"
start_x
start_app
CANVAS="0 72 512 512"

wait_until 20 canvas_lit_above 100
click 455 63 # pause toggle
wait_until 10 canvas_still
a="$(shot paused-a)"
# An observation window, not a wait for the program: the canvas must stay the same through it.
sleep 1
b="$(shot paused-b)"
# shellcheck disable=SC2086
[ "$(pngcheck same "$a" "$b" $CANVAS)" = 0 ] || fail "the canvas changed while paused"

# S while paused: every canvas pixel on the window is the saved sample / 256.
key s
wait_until 10 written "$RUN/morvane.png"
[ "$(pngcheck size "$RUN/morvane.png")" = "512 512" ] || fail "morvane.png is not 512 x 512"
wait_until_window_shows_save
c="$(shot saved)"
[ "$(pngcheck window-matches-save "$c" "$RUN/morvane.png" 72)" = 0 ] ||
    fail "the window does not match the saved image"

# The save button writes the file too.
rm -f "$RUN/morvane.png"
click 489 36
wait_until 10 written "$RUN/morvane.png"

# Redo while paused clears the canvas and it stays black.
click 489 9
wait_until 10 canvas_black

# P resumes: seed lines and growth appear. The fill below starts once the strands have spread:
# from the first few clusters alone, it takes tens of seconds to reach across the canvas.
key p
wait_until 20 canvas_lit_above 30000 0
e="$(shot resumed)"
# shellcheck disable=SC2086
grown="$(pngcheck lit "$e" $CANVAS 0)"

# Pixel fill: strands stop, the holes between lines fill from their neighbours.
# The toggle switches pixel fill on (the journal writes the effective flag), and half of what is
# still dark fills.
click 455 44
wait_until 10 logged "flag fill 1"
wait_until 60 canvas_lit_above "$((grown + (512 * 512 - grown) / 2))" 0

key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
