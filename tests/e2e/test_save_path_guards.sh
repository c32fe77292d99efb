#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Saves at hostile paths: a "png file" that names a FIFO is refused with its reason in the log and
# stays a FIFO while the program runs on; a save removes the temporary file a killed save left
# behind (its owner is gone) and keeps one whose owner still runs.
source "$(dirname "$0")/lib.sh"

# Waits up to $1 seconds for the command after it to succeed; fails with the last message.
wait_until() {
    local seconds="$1" what="$2"
    shift 2
    for _ in $(seq "$((seconds * 10))"); do "$@" && return 0; sleep 0.1; done
    fail "$what"
}

start_x
mkfifo "$RUN/pipe.png"
printf 'png file = pipe.png\n' >"$RUN/defaults.cfg"
start_app
key s
wait_until 10 "morvane.log does not say why pipe.png was not saved" \
    grep -q "could not save image pipe.png: .*FIFO" "$RUN/morvane.log"
[ -p "$RUN/pipe.png" ] || fail "the FIFO was replaced"
kill -0 "$APP_PID" || fail "the program ended after a refused save"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"

# Temporary files of our naming in the output folder: one of a process that has ended, one of
# this test's shell, which runs on.
mkdir "$RUN/out"
sh -c 'exit 0' &
dead=$!
wait "$dead"
stale="$RUN/out/.morvane-$dead-abcd1234.tmp"
live="$RUN/out/.morvane-$$-abcd1234.tmp"
printf 'partial' >"$stale"
printf 'partial' >"$live"
printf 'png file = out/image.png\n' >"$RUN/defaults.cfg"
start_app
key s
wait_until 30 "S wrote no out/image.png" test -s "$RUN/out/image.png"
[ ! -e "$stale" ] || fail "the temporary file of an ended save is still there"
[ -e "$live" ] || fail "the temporary file of a running process was removed"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
