#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The web pages of pictures in headless Chromium: each page's size, the frame rate it holds while
# growing at 512, 2048 and 4096 (goal: 60 frames/s at 512 with the default settings), and the
# time a frame of the web engine takes against the native renderer's for the same frames, the
# least of three runs each (the page's wall time, as a page cannot read its CPU time; the
# renderer's CPU time).
#   bench/page.sh [BUILD]      (default build/; scripts/bench page runs it)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
render="$build/morvane-render"
check="$root/tests/e2e/page_check.py"
seconds="${MORVANE_BENCH_SECONDS:-10}"
cpu_frames=600
scratch="$(mktemp -d /tmp/morvane-page.XXXXXX)"
chromium_pid=""
finish() {
  [ -n "$chromium_pid" ] && kill -- -"$chromium_pid" 2>/dev/null || true
  for _ in $(seq 100); do
    [ -n "$chromium_pid" ] && pgrep -g "$chromium_pid" >/dev/null || break
    sleep 0.1
  done
  rm -rf "$scratch"
}
trap finish EXIT
cd "$scratch"
if ! "$render" --seed 1 --frames 1 -o probe.html --quiet 2>probe.txt; then
  echo "== no web pages: $(cat probe.txt)"
  exit 0
fi

# CPU seconds (user and system) of a native render of $2 frames at size $1, the least of three.
native_seconds() {
  local best="" t
  for _ in 1 2 3; do
    t=$( { TIMEFORMAT='%U %S'; time "$render" --settings "s$1.cfg" --seed 7 --frames "$2" \
      --thumb 64 -o native.png --quiet; } 2>&1 | awk '{ print $1 + $2 }')
    best=$(awk -v a="$t" -v b="${best:-$t}" 'BEGIN { print a < b ? a : b }')
  done
  echo "$best"
}

setsid chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$scratch/profile" --remote-debugging-port=0 about:blank >chromium.log 2>&1 &
chromium_pid=$!
for _ in $(seq 300); do
  [ -s profile/DevToolsActivePort ] && break
  sleep 0.1
done
port="$(head -n 1 profile/DevToolsActivePort)"

for size in 512 2048 4096; do
  printf 'width = %s\nheight = %s\n' "$size" "$size" >"s$size.cfg"
  "$render" --settings "s$size.cfg" --seed 7 --frames 3600 -o "p$size.html" --quiet
  url="file://$scratch/p$size.html"
  echo "== $size x $size, default settings, seed 7"
  echo "  page: $(stat -c %s "p$size.html") bytes"
  echo "  held while growing for $seconds s: $(python3 "$check" "$port" "$url" --rate "$seconds")"
  echo "  web engine: $(python3 "$check" "$port" "$url" --cpu "$cpu_frames")"
  # The native frames alone: a render of one frame (start, PNG) taken from one of all of them.
  one=$(native_seconds "$size" 1)
  all=$(native_seconds "$size" "$cpu_frames")
  echo "  native renderer: $(awk -v a="$all" -v o="$one" -v n="$cpu_frames" \
    'BEGIN { printf "%.3f", (a - o) * 1000 / (n - 1) }') ms a frame over $cpu_frames frames (CPU)"
done
