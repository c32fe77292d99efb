#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# morvane-render as a shell runs it: the same seed gives the same file and another seed another
# picture, a render renders again from its own PNG, and bad input gets one line, a non-zero exit
# and no file.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"

"$RENDER" render --seed 1 --frames 60 -o a.png 2>/dev/null || fail "a render failed"
"$RENDER" render --seed 1 --frames 60 -o b.png 2>/dev/null || fail "a second render failed"
cmp -s a.png b.png || fail "the same seed gave different files"
"$RENDER" render --seed 2 --frames 60 -o c.png 2>/dev/null || fail "a render with seed 2 failed"
[ "$(pngcheck same a.png c.png 0 0 512 512)" != 0 ] || fail "seeds 1 and 2 gave the same picture"
"$RENDER" from a.png -o d.png 2>/dev/null || fail "--from failed"
cmp -s a.png d.png || fail "--from did not render the same file"
printf 'width = 600\ncurl = 0.0123\n' >odd.cfg
"$RENDER" render --settings odd.cfg --seed 5 --frames 20 -o e.png --quiet || fail "--settings failed"
[ "$(pngcheck size e.png)" = "600 512" ] || fail "the settings file's width was not used"

# Each bad input: the exit code, one line on stderr, and no output file.
bad() {
    local code="$1" what="$2" rc=0
    shift 2
    rm -f out.png
    "$RENDER" "$@" -o out.png >/dev/null 2>err.txt || rc=$?
    [ "$rc" = "$code" ] || fail "$what: exit $rc, expected $code"
    [ -s err.txt ] || fail "$what: nothing said on stderr"
    [ ! -e out.png ] || fail "$what: wrote a file"
}
bad 2 "an unknown option" render --bogus
bad 2 "a missing value" render --seed
bad 2 "a seed out of range" render --seed 4294967296
bad 2 "frames and lit together" render --frames 3 --lit 5
bad 1 "an unreadable settings file" render --settings missing.cfg
printf 'hello\n' >nojournal.log
bad 1 "a log without a journal" replay nojournal.log
"$RENDER" render --seed 3 --frames 1 -o /dev/null/x.png 2>err.txt && fail "an impossible output succeeded"
grep -q "cannot write" err.txt || fail "an impossible output was not explained"
{
    echo "2026-12-08 10:00:00 journal start seed=1 size=512x512"
    echo "2026-12-08 10:00:00 journal @3 set \"curl\" 0.5"
    echo "2026-12-08 10:00:01 journal @2 restart"
} >order.log
bad 1 "a journal out of frame order" replay order.log
{
    echo "2026-12-08 10:00:00 journal start seed=1 size=512x512"
    echo "2026-12-08 10:00:01 journal @2 save ok \"x.png\""
    echo "2026-12-08 10:00:01 journal @2 save ok \"x.png%0A2026\""
    echo "2026-12-08 10:00:01 journal @2 flag pause 1 and more"
} >forged.log
bad 1 "a corrupt journal line" replay forged.log
# A full disk: a line glued to the next one, or the gap the log names once there is room again.
gap() {
    {
        echo "2026-12-08 10:00:00 journal start seed=1 size=512x512"
        echo "2026-12-08 10:00:00 journal @1 flag pause 1"
        echo "$1"
        echo "2026-12-08 10:00:01 journal @2 save ok \"x.png\""
    } >gap.log
    bad 1 "$2" replay gap.log
    grep -q "line 3" err.txt || fail "$2: the line was not named"
}
gap "2026-12-08 10:00:012026-12-08 10:00:01 journal @1 flag pause 0" "a glued journal line"
gap "2026-12-08 10:00:01 journal @1 lost 3" "a journal with a gap"
# A journal too long for a PNG's text chunk: the PNG says so, the replay warns, --from explains.
{
    echo "2026-12-08 10:00:00 journal start seed=1 size=512x512"
    awk 'BEGIN { p = sprintf("%4000s", ""); gsub(/ /, "p", p)
                 for (i = 0; i < 9000; i++) print "2026-12-08 10:00:00 journal @0 save failed \"" p "\"" }'
    echo "2026-12-08 10:00:01 journal @0 save ok \"x.png\""
} >long.log
"$RENDER" replay long.log -o long.png --quiet 2>err.txt || fail "a long journal did not replay"
grep -q "longer than" err.txt || fail "a journal left out of the PNG was not reported"
bad 1 "a PNG without its journal" from long.png
grep -q "without its journal" err.txt || fail "--from did not say the journal was left out"
head -n 2 forged.log >one.log
bad 1 "a save the session does not have" replay one.log --save 2
"$RENDER" replay one.log -o r.png --quiet || fail "a replay failed"
"$RENDER" from r.png -o r2.png --quiet || fail "--from of a replay failed"
cmp -s r.png r2.png || fail "--from of a replay rendered another file"
echo "ok"
