#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# morvane-render's outputs are written as safely as its saves: a video never replaces a FIFO or
# device nor is its name read as ffmpeg's own syntax, a killed video leaves nothing behind for
# long, an output is never one of the inputs, and an empty value is a usage error.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"
printf 'runs / frame = 200\n' >light.cfg

rc=0
mkfifo pipe.mp4
timeout 20 "$RENDER" render --settings light.cfg --seed 1 --frames 2 --video pipe.mp4 2>err.txt || rc=$?
[ "$rc" = 1 ] && [ -p pipe.mp4 ] || fail "a FIFO at the video's target: exit $rc, $(cat err.txt)"
for name in -x.mp4 file:x.mp4; do
    "$RENDER" render --settings light.cfg --seed 1 --frames 3 --video "$name" --quiet ||
        fail "the video $name failed"
    [ -s "./$name" ] || fail "the video $name was not written under its own name"
done
ls -A | grep -q '^\.morvane-' && fail "a finished video left a temporary file"

# A video killed half-way leaves its temporary file only until the next save in its folder.
"$RENDER" render --settings light.cfg --seed 1 --frames 1000000 --video killed.mp4 --quiet &
renderer=$!
has_temporary() { ls -A | grep -q '^\.morvane-'; }
# The temporary file is made before ffmpeg starts; ffmpeg, once it has lost its input, still
# writes its file, so the test waits for it to start and then to end.
wait_until 30 has_temporary
wait_until 30 sh -c "pgrep -P $renderer ffmpeg >/dev/null"
encoder="$(pgrep -P "$renderer" ffmpeg)"
kill -KILL "$renderer"
wait "$renderer" 2>/dev/null || true
wait_until 30 sh -c "! kill -0 $encoder 2>/dev/null"
"$RENDER" render --settings light.cfg --seed 1 --frames 1 -o after.png --quiet || fail "a render failed"
has_temporary && fail "the killed video's temporary file was left: $(ls -A)"
[ ! -e killed.mp4 ] || fail "a killed video was put in place"

# Usage errors: an empty name, or an output that is one of the inputs (under any name).
"$RENDER" render --settings light.cfg --seed 1 --frames 2 -o a.png --quiet || fail "a render failed"
cp a.png before.png
ln a.png same.png
printf '2026-12-08 10:00:00 journal start seed=1 size=512x512\n' >m.log
cp m.log m-before.log
refused() {
    local code="$1" what="$2" rc=0
    shift 2
    rm -f morvane-render.png
    "$RENDER" "$@" >/dev/null 2>err.txt || rc=$?
    [ "$rc" = "$code" ] && grep -q "^morvane-render: " err.txt || fail "$what: exit $rc, $(cat err.txt)"
    [ ! -e morvane-render.png ] || fail "$what: wrote morvane-render.png"
    cmp -s a.png before.png && cmp -s m.log m-before.log || fail "$what: an input changed"
}
refused 2 "an empty video name" render --seed 1 --frames 2 --video ""
refused 2 "an empty frames folder" render --seed 1 --frames 2 --frames-dir ""
refused 2 "an empty settings name" render --settings "" --seed 1 --frames 2
refused 1 "a sheet over its own tile" sheet -o a.png a.png
refused 1 "a sheet over a tile's other name" sheet -o same.png a.png
refused 1 "a replay over its log" replay m.log -o m.log
refused 1 "a render over its settings" render --settings light.cfg -o ./light.cfg

# SIGTERM (or Ctrl-C, which a background job here ignores) while a render saves: the save
# finishes or is undone, and no temporary file stays.
printf 'width = 4096\nheight = 4096\nruns / frame = 100\n' >big.cfg
"$RENDER" render --settings big.cfg --seed 1 --frames 1 -o big.png --quiet &
renderer=$!
until has_temporary || ! kill -0 "$renderer" 2>/dev/null; do :; done
kill -TERM "$renderer" 2>/dev/null || true
wait "$renderer" 2>/dev/null || true
has_temporary && fail "Ctrl-C during a save left a temporary file: $(ls -A)"

echo "ok"
