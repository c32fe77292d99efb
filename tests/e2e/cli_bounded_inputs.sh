#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every file the renderer is named to read (a journal, a palette, a settings file, PNGs) is read
# with a bound: a device or FIFO is refused at once and a file past the bound is refused by its
# size, each with one line and exit 1, under a memory limit that an unbounded read would hit.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"
mkfifo fifo
# Sparse files one byte past each bound: no disk is used.
truncate -s $((512 * 1024 * 1024 + 1)) big.journal
truncate -s $((64 * 1024 * 1024 + 1)) big.cfg
truncate -s $((1024 * 1024 + 1)) big.palette
truncate -s $((256 * 1024 * 1024 + 1)) big.png

# Runs the renderer with its arguments under a 1 GiB address-space limit and 20 s; it must end
# with 1 (2 for a --palette, a usage error like a palette name that is no file) and one line
# naming why ($1, a pattern).
refused() {
    local why="$1" rc=0 expected=1
    shift
    [[ " $* " == *" --palette "* ]] && expected=2
    (ulimit -v 1048576 && exec timeout 20 "$RENDER" "$@" -o out.png) 2>err.txt || rc=$?
    [ "$rc" = "$expected" ] || fail "$*: exit $rc, expected $expected: $(cat err.txt)"
    [ "$(wc -l <err.txt)" = 1 ] && grep -q "$why" err.txt || fail "$*: $(cat err.txt)"
}
for input in /dev/zero fifo; do
    refused "not a file; refused" replay "$input"
    refused "not a file; refused" render --seed 1 --frames 1 --palette "$input"
    refused "not a file; refused" render --seed 1 --frames 1 --settings "$input"
    refused "not a file; refused" from "$input"
    refused "not a file; refused" sheet -o sheet.png "$input"
done
refused "larger than 512 MiB" replay big.journal
refused "larger than 1 MiB" render --seed 1 --frames 1 --palette big.palette
refused "larger than 64 MiB" render --seed 1 --frames 1 --settings big.cfg
refused "larger than 256 MiB" from big.png
[ ! -e out.png ] && [ ! -e sheet.png ] || fail "a refused input left a picture"
echo "ok"
