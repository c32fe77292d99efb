#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every session is kept: a session steered on the panel (clicks, a held button) with three saves
# and two restarts, then a second start of the program, killed with SIGKILL after a save. From
# the history alone each save of the first session renders again sample for sample, and so does
# the picture each restart cleared (against a screenshot taken just before it); each window PNG
# renders again from its own chunks; the killed session replays to its last save. The history
# sheet made from the thumbnails the saves left is the one made by replaying, and a damaged or
# foreign thumbnail is replayed instead.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
start_x

# Saves with S and keeps a copy named $1 once the save is logged.
save_as() {
    local saves
    saves="$(grep -c 'save ok' "$RUN/morvane.log" || true)"
    key s
    wait_until 10 saved_more "$saves"
    cp "$RUN/morvane.png" "$WORK/$1"
}
saved_more() { [ "$(grep -c 'save ok' "$RUN/morvane.log")" -gt "$1" ]; }

# Pauses, saves ($1) and takes a screenshot ($2) of what the window shows, restarts, resumes.
restart_after() {
    key p
    wait_until 10 logged "flag pause 1"
    save_as "$1"
    # The window shows the save's filled pixels a slice a frame after the file is written.
    wait_until_window_shows_save
    shot "$2" >/dev/null
    key space
    wait_until 10 logged "restart"
    key p
}

start_app
wait_until 20 canvas_lit_above 100
click 66 24     # num sprouts: more
hold 226 24 1.2    # start angle: more, held past the repeat delay
restart_after live-1.png before-1
wait_until 20 canvas_lit_above 100
click 386 24    # curl: more
save_as live-2.png
hold 9 62 0.3      # strand length: less, repeating while held
restart_after live-3.png before-2
key Escape
expect_exit 10 0 "Esc did not end the program"

# The second start: a save, then SIGKILL.
start_app
wait_until 20 canvas_lit_above 100
save_as killed.png
kill -9 "$APP_PID"
expect_exit 10 137 "SIGKILL"

"$RENDER" history >"$WORK/history.txt" || fail "--history failed"
grep -Eq '^@2 .* 512x512 +[0-9]+  +2 +3  ' "$WORK/history.txt" ||
    fail "the first session is not @2 with 2 restarts and 3 saves: $(cat "$WORK/history.txt")"
same() { [ "$(pngcheck same "$1" "$2" 0 0 512 512)" = 0 ] || fail "$3"; }
for k in 1 2 3; do
    "$RENDER" replay @2 --save "$k" --quiet -o "$WORK/replay-$k.png" || fail "no save $k"
    same "$WORK/live-$k.png" "$WORK/replay-$k.png" "save $k differs from the window's"
    "$RENDER" from "$WORK/live-$k.png" --quiet -o "$WORK/from-$k.png" || fail "--from $k"
    same "$WORK/live-$k.png" "$WORK/from-$k.png" "--from the window's PNG $k differs"
done
for k in 1 2; do
    "$RENDER" replay @2 --before-restart "$k" --quiet -o "$WORK/cleared-$k.png" ||
        fail "no picture before restart $k"
    [ "$(pngcheck window-matches-save "$WORK/before-$k.png" "$WORK/cleared-$k.png" 72)" = 0 ] ||
        fail "the picture before restart $k differs from the window"
done
"$RENDER" replay @last --quiet -o "$WORK/last.png" || fail "the killed session does not replay"
same "$WORK/killed.png" "$WORK/last.png" "the killed session's last save differs"

# Each session left a thumbnail of its last save; the sheet from them is the replayed one, byte
# for byte. A thumbnail cut short and one of another session are passed over for the replay.
SESSIONS="$XDG_STATE_HOME/morvane/sessions"
thumbs=("$SESSIONS"/*.thumb.png)
[ "${#thumbs[@]}" = 2 ] && [ "$(stat -c %a "${thumbs[0]}")" = 600 ] ||
    fail "not one private thumbnail per session: ${thumbs[*]}"
# Makes the sheet $1 and checks that $2 of its two pictures came from thumbnails.
sheet() {
    "$RENDER" history --sheet "$WORK/$1" 2>"$WORK/err.txt" || fail "history --sheet $1 failed"
    grep -q "history: $2 of 2 pictures from thumbnails" "$WORK/err.txt" ||
        fail "$1: not $2 thumbnails used: $(cat "$WORK/err.txt")"
}
sheet thumbs.png 2
mkdir "$WORK/kept" && mv "${thumbs[@]}" "$WORK/kept/"
sheet replayed.png 0
cmp -s "$WORK/thumbs.png" "$WORK/replayed.png" || fail "the sheet from thumbnails differs"
head -c "$(($(stat -c %s "$WORK/kept/${thumbs[0]##*/}") / 2))" "$WORK/kept/${thumbs[0]##*/}" \
    >"${thumbs[0]}"
cp "$WORK/kept/${thumbs[0]##*/}" "${thumbs[1]}"
sheet damaged.png 0
cmp -s "$WORK/damaged.png" "$WORK/replayed.png" || fail "a bad thumbnail was drawn"
echo "ok"
