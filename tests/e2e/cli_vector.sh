#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# morvane-render's vector and print outputs as a shell runs them: the strands of an SVG lie on
# the lit pixels of the same picture's canvas, a PDF has its page size, a plotter SVG is plain
# paths in mm, colour maps and the canvas as shown hold the right samples, a DPI lands in pHYs,
# and bad print options get one line, exit 2 and no file.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"
PIC=(render --seed 7 --lit 20 --quiet)

"$RENDER" "${PIC[@]}" -o a.png || fail "the canvas PNG failed"
"$RENDER" "${PIC[@]}" -o shown.png --as-shown || fail "--as-shown failed"
read -r changed filled <<<"$("$PNGCHECK" filled shown.png a.png)"
[ "$changed" = 0 ] || fail "--as-shown differs from the saved PNG on $changed lit pixels"
[ "$filled" -gt 0 ] || fail "--as-shown is the hole-filled canvas"

# A thin pen, so that the anti-aliased edges of a line stay within the pixels it walked through.
"$RENDER" "${PIC[@]}" -o a.svg --pen 0.02 --as-shown || fail "the SVG failed"
rsvg-convert -w 512 -h 512 a.svg -o svg.png || fail "rsvg-convert cannot read the SVG"
ink="$("$PNGCHECK" ink-on-lit svg.png shown.png)"
[ "$ink" -ge 95 ] || fail "only $ink% of the SVG's ink lies on the canvas's lit pixels"
grep -q '<morvane:chunk keyword="morvane:seed">7<' a.svg || fail "the SVG lacks its seed"
# The canvas in the middle half of the page: strands that cross an edge of the torus go on from
# the opposite edge, so no ink lands in the margin.
"$RENDER" "${PIC[@]}" -o margin.svg --pen 0.02 --size 200x200mm --margin 50 || fail "--margin failed"
rsvg-convert -w 512 -h 512 margin.svg -o margin.png || fail "rsvg-convert cannot read the SVG"
[ "$("$PNGCHECK" lit margin.png 127 127 258 258)" = "$("$PNGCHECK" lit margin.png 0 0 512 512)" ] ||
    fail "strands were drawn in the margin"

"$RENDER" "${PIC[@]}" -o a.pdf --size A3 || fail "the PDF failed"
pdfinfo a.pdf | grep -q 'Page size:.*(A3)' || fail "the PDF is not A3: $(pdfinfo a.pdf)"
# A strict reader: pdfinfo quietly repairs a wrong cross-reference table, qpdf reports it.
qpdf --check a.pdf >qpdf.txt 2>&1 ||
    fail "qpdf finds the PDF damaged: $(grep -m 2 -i -e warning -e error qpdf.txt)"

"$RENDER" "${PIC[@]}" -o plot.svg --plot --size 200x200mm 2>err.txt || fail "--plot failed"
grep -q 'width="200.000mm"' plot.svg || fail "the plot is not in mm"
grep -q 'pen down [0-9.]* m' err.txt || fail "the pen-down length was not reported"
[ "$(grep -o 'stroke="#[0-9a-f]*"' plot.svg | sort -u | wc -l)" = 1 ] ||
    fail "the plot has more than one colour"
grep -q -i 'gradient' plot.svg && fail "the plot has gradients"
rsvg-convert plot.svg -o plot.png || fail "rsvg-convert cannot read the plot"

# A colour map to green at half the range: green is twice the grey sample below it, full above.
printf '# green\n0 #000000\n32768 #00ff00\n65535 #00ff00\n' >green.txt
"$RENDER" "${PIC[@]}" -o green.png --palette green.txt || fail "--palette failed"
read -r x y <<<"$("$PNGCHECK" first-lit a.png)"
read -r v _ _ <<<"$("$PNGCHECK" pixel a.png "$x" "$y")"
green=$((v < 32768 ? 65535 * v / 32768 : 65535))
[ "$("$PNGCHECK" pixel green.png "$x" "$y")" = "0 $green 0" ] || fail "the colour map is wrong"
"$RENDER" from green.png -o again.png --quiet || fail "--from cannot read a colour PNG"
[ "$("$PNGCHECK" same a.png again.png 0 0 512 512)" = 0 ] ||
    fail "--from a colour PNG did not render the picture again"
# A coloured contact sheet: tiles through the map, the background between them still grey.
"$RENDER" sheet -o sheet.png a.png --palette green.txt --quiet || fail "a coloured sheet failed"
read -r r _ b <<<"$("$PNGCHECK" pixel sheet.png 100 100)"
[ "$r$b" = 00 ] || fail "the sheet's tile is not coloured"
[ "$("$PNGCHECK" pixel sheet.png 2 2)" = "10240 10240 10240" ] || fail "the sheet's background changed"

"$RENDER" "${PIC[@]}" -o dpi.png --dpi 300 || fail "--dpi failed"
[ "$("$PNGCHECK" phys dpi.png)" = "11811 11811 1" ] || fail "the canvas PNG has no 300 dpi pHYs"
[ "$("$PNGCHECK" same a.png dpi.png 0 0 512 512)" = 0 ] || fail "--dpi changed the samples"
"$RENDER" render --seed 7 --frames 5 --quiet -o print.png --size 50x40mm --dpi 300 ||
    fail "the print raster failed"
[ "$("$PNGCHECK" size print.png)" = "591 472" ] || fail "the print raster has the wrong size"
[ "$("$PNGCHECK" phys print.png)" = "11811 11811 1" ] || fail "the print raster has no pHYs"

refused_print_option "an unknown page" out.pdf --size B7
refused_print_option "a zero page" out.svg --size 0x100mm
refused_print_option "margins wider than the page" out.pdf --size A4 --margin 105
refused_print_option "a raster too large" out.png --size A2 --dpi 2000
printf '0 #000000\n100 black\n' >bad.txt
refused_print_option "a bad palette line" out.png --palette bad.txt
printf '0 #000000\n' >one.txt
refused_print_option "a palette of one stop" out.png --palette one.txt
refused_print_option "an extension we cannot write" out.gif
echo "ok"
