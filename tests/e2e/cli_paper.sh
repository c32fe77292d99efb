#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Paper as the picture, through the real morvane-render: SVG, PDF and the print PNG have the saved
# PNG's tone with their ink on its lit pixels; a plot in four pens has a layer per pen and the
# canvas's tone; a 1024 plot meets its targets for paths, shortest path, pen-up travel and size,
# and its HPGL has the same paths; from an SVG or PDF gives the PNG of the same picture; bad plot
# and page options get one line, exit 2 and no file; a full disk keeps the earlier plot whole.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"
PIC=(render --seed 7 --lit 20 --quiet)

# Whether $1 is within $3 (a share) of $2.
near() { awk -v a="$1" -v b="$2" -v k="$3" 'BEGIN { d = a - b; exit !(d * d <= k * k * b * b) }'; }

"$RENDER" "${PIC[@]}" -o saved.png || fail "the canvas PNG failed"
"$RENDER" "${PIC[@]}" -o shown.png --as-shown || fail "--as-shown failed"
saved="$("$PNGCHECK" mean saved.png)"
shown="$("$PNGCHECK" mean shown.png)"

# The saved look: SVG at the canvas's size; PDF at four times it, as poppler smooths an image
# drawn at less than four times its size; the print PNG at 96 dpi, one pixel per canvas pixel.
"$RENDER" "${PIC[@]}" -o pic.svg || fail "the SVG failed"
"$RENDER" "${PIC[@]}" -o pic.pdf || fail "the PDF failed"
"$RENDER" "${PIC[@]}" -o print.png --margin 0 --dpi 96 || fail "the print PNG failed"
rsvg-convert -w 512 -h 512 pic.svg -o svg.png || fail "rsvg-convert cannot read the SVG"
pdftoppm -r 384 -gray -png -singlefile pic.pdf pdf || fail "pdftoppm cannot read the PDF"
for page in svg.png pdf.png print.png; do
    mean="$("$PNGCHECK" mean "$page")"
    near "$mean" "$saved" 0.05 || fail "$page: mean grey $mean, the saved PNG's $saved"
    ink="$("$PNGCHECK" ink-on-lit "$page" saved.png)"
    [ "$ink" -ge 95 ] || fail "$page: only $ink% of the ink lies on the saved PNG's lit pixels"
done
"$RENDER" "${PIC[@]}" -o alone.svg --as-shown || fail "an SVG of the strands alone failed"
rsvg-convert -w 512 -h 512 -b black alone.svg -o alone.png || fail "rsvg-convert: alone.svg"
near "$("$PNGCHECK" mean alone.png)" "$shown" 0.05 || fail "--as-shown SVG is not the strands alone"

# From the pages back to the picture.
for page in pic.svg pic.pdf; do
    "$RENDER" from "$page" -o "again-$page.png" --quiet || fail "--from $page failed"
    [ "$("$PNGCHECK" same saved.png "again-$page.png" 0 0 512 512)" = 0 ] ||
        fail "--from $page did not render the same picture"
done
echo '<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"/>' >foreign.svg
rc=0
"$RENDER" from foreign.svg -o foreign.png 2>err.txt || rc=$?
[ "$rc" = 1 ] && [ "$(wc -l <err.txt)" = 1 ] && [ ! -e foreign.png ] ||
    fail "a foreign SVG: exit $rc, $(cat err.txt)"

# Four pens on black paper: a layer each, drawn in its pen's grey, in the canvas's tone.
"$RENDER" "${PIC[@]}" -o pens.svg --plot --pens 4 --paper black 2>/dev/null || fail "4 pens failed"
[ "$(grep -c 'inkscape:groupmode="layer"' pens.svg)" = 4 ] || fail "not one layer per pen"
grep -q 'inkscape:label="4 pen 4, grey 0.750-1.000"' pens.svg || fail "the layers are not labelled"
grep -q 'keyword="morvane:output">--paper black --plot --pens 4<' pens.svg ||
    fail "the plot does not say which options made it"
