#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A large canvas saved while the window is used: the save runs in the background, so frames go
# on while it runs and keys and clicks take effect; one file is written per save (a second
# request waits for the first), and the replay of the session matches each saved file sample for
# sample. The log names the longest frame gap during each save (a figure, not a limit here).
# The canvas is 2048 x 2048: at 4096 two saves take minutes on a loaded two-core machine.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
# A screen smaller than the window: the canvas shows scaled down by 2, so screenshots stay small.
XVFB_SCREEN=1600x1200x24 start_x
printf 'width = 2048\nheight = 2048\nruns / frame = 20000\n' >"$RUN/defaults.cfg"
start_app
# The window is scaled down to fit the screen; the panel stays full size at the top.
CANVAS="0 72 400 400" wait_until 30 canvas_lit_above 2000

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
click 66 24 0.1
wait_until 10 logged 'set "num sprouts" 4'
key f
wait_until 10 logged 'flag fill 1'
wait_until 120 ended 2
# The second request found the first save running, and the window rendered frames while each
# save ran (a save on the main thread would show neither). Whether the keys above landed during
# a save depends on how fast the machine compresses, so it is not asked.
grep -q 'save image morvane.png ended: [1-9][0-9]* frames while it ran' "$RUN/morvane.log" ||
    fail "no frame was rendered while a save ran"
[ "$(saves_ok)" = 2 ] || fail "$(saves_ok) saves in the journal, expected 2"
grep 'save image morvane.png ended' "$RUN/morvane.log" | sed 's/^/  /'
cp "$RUN/morvane.png" "$WORK/live.png"
key Escape
expect_exit 60 0 "Esc did not end the program with 0"

"$RENDER" --replay "$RUN/morvane.log" --save 2 --quiet -o "$WORK/replay.png" ||
    fail "the replay of the second save failed"
[ "$(pngcheck samples "$WORK/live.png" | cmp - <(pngcheck samples "$WORK/replay.png") && echo same)" = same ] ||
    fail "the replayed save differs from the live save"
echo "ok"
