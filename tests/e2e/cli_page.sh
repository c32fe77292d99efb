#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A picture's web page grows in headless Chromium what the renderer grows, sample for sample: a
# render's page reaches its last frame with the renderer's fingerprint and saves the canvas the
# renderer writes --as-shown, and a jump back shows the renderer's picture of that frame; a
# window session's journal (a restart, a toggle, a setting change, a quit cutting a frame short)
# ends at the fingerprint of its replay, also from a gallery's "grow it"; bad input writes
# nothing.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
HERE="$(cd "$(dirname "$0")" && pwd)"
cd "$RUN"

fingerprint() { "$RENDER" "$@" --fingerprint --quiet | awk '{ print $1 }'; }

if ! "$RENDER" render --seed 7 --frames 1 -o probe.html --quiet 2>err.txt; then
    grep -q "built without emscripten" err.txt || fail "a page failed: $(cat err.txt)"
    [ "$(wc -l <err.txt)" = 1 ] || fail "no page took more than one line: $(cat err.txt)"
    [ ! -e probe.html ] || fail "a page was written without the web engine"
    echo "SKIP the pages: morvane-render was built without emscripten (scripts/install-deps)"
    exit 0
fi

# A session as the window writes it: every change stamped with the frames rendered before it.
{
    echo "2026-12-08 10:00:00 journal start seed=11 size=640x512"
    echo "2026-12-08 10:00:00 journal @0 set \"runs / frame\" 2000"
    echo "2026-12-08 10:00:01 journal @20 set \"curl\" 0.05"
    echo "2026-12-08 10:00:01 journal @25 flag white 1"
    echo "2026-12-08 10:00:02 journal @30 restart"
    echo "2026-12-08 10:00:02 journal @41 save ok \"morvane.png\""
    echo "2026-12-08 10:00:02 journal @45 cut 700"
    echo "2026-12-08 10:00:02 journal @46 end"
} >session.log
# A gap in the journal: refused as for a PNG, and nothing written.
sed 's/@30 restart/@30 lost 2/' session.log >gap.log
if "$RENDER" replay gap.log --end -o gap.html --quiet 2>err.txt; then fail "a gap was played"; fi
[ ! -e gap.html ] || fail "a page was written of a journal with a gap"

render=(render --seed 7 --frames 60)
render_print="$(fingerprint "${render[@]}" -o render.png)"
frame_30_print="$(fingerprint render --seed 7 --frames 30 -o frame-30.png)"
session_print="$(fingerprint replay session.log --end -o session.png)"
[ "$render_print" != "$session_print" ] || fail "two pictures with one fingerprint"
"$RENDER" "${render[@]}" --as-shown -o shown.png --quiet
# The file name is the page's title, with markup in it that must stay text.
page="pic<img src=x onerror=\"document.title='owned'\">.html"
"$RENDER" "${render[@]}" -o "$page" --quiet || fail "the render's page"
"$RENDER" replay session.log --end -o session.html --quiet || fail "the session's page"
grep -q "morvane:fingerprint" render.png || fail "the PNG holds no fingerprint"
mkdir gallery
cp render.png session.png gallery/
"$RENDER" gallery gallery/render.png gallery/session.png --quiet || fail "the gallery"

if ! command -v chromium >/dev/null; then
    echo "SKIP the pages in a browser: chromium is not installed (scripts/install-deps)"
    exit 0
fi
start_chromium
port="$(head -n 1 "$profile/DevToolsActivePort")"
url="file://$RUN/$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1]))' "$page")"

python3 "$HERE/page_check.py" "$port" "$url" 60 "$render_print" saved.png ||
    fail "the render's page"
[ "$("$PNGCHECK" window-matches-save saved.png shown.png 0)" = 0 ] ||
    fail "the page's saved PNG is not the renderer's --as-shown canvas in 8 bits"
python3 "$HERE/page_check.py" "$port" "$url" 60 "$render_print" --jump 30 "$frame_30_print" ||
    fail "the render's page after a jump back"
python3 "$HERE/page_check.py" "$port" "file://$RUN/session.html" 46 "$session_print" ||
    fail "the session's page"
python3 "$HERE/page_check.py" "$port" "file://$RUN/gallery/index.html" --gallery 1 46 \
    "$session_print" || fail "the gallery's grow it"
line="$(python3 "$HERE/page_check.py" "$port" "file://$RUN/session.html" --no-wasm)" ||
    fail "the page without WebAssembly"
[[ "$line" == *"WebAssembly"* ]] || fail "without WebAssembly the page said: $line"
