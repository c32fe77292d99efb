#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A gallery of many pictures (10,000 by default): how long morvane-render takes to write it, how
# big its first page is, and how long headless Chromium takes to open that page (to its load
# event, the browser's own start included), each next to its floor. The pictures are four small
# renders, each linked under 2,500 names. Run by `scripts/bench gallery [COUNT]` from build/.
#   bench/gallery_pages.sh RENDERER [COUNT]
set -euo pipefail
render="$1"
count="${2:-10000}"
command -v chromium >/dev/null || { echo "gallery: chromium is not installed; skipped"; exit 0; }
scratch="$(mktemp -d /tmp/morvane-gallery.XXXXXX)"
browser=""
end() {
  [ -n "$browser" ] && kill -- -"$browser" 2>/dev/null
  rm -rf "$scratch"
}
trap end EXIT
mkdir "$scratch/pictures"
for seed in 1 2 3 4; do
  "$render" --seed "$seed" --frames 20 --quiet -o "$scratch/seed-$seed.png"
done
for ((i = 1; i <= count; i++)); do
  ln "$scratch/seed-$(((i - 1) % 4 + 1)).png" "$scratch/pictures/$(printf 'pic-%05d.png' "$i")"
done

start=$(date +%s.%N)
"$render" --gallery --dir "$scratch/pictures" --quiet "$scratch"/pictures/pic-*.png
built=$(date +%s.%N)
page="$scratch/pictures/index.html"
bytes=$(stat -c %s "$page")

# Opens $1 in a fresh headless Chromium and prints the seconds until it has dumped the loaded
# page. In a process group of its own, so that its helpers end with it.
open_seconds() {
  local a b
  a=$(date +%s.%N)
  setsid chromium --headless --no-sandbox --disable-gpu --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$scratch/profile-$2" --dump-dom "$1" >"$scratch/dom-$2.html" 2>/dev/null &
  browser=$!
  wait "$browser" || true
  browser=""
  b=$(date +%s.%N)
  echo "$a $b" | awk '{ printf "%.2f", $2 - $1 }'
}
blank=$(open_seconds about:blank blank)
opened=$(open_seconds "file://$page" page)
tiles=$(grep -o '<figure class="tile"' "$scratch/dom-page.html" | wc -l)
pages=$(ls "$scratch"/pictures/*.html | wc -l)

echo "$start $built" | awk -v n="$count" '{ printf "gallery of %d pictures written in %.1f s\n", n, $2 - $1 }'
echo "  $pages pages; the first holds $tiles pictures"
echo "$bytes" | awk '{ printf "  first page  %8.2f MB   (floor: at most 2 MB)\n", $1 / 1e6 }'
echo "  opened in   %8s s    (floor: under 5 s; Chromium opens about:blank in $blank s)" |
  sed "s/%8s/$(printf '%8s' "$opened")/"
