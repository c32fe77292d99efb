#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The panel's less and more buttons as a user works them: a click moves a setting one step, a
# held gated button waits about half a second before it repeats, "runs / frame" repeats from the
# start; values are read back from the settings file written with D then Y.
source "$(dirname "$0")/lib.sh"
start_x
start_app

# Centres of the buttons of setting column k (0..4): less at 80k + 9, more at 80k + 66;
# upper row y = 24, lower row y = 62.
less() { echo "$((80 * $1 + 9)) $2"; }
more() { echo "$((80 * $1 + 66)) $2"; }
UP=24
LOW=62

expect() {
    local got
    got="$(setting "$1")"
    [ "$got" = "$2" ] || fail "$1 is '$got', expected '$2' ($3)"
}

# shellcheck disable=SC2046
click $(more 0 $UP)
expect "num sprouts" 4 "one click on more"
click $(less 3 $LOW)
expect "probability" 0.009 "one click on less"
click $(more 4 $UP)
expect "curl" 0.003 "float step of 0.001"
click $(less 0 $UP)
click $(less 0 $UP)
click $(less 0 $UP)
click $(less 0 $UP)
expect "num sprouts" 1 "less stops at 1"

# A gated button held for 2 s steps once, waits for the repeat gate (half the frame rate, in
# frames), then steps on every frame. The journal stamps each change with its frame, so this is
# read in the program's own time, whatever the machine's load does to the hold.
hold $(more 3 $UP) 2
ra="$(setting "rand angle")"
# The first line is the value at start; the changes follow.
mapfile -t frames < <(sed -n 's/.* journal @\([0-9]*\) set "rand angle" .*/\1/p' "$RUN/morvane.log" |
    tail -n +2)
[ "${#frames[@]}" -ge 4 ] || fail "the journal holds ${#frames[@]} rand angle changes"
last="$(sed -n 's/.* journal @[0-9]* set "rand angle" //p' "$RUN/morvane.log" | tail -n 1)"
[ "$ra" = "$last" ] || fail "rand angle is $ra, the journal's last change $last"
gate=$((frames[1] - frames[0]))
[ $((frames[3] - frames[2])) = 1 ] || fail "the held button did not repeat every frame"

# "runs / frame" repeats from the first frame: a step on each frame of the hold, the first two
# on consecutive frames, each 100 up.
hold $(more 1 $UP) 0.4
rf="$(setting "runs / frame")"
mapfile -t frames < <(sed -n 's/.* journal @\([0-9]*\) set "runs \/ frame" .*/\1/p' "$RUN/morvane.log" |
    tail -n +2)
[ "${#frames[@]}" -ge 2 ] && [ $((frames[1] - frames[0])) = 1 ] ||
    fail "runs / frame did not repeat from its first frame: changes at ${frames[*]}"
[ "$rf" = $((5000 + 100 * ${#frames[@]})) ] || fail "runs / frame is $rf after ${#frames[@]} steps"

# "strand length" likewise, downwards, in steps of 10.
click $(less 0 $LOW)
sl="$(setting "strand length")"
[ "$sl" -lt 700 ] && [ $(((700 - sl) % 10)) = 0 ] || fail "strand length after less is $sl"

# The exit button ends the program with 0.
click 489 63
expect_exit 10 0 "the exit button did not end the program with 0"

# The repeat gate is half a second of frames at the frame rate reached: 30 at 60 fps. It must be
# at least a third of a second's frames (20 at 60 fps), which a quarter-second gate is not; a
# loaded machine's lower frame rate lowers both alike. The rate is the one the log reports at exit.
fps="$(sed -n 's/.*real frame rate: average \([0-9]*\).*/\1/p' "$RUN/morvane.log")"
[ -n "$fps" ] || fail "the log reports no frame rate"
[ "$gate" -ge $((fps / 3)) ] ||
    fail "the held button repeated after $gate frames at $fps fps, not half a second" \
        "(frames ${frames[0]}, ${frames[1]})"
echo "ok"
