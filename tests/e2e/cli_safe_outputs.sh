#!/usr/bin/env bash
# morvane-render's outputs are written as safely as its saves: a video never replaces a FIFO or
# device nor is its name read as ffmpeg's own syntax, a killed video leaves nothing behind for
# long, an output is never one of the inputs, and an empty value is a usage error.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"
printf 'runs / frame = 200\n' >light.cfg

rc=0
mkfifo pipe.mp4
timeout 20 "$RENDER" --settings light.cfg --seed 1 --frames 2 --video pipe.mp4 2>err.txt || rc=$?
[ "$rc" = 1 ] && [ -p pipe.mp4 ] || fail "a FIFO at the video's target: exit $rc, $(cat err.txt)"
for name in -x.mp4 file:x.mp4; do
    "$RENDER" --settings light.cfg --seed 1 --frames 3 --video "$name" --quiet ||
        fail "the video $name failed"
    [ -s "./$name" ] || fail "the video $name was not written under its own name"
done
ls -A | grep -q '^\.morvane-' && fail "a finished video left a temporary file"

# A video killed half-way leaves its temporary file only until the next save in its folder.
"$RENDER" --settings light.cfg --seed 1 --frames 1000000 --video killed.mp4 --quiet &
renderer=$!
has_temporary() { ls -A | grep -q '^\.morvane-'; }
wait_until 30 has_temporary
encoder="$(pgrep -P "$renderer" ffmpeg || true)"
kill -KILL "$renderer"
wait "$renderer" 2>/dev/null || true
[ -z "$encoder" ] || wait_until 30 sh -c "! kill -0 $encoder 2>/dev/null"
"$RENDER" --settings light.cfg --seed 1 --frames 1 -o after.png --quiet || fail "a render failed"
has_temporary && fail "the killed video's temporary file was left: $(ls -A)"
[ ! -e killed.mp4 ] || fail "a killed video was put in place"

echo "ok"
