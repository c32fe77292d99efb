#!/usr/bin/env bash
# Pause, redo, pixel fill and the image save, through the panel's toggles and buttons and the
# keys: pause freezes the canvas, a restart while paused leaves it black, pixel fill closes the
# holes, and a save made while paused matches the window pixel for pixel.
source "$(dirname "$0")/lib.sh"
start_x
start_app
CANVAS="0 72 512 512"

sleep 1.5
click 455 63 0.1 # pause toggle
a="$(shot paused-a)"
sleep 1
b="$(shot paused-b)"
# shellcheck disable=SC2086
[ "$(pngcheck same "$a" "$b" $CANVAS)" = 0 ] || fail "the canvas changed while paused"

# S while paused: every canvas pixel on the window is the saved sample / 256.
key s
[ -s "$RUN/morvane.png" ] || fail "S wrote no morvane.png"
[ "$(pngcheck size "$RUN/morvane.png")" = "512 512" ] || fail "morvane.png is not 512 x 512"
sleep 0.3
c="$(shot saved)"
[ "$(pngcheck window-matches-save "$c" "$RUN/morvane.png" 72)" = 0 ] ||
    fail "the window does not match the saved image"

# The save button writes the file too.
rm -f "$RUN/morvane.png"
click 489 36 0.05
[ -s "$RUN/morvane.png" ] || fail "the save button wrote no morvane.png"

# Redo while paused clears the canvas and it stays black.
click 489 9 0.1
sleep 0.5
d="$(shot cleared)"
# shellcheck disable=SC2086
[ "$(pngcheck lit "$d" $CANVAS)" = 0 ] || fail "the canvas is not black after redo while paused"

# P resumes: seed lines and growth appear.
key p
sleep 1.5
e="$(shot resumed)"
# shellcheck disable=SC2086
grown="$(pngcheck lit "$e" $CANVAS 0)"
[ "$grown" -gt 1000 ] || fail "nothing grew after P resumed ($grown pixels)"

# Pixel fill: strands stop, the holes between lines fill from their neighbours.
click 455 44 0.1
sleep 3
f="$(shot filled)"
# shellcheck disable=SC2086
filled="$(pngcheck lit "$f" $CANVAS 0)"
[ "$filled" -gt "$grown" ] || fail "pixel fill did not add pixels ($grown before, $filled after)"

key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
