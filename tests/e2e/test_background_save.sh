#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# timeout: 900
# A grown 4096 x 4096 canvas saved while the window is used: the save runs in the background, so
# frames go on while it runs and keys and clicks take effect; one file is written per save (a
# second request waits for the first), and the replay of the session matches the saved file
# sample for sample. A save that ends after a restart shows nothing of the old canvas. The log
# names the longest frame gap during each save: a figure here, measured by `scripts/bench save`.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
# A screen smaller than the window: the canvas shows at 1/4, so screenshots stay small.
XVFB_SCREEN=1600x1200x24 start_x
printf 'width = 4096\nheight = 4096\nruns / frame = 100000\n' >"$RUN/defaults.cfg"
start_app
# Grown: most of the shown canvas is lit (each shown pixel the brightest of 4 x 4), about a
# fifth of the canvas itself.
CANVAS="0 72 400 400" wait_until 300 canvas_lit_above 100000

saves_ok() { grep -c 'journal @[0-9]* save ok' "$RUN/morvane.log" || true; }
ended() { [ "$(grep -c 'save image morvane.png ended' "$RUN/morvane.log" || true)" -ge "$1" ]; }

key s
key s               # waits for the first save: a second file, not a lost request
# While the saves run: pause and resume, a click on "num sprouts" more, pixel fill on.
wait_until 10 logged 'save image morvane.png asked for at frame [0-9]*, waits'
key p
wait_until 10 logged 'flag pause 1'
key p
wait_until 10 logged 'flag pause 0'
click 66 24
wait_until 10 logged 'set "num sprouts" 4'
key f
wait_until 10 logged 'flag fill 1'
wait_until 300 ended 2
# The second request found the first save running and started once it had ended, and the window
# rendered frames while each save ran (a save on the main thread would show neither). Whether
# the keys above landed during a save depends on how fast the machine compresses, so it is not
# asked.
logged 'save image morvane.png started after the save before it at frame' ||
    fail "the waiting save did not start after the first"
[ "$(grep -c 'save image morvane.png ended: [1-9][0-9]* frames while it ran' "$RUN/morvane.log")" = 2 ] ||
    fail "a save ran without frames being rendered meanwhile"
[ "$(saves_ok)" = 2 ] || fail "$(saves_ok) saves in the journal, expected 2"
grep 'save image morvane.png ended' "$RUN/morvane.log" | sed 's/^/  /'
cp "$RUN/morvane.png" "$WORK/live.png"

# Pixel fill off again, then a save, and while it runs, pause and restart: the canvas is cleared
# and stays black, and the holes the save filled in the old canvas are not shown on it.
key f
wait_until 10 logged 'flag fill 0'
key s
key p
wait_until 10 logged 'flag pause 1'
key space
wait_until 10 logged 'journal @[0-9]* restart'
wait_until 300 ended 3
# A click logged after the save ended is handled in a later frame than the save's end.
click 66 24
wait_until 10 logged 'set "num sprouts" 5'
canvas_black || fail "the save that ended after the restart showed pixels on the cleared canvas"
key Escape
expect_exit 60 0 "Esc did not end the program with 0"

"$RENDER" replay "$RUN/morvane.log" --save 2 --quiet -o "$WORK/replay.png" ||
    fail "the replay of the second save failed"
[ "$(pngcheck samples "$WORK/live.png" | cmp - <(pngcheck samples "$WORK/replay.png") && echo same)" = same ] ||
    fail "the replayed save differs from the live save"
echo "ok"
