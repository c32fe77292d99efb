#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Exploring as an artist does: a 4 x 4 grid over two settings with its labelled sheet and its
# gallery page, opened in headless Chromium (every thumbnail loads, a click shows the picture, the
# copied command renders the same samples); a rerun with another stop keeps the first set; the
# window's toggles as options; videos in each container and scaled down; bad input refused with
# one line and nothing written.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
HERE="$(cd "$(dirname "$0")" && pwd)"
cd "$RUN"
# A settings string with markup in it, which the gallery must show as text.
printf 'runs / frame = 1000\npng file = <script>document.title="owned"</script>\n' >light.cfg
grid=(grid --settings light.cfg --vary "curl=0..0.025:4" --vary "n start dirs=2..8:4" --seed 3)

"$RENDER" "${grid[@]}" --frames 12 --sheet grid.png --gallery --quiet || fail "the grid failed"
folder="$(echo sweep/frames-12-*)"
[ "$(ls "$folder" | grep -c '\.png$')" = 16 ] || fail "the grid made $(ls "$folder")"
[ "$(ls "$folder"/*.png | tail -n 1)" = "$folder/curl-0.0250_n-start-dirs-8.png" ] ||
    fail "the grid's names do not sort as its values: $(ls "$folder")"
# Row 2, column 3 of the sheet (after the row labels and two lines of column labels) is the 7th
# picture, curl 0.0083 with 6 start directions, as the gallery's thumbnail shows it.
convert grid.png -crop 256x256+640+338 +repage tile-7.png
[ "$(pngcheck same tile-7.png "$folder/thumbs/0007.png" 0 0 256 256)" = 0 ] ||
    fail "the sheet's row 2, column 3 is not the grid's 7th picture"

if command -v chromium >/dev/null; then
    start_chromium
    python3 "$HERE/gallery_check.py" "$(head -n 1 "$profile/DevToolsActivePort")" \
        "file://$RUN/$folder/index.html" 16 6 "$WORK/gallery.png" >command.txt ||
        fail "the gallery in Chromium"
    mkdir again
    (cd again && PATH="$(dirname "$RENDER"):$PATH" bash ../command.txt 2>/dev/null) ||
        fail "the gallery's command failed: $(cat command.txt)"
    [ "$(pngcheck same again/again-curl-0.0083_n-start-dirs-6.png \
        "$folder/curl-0.0083_n-start-dirs-6.png" 0 0 512 512)" = 0 ] ||
        fail "the gallery's command rendered other samples: $(cat command.txt)"
else
    echo "SKIP the gallery in a browser: chromium is not installed (scripts/install-deps)"
fi

# Another stop goes into another folder: the first set stays as it was.
cp "$folder/curl-0.0000_n-start-dirs-2.png" first.png
"$RENDER" "${grid[@]}" --frames 14 --quiet || fail "the rerun with other frames failed"
[ "$(ls -d sweep/*/ | wc -l)" = 2 ] || fail "the rerun did not get a folder of its own"
cmp -s first.png "$folder/curl-0.0000_n-start-dirs-2.png" || fail "the rerun overwrote the first set"

# Each toggle changes the picture, and --from makes it again with the toggles on.
for toggle in --white --fill-holes; do
    "$RENDER" render --settings light.cfg --seed 4 --frames 12 -o plain.png --quiet
    "$RENDER" render --settings light.cfg --seed 4 --frames 12 "$toggle" -o toggled.png --quiet
    "$RENDER" from toggled.png -o again.png --quiet || fail "--from of $toggle"
    [ "$(pngcheck same plain.png toggled.png 0 0 512 512)" != 0 ] || fail "$toggle changed nothing"
    [ "$(pngcheck same toggled.png again.png 0 0 512 512)" = 0 ] || fail "--from lost $toggle"
done

printf 'runs / frame = 300\n' >video.cfg
for clip in gif,gif webm,vp9 mkv,h264; do
    "$RENDER" render --settings video.cfg --seed 5 --frames 6 --video "clip.${clip%,*}" --quiet ||
        fail "the ${clip%,*} video failed"
    [ "$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
        stream=codec_name,width,height,nb_read_frames -of csv=p=0 "clip.${clip%,*}")" = \
        "${clip#*,},512,512,6" ] || fail "clip.${clip%,*} is not 6 frames of ${clip#*,} at 512"
done
printf 'width = 4096\nheight = 4096\nruns / frame = 100\n' >big.cfg
"$RENDER" render --settings big.cfg --seed 5 --frames 4 --video big.mp4 --video-size 1024 --quiet ||
    fail "the scaled video failed"
probe="$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height,level -of csv=p=0 big.mp4)"
[ "${probe%,*}" = "1024,1024" ] && [ "${probe##*,}" -le 42 ] ||
    fail "a 4096 video at --video-size 1024 is $probe (width, height, H.264 level)"

# Bad input: the exit code, one line, and nothing written.
bad() {
    local code="$1" what="$2" rc=0
    shift 2
    "$RENDER" "$@" >/dev/null 2>err.txt || rc=$?
    [ "$rc" = "$code" ] || fail "$what: exit $rc, expected $code"
    [ "$(wc -l <err.txt)" -ge 1 ] && [ "$(grep -vc '^Try' err.txt)" = 1 ] ||
        fail "$what: not one line: $(cat err.txt)"
    [ ! -e nothing ] || fail "$what: wrote $(ls -R nothing)"
}
bad 2 "a grid over one key twice" grid --vary "curl=0..1:2" --vary "curl=0..1:3" --dir nothing
bad 2 "a grid of 10100 pictures" grid --vary "curl=0..1:101" --vary "probability=0..1:100" --dir nothing
bad 1 "names that would collide" grid --vary "n start dirs=1..2:5" --dir nothing
bad 1 "a toggle that takes only 0 and 1" grid --vary "white=0..1:3" --dir nothing
bad 2 "a video of an unknown kind" render --seed 1 --frames 2 --video nothing.avi
cp light.cfg light-before.cfg
bad 1 "a gallery into a file" gallery --dir light.cfg first.png
cmp -s light.cfg light-before.cfg || fail "a gallery into a file changed the file"
bad 1 "a gallery into a folder that cannot be written" gallery --dir /proc first.png
echo "ok"