rsvg-convert -w 512 -h 512 -b black pens.svg -o pens.png || fail "rsvg-convert: pens.svg"
mean="$("$PNGCHECK" mean pens.png)"
near "$mean" "$shown" 0.15 || fail "the 4-pen plot's mean grey $mean, the canvas's $shown"

# A 1024 canvas on A5 (the 2048-on-A3 case of the benchmark at half the size). The renderer
# before plot plans drew 18,498 paths here, 9.0 m pen-up, in 7.0 MB: at most a third of the
# paths, half the travel, and 15/40.8 of the size are asked.
printf 'width = 1024\nheight = 1024\n' >mid.cfg
plot=("${PIC[@]}" --settings mid.cfg --plot --size A5 --pen 0.3)
"$RENDER" "${plot[@]}" -o mid.svg 2>report.txt || fail "the 1024 plot failed"
"$RENDER" "${plot[@]}" -o mid.hpgl 2>/dev/null || fail "the 1024 HPGL failed"
read -r paths up < <(sed -n 's/^plot: \([0-9]*\) paths, .* pen up \([0-9.]*\) m$/\1 \2/p' report.txt)
[ "${paths:-99999}" -le 6166 ] || fail "$paths paths"
awk -v u="${up:-99}" 'BEGIN { exit !(u <= 4.5) }' || fail "pen up $up m"
[ "$(stat -c %s mid.svg)" -le 2570000 ] || fail "the plot has $(stat -c %s mid.svg) bytes"
[ "$(grep -c '<path' mid.svg)" = "$paths" ] || fail "the report's paths are not the file's"
[ "$(grep -o 'PU[0-9]' mid.hpgl | wc -l)" = "$paths" ] || fail "the HPGL has other paths"
shortest="$(python3 - mid.svg <<'EOF'
import math, re, sys
shortest = math.inf
for d in re.findall(r'<path d="([^"]*)"', open(sys.argv[1]).read()):
    v = [float(n) for n in re.findall(r'-?[0-9.]+', d)]
    p = list(zip(v[0::2], v[1::2]))
    shortest = min(shortest, sum(math.dist(a, b) for a, b in zip(p, p[1:])))
print(shortest)
EOF
)"
awk -v s="$shortest" 'BEGIN { exit !(s >= 0.299) }' || fail "a path of $shortest mm"

refused_print_option "no pens" out.svg --plot --pens 0
refused_print_option "17 pens" out.svg --plot --pens 17
refused_print_option "a negative merge" out.svg --plot --merge -1
refused_print_option "a negative simplification" out.hpgl --simplify -0.1
refused_print_option "a negative shortest length" out.svg --plot --min-length -2
refused_print_option "a grey threshold of 1" out.svg --plot --min-grey 1
refused_print_option "pens without a plot" out.svg --pens 2
refused_print_option "an unknown page" out.hpgl --size A7
refused_print_option "a page turned sideways" out.svg --size A4-sideways
refused_print_option "HPGL in a palette" out.hpgl --palette ink
refused_print_option "HPGL on white paper" out.hpgl --paper white
refused_print_option "a plot as PDF" out.pdf --plot

# A full disk while a plot or HPGL is written leaves the earlier file as it was.
mkdir small
if mount -t tmpfs -o size=64k tmpfs small 2>/dev/null; then
    trap 'umount "$RUN/small"; cleanup' EXIT
    for out in small/p.svg small/p.hpgl; do
        "$RENDER" render --seed 1 --frames 1 --quiet -o "$out" --plot 2>/dev/null || fail "a small $out failed"
        cp "$out" before
        rc=0
        "$RENDER" "${PIC[@]}" -o "$out" --plot 2>err.txt || rc=$?
        [ "$rc" = 1 ] && cmp -s "$out" before || fail "a full disk: exit $rc, $out changed"
        grep -q "^morvane-render: " err.txt || fail "a full disk: $(cat err.txt)"
    done
fi
echo "ok"
