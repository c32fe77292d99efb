#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Stepping back in the window: after Backspace, [ and ], the window shows exactly the canvas that
# morvane-render replays for the frame the log names; a save there and a save after growing on
# from there replay sample for sample; and stepping back stops at the last restart.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
start_x
start_app

# True once the log names the frame the window shows $1 times.
shown_times() { [ "$(grep -c "the window shows frame" "$RUN/morvane.log")" -ge "$1" ]; }
last_shown_frame() {
    grep -o "the window shows frame [0-9]*" "$RUN/morvane.log" | tail -n 1 | grep -o "[0-9]*$"
}

# Two seconds of growth and more.
wait_until 20 canvas_lit_above 230000
key BackSpace
wait_until 10 shown_times 1
key BackSpace bracketleft bracketright
wait_until 10 shown_times 4
frame="$(last_shown_frame)"
"$RENDER" replay "$RUN/morvane.log" --frame "$frame" --as-shown --quiet -o "$WORK/frame.png" ||
    fail "no replay of frame $frame"
# The log names the frame while the window is being painted; the present follows in that frame.
shows_frame() { [ "$(pngcheck window-matches-save "$(shot seen)" "$WORK/frame.png" 72)" = 0 ]; }
for _ in $(seq 100); do shows_frame && break; sleep 0.1; done
shows_frame || fail "the window stepped back to frame $frame does not show that frame's canvas"
seen="$WORK/seen.png"

# A save of the moment shown, then growing on from it and a second save.
rm -f "$RUN/morvane.png"
key s
wait_until 10 written "$RUN/morvane.png"
wait_until 10 logged "journal @[0-9]+ back $frame$"
wait_until 10 logged "save ok"
cp "$RUN/morvane.png" "$WORK/live-1.png"
key p
wait_until 10 canvas_lit_above "$(pngcheck lit "$seen" 0 72 512 512)"
rm -f "$RUN/morvane.png"
key s
wait_until 10 written "$RUN/morvane.png"
wait_until 10 eval '[ "$(grep -c "save ok" "$RUN/morvane.log")" -ge 2 ]'
cp "$RUN/morvane.png" "$WORK/live-2.png"

# After a restart, going back stops at its first frame.
key space
wait_until 10 logged "restart$"
key BackSpace BackSpace BackSpace BackSpace BackSpace
wait_until 10 logged "shows frame .*the last restart"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"

replayed_saves_match 2
echo "ok"
