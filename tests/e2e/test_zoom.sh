#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Zoom and pan: a 1024 x 1024 canvas on an 800 x 700 screen opens fitted at 1/2. The wheel zooms
# to 1:1 about the pointer, a right-button drag pans, + zooms on to 2:1, - and 0 go back to the
# fitted view; each view is compared with the saved image, and the panel stays where it was.
source "$(dirname "$0")/lib.sh"
XVFB_SCREEN=800x700x24 start_x
printf 'width = 1024\nheight = 1024\n' >"$RUN/defaults.cfg"
start_app
[ "$(window_size)" = "512 584" ] || fail "window is $(window_size), expected 512 584"

CANVAS="0 72 512 512" wait_until 30 canvas_lit_above 2000
key p
key s
wait_until 20 written "$RUN/morvane.png"
# The picture holds still while paused: the saved file is what every view shows.
wait_until 10 canvas_still
panel="$(shot panel-before)"

# True once the window's canvas area shows saved pixels from (x0, y0) on at magnification $3.
shows() {
    [ "$(pngcheck region-matches-save "$(shot view)" "$RUN/morvane.png" 72 "$1" "$2" 512 512 \
        "${3:-1}")" = 0 ]
}
fitted() { [ "$(pngcheck window-matches-save "$(shot view)" "$RUN/morvane.png" 72 2)" = 0 ]; }

# The wheel at the canvas area's middle: canvas pixel (512, 512) stays under the pointer.
xdotool mousemove --window "$WID" 256 328
xdotool click 4
wait_until 10 shows 256 256
# Dragging with the right button 100 px left and 50 up moves the picture with the pointer.
xdotool mousedown 3
xdotool mousemove --window "$WID" 156 278
xdotool mouseup 3
wait_until 10 shows 356 306
# + zooms on to 2:1 about the pointer (156, 206 in the canvas area).
xdotool key plus
wait_until 10 shows 434 409 2
# The panel is as it was once the zoomed canvas has been drawn (a shot taken while the window is
# redrawing a large canvas may catch it half done).
panel_as_before() { [ "$(pngcheck same "$panel" "$(shot panel-after)" 0 0 512 72)" = 0 ]; }
wait_until 10 panel_as_before
xdotool key minus
wait_until 10 shows 356 306
xdotool key 0
wait_until 10 fitted
# Out past the fitted view stays fitted: one notch in from there is 1:1 again.
xdotool mousemove --window "$WID" 256 328
xdotool click 5
xdotool click 4
wait_until 10 shows 256 256

key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
