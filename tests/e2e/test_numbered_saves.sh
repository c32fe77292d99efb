#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A "png file" with a number field: three S presses write three new files past one that was
# there (which stays as it was), the panel names each, and each replays and renders again.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
start_x
printf 'png file = shot-%%03d.png\n' >"$RUN/defaults.cfg"
echo "not a picture" >"$RUN/shot-001.png"
start_app

saves_ok() { [ "$(grep -c 'journal @[0-9]* save ok' "$RUN/morvane.log")" -ge "$1" ]; }

wait_until 20 canvas_lit_above 100
for k in 1 2 3; do
    key s
    wait_until 10 saves_ok "$k"
    key p   # a different canvas for each save
    key p
done
key Escape
expect_exit 10 0 "Esc did not end the program with 0"

[ "$(cat "$RUN/shot-001.png")" = "not a picture" ] || fail "a save replaced shot-001.png"
for k in 1 2 3; do
    name="shot-00$((k + 1)).png"
    logged "journal @[0-9]+ save ok \"$name\"" || fail "save $k is not $name in the journal"
    "$RENDER" replay "$RUN/morvane.log" --save "$k" --quiet -o "$WORK/replay-$k.png" ||
        fail "the replay of save $k failed"
    [ "$(pngcheck same "$RUN/$name" "$WORK/replay-$k.png" 0 0 512 512)" = 0 ] ||
        fail "replayed save $k differs from $name"
done
"$RENDER" from "$RUN/shot-003.png" --quiet -o "$WORK/again.png" || fail "--from failed"
[ "$(pngcheck same "$RUN/shot-003.png" "$WORK/again.png" 0 0 512 512)" = 0 ] ||
    fail "--from of shot-003.png differs from it"
echo "ok"
