#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The renderer finds kept sessions by name (@last, @2) in the history folder, makes a gallery of
# them (passing over one that cannot be read), and tells a history file that a killed program cut short from a damaged one: the cut
# last line is left out with a note; a garbage line stops it with the file and line named, exit 1 and nothing written.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
SESSIONS="$XDG_STATE_HOME/morvane/sessions"
mkdir -p "$SESSIONS"
cd "$RUN"

# A session of seed $1 that saves at frame 30, restarts at 40, saves at 70 and quits at 80.
session() {
    local s="2026-12-01 10:00:00 journal"
    printf '%s start seed=%s size=512x512\n%s @30 save ok "morvane.png"\n%s @40 restart\n' \
        "$s" "$1" "$s" "$s"
    printf '%s @70 save ok "morvane.png"\n%s @80 end\n' "$s" "$s"
}
session 5 >"$SESSIONS/20261201-100000-seed5.journal"
session 6 >"$SESSIONS/20261202-100000-seed6.journal"
"$RENDER" history >list.txt || fail "--history failed"
grep -Eq '^@last .* 6 +512x512 +80 +1 +2 .*seed6.journal$' list.txt || fail "@last: $(cat list.txt)"
grep -Eq '^@2 .* 5 ' list.txt || fail "@2 is not the older session: $(cat list.txt)"
"$RENDER" replay @2 --list >events.txt || fail "--list failed"
grep -Eq '^restart 1 +frame 40 ' events.txt || fail "--list: $(cat events.txt)"
"$RENDER" replay @3 --list 2>err.txt && fail "@3 of two sessions was accepted"
"$RENDER" replay @2 --quiet -o whole.png || fail "the replay of @2 failed"

# A gallery of the kept sessions: their final pictures, named after the sessions, that render
# again from their own chunks.
"$RENDER" history --gallery --dir gallery --quiet || fail "--history --gallery failed"
[ -s gallery/index.html ] || fail "no gallery page"
[ -s gallery/20261201-100000-seed5.png ] && [ -s gallery/thumbs/0002.png ] ||
    fail "the gallery lacks the older session's picture or thumbnail"
"$RENDER" from gallery/20261201-100000-seed5.png --quiet -o again.png || fail "--from failed"
# The gallery shows what each session kept: its last save (frame 70 here), not its end.
"$RENDER" replay @2 --quiet -o saved.png || fail "the replay of @2 to its last save failed"
[ "$(pngcheck same saved.png again.png 0 0 512 512)" = 0 ] &&
    [ "$(pngcheck same saved.png gallery/20261201-100000-seed5.png 0 0 512 512)" = 0 ] ||
    fail "the gallery's picture differs"

# The newest session file left empty by a full disk: the sheet and the gallery pass it over with
# one line and show the two others.
: >"$SESSIONS/20261203-100000-seed7.journal"
"$RENDER" history --sheet sheet.png --quiet 2>err.txt || fail "an empty session blocked the sheet"
"$RENDER" history --gallery --dir gallery2 --quiet 2>>err.txt ||
    fail "an empty session blocked the gallery: $(cat err.txt)"
[ "$(grep -c 'passed over .*seed7.journal' err.txt)" = 2 ] && [ "$(wc -l <err.txt)" = 2 ] ||
    fail "not one line for each pass over the empty session: $(cat err.txt)"
[ -s sheet.png ] && [ -s gallery2/20261202-100000-seed6.png ] &&
    [ -s gallery2/20261201-100000-seed5.png ] || fail "the readable sessions are not shown"
rm "$SESSIONS/20261203-100000-seed7.journal"

# Killed while writing its last line: the rest replays, with a note.
cp "$SESSIONS/20261201-100000-seed5.journal" cut.journal
printf '2026-12-01 10:00:09 journal @75 set "cu' >>cut.journal
"$RENDER" replay cut.journal -o cut.png 2>err.txt || fail "a cut last line was refused"
grep -q "cut.journal: line 6 was cut short" err.txt || fail "no note of the cut line"
[ "$(pngcheck same whole.png cut.png 0 0 512 512)" = 0 ] || fail "the cut file replayed otherwise"

# Damage anywhere else: the file and the line, exit 1, no picture.
refused() {
    rm -f out.png
    local rc=0
    "$RENDER" replay "$1" -o out.png 2>err.txt || rc=$?
    [ "$rc" = 1 ] || fail "$1: exit $rc, expected 1"
    grep -q "$1: line $2" err.txt || fail "$1: the line is not named: $(cat err.txt)"
    [ ! -e out.png ] || fail "$1: wrote a picture"
}
sed '3s/.*/garbage/' cut.journal >garbage.journal
refused garbage.journal 3
echo "ok"
