#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two windows started in one folder in the same second (the menu entry starts every window in
# the same folder): they grow from different seeds, the first keeps morvane.log whole and the
# second writes morvane-2.log beside it, and each log replays its own session.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
# time() frozen at one second for both programs, as when both start within it.
export LD_PRELOAD="$(dirname "$PNGCHECK")/libfixed_time.so" MORVANE_BENCH_SEED=1765000000
start_x
start_app
FIRST_PID=$APP_PID FIRST_WID=$WID
wait_until 10 logged "journal start"
SKIP_WID=$FIRST_WID start_app
SECOND_PID=$APP_PID SECOND_WID=$WID
unset LD_PRELOAD
# Side by side, so that each takes its own keys.
xdotool windowmove "$SECOND_WID" 700 0
wait_until 10 written "$RUN/morvane-2.log"

# Keys go to the window that has the focus.
use() {
    WID=$1
    xdotool mousemove --window "$WID" 2 2
    timeout 10 xdotool windowfocus --sync "$WID" || fail "window $WID did not take the focus"
}
use "$FIRST_WID"
wait_until 20 canvas_lit_above 100
key s
wait_until 10 logged "save ok"
key Escape
APP_PID=$FIRST_PID expect_exit 10 0 "the first window did not quit"
use "$SECOND_WID"
key Escape
APP_PID=$SECOND_PID expect_exit 10 0 "the second window did not quit"

seed() { sed -n 's/.* journal start seed=\([0-9]*\) .*/\1/p' "$1"; }
[ "$(seed "$RUN/morvane.log")" = 1765000000 ] && [ "$(seed "$RUN/morvane-2.log")" = 1765000001 ] ||
    fail "seeds $(seed "$RUN/morvane.log") and $(seed "$RUN/morvane-2.log"), not two in a row"
grep -q "morvane.log is held by another running program" "$RUN/morvane-2.log" ||
    fail "the second log does not say why it is not morvane.log"
"$RENDER" replay "$RUN/morvane.log" --save 1 --quiet -o "$WORK/replay.png" ||
    fail "the first window's log does not replay"
[ "$(pngcheck same "$RUN/morvane.png" "$WORK/replay.png" 0 0 512 512)" = 0 ] ||
    fail "the first window's save replays otherwise"
"$RENDER" replay "$RUN/morvane-2.log" --end --quiet -o "$WORK/second.png" ||
    fail "the second window's log does not replay to its end"
echo "ok"
