#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# `morvane FILE` continues a picture: started on a PNG the window wrote, it shows that picture's
# canvas (paused), grows on from it with a changed setting, and its save replays sample for
# sample from the new session's log alone and renders again from its own chunks; the renderer's
# pictures of a frame and of a seed open as they are too. A file without
# provenance, or a journal with a gap, costs one log line and the window starts as without it.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
start_x

# A first session: a picture saved at some moment of its growth.
start_app
wait_until 20 canvas_lit_above 20000
key s
wait_until 10 logged "save ok"
key Escape
expect_exit 10 0 "Esc did not end the first session"
mv "$RUN/morvane.png" "$WORK/picture.png"
cp "$RUN/morvane.log" "$WORK/first.log"
"$RENDER" from "$WORK/picture.png" --as-shown --quiet -o "$WORK/shown.png" ||
    fail "no render of the picture as shown"

window_shows() {
    [ "$(pngcheck window-matches-save "$(shot continued)" "$1" 72 2>/dev/null)" = 0 ]
}

# The session's own log, which the program empties as it starts, is read before that: the window
# shows where the session ended.
"$RENDER" replay "$WORK/first.log" --end --as-shown --quiet -o "$WORK/end-shown.png" ||
    fail "no render of the session's end"
start_app morvane.log
wait_until 20 window_shows "$WORK/end-shown.png"
key Escape
expect_exit 10 0 "Esc did not end the session continuing morvane.log"

# Pictures the renderer made, of a frame of that session (half way to its end, however many
# frames the machine gave it) and from a seed, open as they are.
end="$(sed -n 's/.* journal @\([0-9]*\) end$/\1/p' "$WORK/first.log")"
frame=$((end / 2))
"$RENDER" replay "$WORK/first.log" --frame "$frame" --quiet -o "$WORK/frame.png" ||
    fail "no frame $frame"
"$RENDER" replay "$WORK/first.log" --frame "$frame" --as-shown --quiet -o "$WORK/frame-shown.png" ||
    fail "no frame $frame as shown"
"$RENDER" render --seed 7 --frames 20 --white --quiet -o "$WORK/seed.png" || fail "no seed render"
"$RENDER" from "$WORK/seed.png" --as-shown --quiet -o "$WORK/seed-shown.png" ||
    fail "no render of seed.png as shown"
for picture in frame seed; do
    start_app "$WORK/$picture.png"
    wait_until 20 window_shows "$WORK/$picture-shown.png"
    key Escape
    expect_exit 10 0 "Esc did not end the session continuing $picture.png"
done

start_app "$WORK/picture.png"
wait_until 20 window_shows "$WORK/shown.png"
logged "journal @[0-9]+ continued \".*picture.png\"" || fail "the journal does not say what it continued"
click 386 24 0.1    # curl: more
wait_until 10 logged 'set "curl" 0.003'
key p
wait_until 10 canvas_lit_above "$(pngcheck lit "$(shot continued)" 0 72 512 512)"
key s
wait_until 10 logged "save ok"
key Escape
expect_exit 10 0 "Esc did not end the continued session"
"$RENDER" replay "$RUN/morvane.log" --save 1 --quiet -o "$WORK/replay.png" ||
    fail "the continued session does not replay"
[ "$(pngcheck same "$RUN/morvane.png" "$WORK/replay.png" 0 0 512 512)" = 0 ] ||
    fail "the replayed save of the continued session differs from its file"
"$RENDER" from "$RUN/morvane.png" --quiet -o "$WORK/again.png" || fail "--from failed"
[ "$(pngcheck same "$RUN/morvane.png" "$WORK/again.png" 0 0 512 512)" = 0 ] ||
    fail "--from of the continued save differs from it"

# Files that cannot be continued: the window starts afresh and grows.
printf 'not a picture\n' >"$WORK/foreign.txt"
awk '{ print } /journal @0 set "curl"/ && !done { print "2026-01-01 00:00:00 journal @0 lost 3"; done = 1 }' \
    "$WORK/first.log" >"$WORK/gap.log"
for bad in "$WORK/foreign.txt" "$WORK/gap.log" "$WORK/missing.png"; do
    start_app "$bad"
    wait_until 10 logged "cannot continue $bad: "
    [ "$bad" != "$WORK/gap.log" ] || logged "cannot continue .*: line [0-9]+: the journal has a gap" ||
        fail "the journal's gap is not the reason given"
    wait_until 20 canvas_lit_above 100
    grep -q "continued" "$RUN/morvane.log" && fail "$bad was continued"
    key Escape
    expect_exit 10 0 "Esc did not end the session started with $bad"
done
echo "ok"
