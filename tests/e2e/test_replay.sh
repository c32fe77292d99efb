#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A live session steered on the panel and the keys (less and more clicks, a held button, a
# restart, the white toggle, pixel fill, two saves) is rendered again from its morvane.log by
# morvane-render: each replayed save equals the file the live program wrote, sample for sample.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
start_x
start_app

# Saves with S and keeps a copy named $1 once the new file is complete.
save_as() {
    rm -f "$RUN/morvane.png"
    key s
    wait_until 10 written "$RUN/morvane.png"
    wait_until 10 logged "save ok"
    cp "$RUN/morvane.png" "$WORK/$1"
}

wait_until 20 canvas_lit_above 100
click 66 24     # num sprouts: more
click 89 62     # color decay: less (stays at 0)
click 146 62    # color decay: more
click 386 24    # curl: more
save_as live-1.png
hold 226 24 1.2    # start angle: more, held past the repeat delay
click 455 17    # white sprouts on
key space           # restart
wait_until 10 logged "restart"
key f               # pixel fill on ...
wait_until 10 logged "flag fill 1"
key f               # ... and off again
hold 9 62 0.3      # strand length: less, repeating while held
save_as live-2.png
key Escape
expect_exit 10 0 "Esc did not end the program with 0"

replayed_saves_match 2
# The end of the session replays too, and a replayed PNG renders again from its own chunks.
"$RENDER" replay "$RUN/morvane.log" --end --quiet -o "$WORK/end.png" || fail "no --end replay"
"$RENDER" from "$WORK/replay-2.png" --quiet -o "$WORK/again.png" || fail "--from failed"
[ "$(pngcheck same "$WORK/again.png" "$WORK/live-2.png" 0 0 512 512)" = 0 ] ||
    fail "--from of a replay differs from the live save"
echo "ok"
