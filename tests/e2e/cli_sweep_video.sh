#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sweeps, sheets and time-lapse as a shell runs them: a sweep's pictures equal single renders and
# its sheet's tiles equal thumbnails of them, --vary gives distinct pictures in order, a 3-second
# video has the frames and size asked for, an interrupted sweep resumes, and bad input writes
# nothing and loses nothing.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"

"$RENDER" sweep 1..4 -j 2 --frames 20 --sheet sheet.png 2>/dev/null || fail "the sweep failed"
for s in 1 2 3 4; do
    "$RENDER" render --seed "$s" --frames 20 --quiet -o "single-$s.png" || fail "render of seed $s"
    [ "$(pngcheck same "sweep/frames-20-"*"/seed-000$s.png" "single-$s.png" 0 0 512 512)" = 0 ] ||
        fail "the sweep's seed $s differs from a single render"
done
# Four tiles of 256 x 256 with their label strips, 2 x 2 with 8 px gaps.
[ "$(pngcheck size sheet.png)" = "536 580" ] || fail "the sheet is $(pngcheck size sheet.png)"
"$RENDER" render --seed 4 --frames 20 --thumb 256 --quiet -o thumb-4.png || fail "thumbnail of seed 4"
convert sheet.png -crop 256x256+272+294 +repage tile-4.png
[ "$(pngcheck same tile-4.png thumb-4.png 0 0 256 256)" = 0 ] ||
    fail "the sheet's last tile is not seed 4 scaled down"

"$RENDER" grid --vary "n start dirs=1..4:4" --seed 9 --frames 20 --dir vary --quiet || fail "--vary"
previous=""
for v in 1 2 3 4; do
    file="$(echo vary/frames-20-*/n-start-dirs-$v.png)"
    [ -s "$file" ] || fail "--vary wrote no picture for $v"
    [ -z "$previous" ] || [ "$(pngcheck same "$previous" "$file" 0 0 512 512)" != 0 ] ||
        fail "--vary gave the same picture for two values"
    previous="$file"
done

# Few attempts a frame: the frame count is what is checked, not the picture.
printf 'runs / frame = 200\n' >light.cfg
"$RENDER" render --settings light.cfg --seed 5 --frames 90 --fps 30 --video clip.mp4 --quiet ||
    fail "the video failed"
[ "$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=nb_read_frames,width,height -of csv=p=0 clip.mp4)" = "512,512,90" ] ||
    fail "the video is not 90 frames of 512 x 512"

# Interrupted after its first picture, a sweep leaves whole files only, and the same command
# renders just the rest.
("$RENDER" sweep 11..14 -j 1 --frames 600 --quiet >/dev/null 2>&1) &
sweeper=$!
first_written() { compgen -G 'sweep/frames-600-*/seed-0011.png' >/dev/null; }
wait_until 60 first_written
kill -INT "$sweeper"
rc=0
wait "$sweeper" || rc=$?
[ "$rc" = 130 ] || fail "an interrupted sweep ended with $rc, expected 130"
ls -A sweep/frames-600-* | grep -qv '^seed-[0-9]*\.png$\|^sweep.txt$' &&
    fail "an interrupted sweep left a temporary file: $(ls -A sweep/frames-600-*)"
done_before="$(ls sweep/frames-600-*/seed-001[1-4].png | wc -l)"
[ "$done_before" -lt 4 ] || fail "the sweep was done before it could be interrupted"
"$RENDER" sweep 11..14 -j 2 --frames 600 2>resume.txt || fail "the resumed sweep failed"
grep -q "$done_before already there" resume.txt || fail "the resume rendered again: $(cat resume.txt)"
[ "$(ls sweep/frames-600-*/seed-001[1-4].png | wc -l)" = 4 ] || fail "the resumed sweep is not complete"

# Bad input: exit code, one line, and the sheet made earlier still whole.
cp sheet.png sheet-before.png
bad() {
    local code="$1" what="$2" rc=0
    shift 2
    "$RENDER" "$@" >/dev/null 2>err.txt || rc=$?
    [ "$rc" = "$code" ] || fail "$what: exit $rc, expected $code"
    [ -s err.txt ] || fail "$what: nothing said on stderr"
    cmp -s sheet.png sheet-before.png || fail "$what: the earlier sheet changed"
}
bad 2 "a reversed range" sweep 5..2 --sheet sheet.png
bad 2 "a range of billions" sweep 0..4294967295
bad 2 "a count of 0" grid --vary "curl=0..1:0" --sheet sheet.png
bad 2 "a value that does not convert" grid --vary "curl=0..x:3" --sheet sheet.png
bad 1 "a key that is not a setting" grid --vary "speed=0..1:3" --sheet sheet.png
bad 1 "a sheet of a file that is not a PNG" sheet -o sheet.png single-1.png err.txt
bad 1 "a sheet of an 8-bit picture" sheet -o sheet.png single-1.png thumb-4.png
bad 1 "a sweep into a folder that cannot be made" sweep 1..2 --dir /proc/none
# Hostile tiles: each refused with one line naming it, before it costs memory or time.
head -c 3000 single-1.png >cut.png
pngcheck bomb wide.png 65535 65535
pngcheck bomb tall.png 1 1000000
pngcheck bomb claim.png 512 512 1800000000
for tile in cut.png wide.png tall.png claim.png missing.png; do
    bad 1 "a sheet of $tile" sheet -o sheet.png single-1.png "$tile"
    [ "$(wc -l <err.txt)" = 1 ] && grep -q "$tile: " err.txt || fail "$tile: $(cat err.txt)"
done
grep -q "No such file" err.txt || fail "a missing tile was refused without the reason"
# A sweep's picture cut short is rendered again, not taken as done.
second="$(compgen -G 'sweep/frames-20-*/seed-0002.png')"
cp "$second" whole-2.png
head -c 3000 whole-2.png >"$second"
"$RENDER" sweep 1..4 -j 2 --frames 20 --sheet sheet.png 2>/dev/null || fail "a sweep over a cut file failed"
cmp -s "$second" whole-2.png || fail "a picture cut short was not rendered again"
rc=0
env PATH=/nonexistent "$RENDER" render --seed 1 --frames 2 --video none.mp4 2>err.txt || rc=$?
[ "$rc" = 1 ] && grep -q ffmpeg err.txt || fail "a video without ffmpeg: exit $rc, $(cat err.txt)"
[ ! -e none.mp4 ] || fail "a video without ffmpeg left a file"
echo "ok"
