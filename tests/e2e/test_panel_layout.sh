#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The panel band keeps its layout on a wider canvas: labels, values and separators stand where
# they stand at 512, and the band right of the buttons stays black.
source "$(dirname "$0")/lib.sh"
start_x
printf 'width = 900\nheight = 512\n' >"$RUN/defaults.cfg"
start_app
[ "$(window_size)" = "900 584" ] || fail "window is $(window_size), expected 900 584"
wait_until 10 panel_drawn
img="$(shot wide)"
for x in 73 153 233 313 393; do
    [ "$(pngcheck column "$img" "$x" 0 71)" -ge 70 ] || fail "no white separator at x = $x"
done
[ "$(pngcheck column "$img" 473 0 71)" -lt 20 ] || fail "a separator right of the buttons"
[ "$(pngcheck lit "$img" 0 0 70 12 100)" -gt 20 ] || fail "no label at the top left"
[ "$(pngcheck lit "$img" 20 16 40 12 100)" -gt 10 ] || fail "no value under the first label"
[ "$(pngcheck lit "$img" 470 0 45 72 100)" -gt 100 ] || fail "no redo, save and exit buttons"
[ "$(pngcheck lit "$img" 520 0 380 72 0)" = 0 ] || fail "the band right of the panel is not black"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
