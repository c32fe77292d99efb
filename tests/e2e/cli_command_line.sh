#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# timeout: 600
# The command line as a user meets it: each subcommand's --help and its man page section list
# the same options, and the parser takes each of them; a command line of the old form is
# answered with one line naming the new one, which runs; and every example of the README and of
# the man page runs as written, in a folder holding the files the examples name.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
PAGE="$(dirname "$MORVANE")/man/man1/morvane-render.1"
SOURCE="$(cd "$(dirname "$0")/../.." && pwd)"
[ -f "$PAGE" ] || fail "no man page at $PAGE"
cd "$RUN"

# The options of one subcommand: from its --help, and from its section of the man page.
help_options() { "$RENDER" "$1" --help | sed -nE 's/^  (-[a-z], )?(--[a-z-]+).*/\2/p' | sort; }
man_options() {
    MANWIDTH=200 man -l "$PAGE" 2>/dev/null |
        awk -v head="   morvane-render $1 " 'index($0, "   morvane-render ") == 1 { on = index($0, head) == 1 }
                                               on' |
        sed -nE 's/^       (-[a-z], )?(--[a-z-]+).*/\2/p' | sort
}
subcommands="$("$RENDER" --help | sed -nE 's/^  ([a-z]+) .*/\1/p')"
[ "$(echo "$subcommands" | wc -l)" -ge 8 ] || fail "--help lists no subcommands: $subcommands"
for sub in $subcommands; do
    help_options "$sub" >help.txt
    man_options "$sub" >man.txt
    [ -s help.txt ] || fail "$sub --help lists no options"
    diff help.txt man.txt >/dev/null || fail "$sub: --help and the man page differ: $(diff help.txt man.txt)"
    while read -r option; do
        "$RENDER" "$sub" "$option" >/dev/null 2>err.txt || true
        ! grep -q "has no option" err.txt || fail "$sub does not take $option, which its help lists"
    done <help.txt
done

# The old form: one line with the new command, exit 2, nothing written; the new command runs.
rc=0
"$RENDER" --seed 3 --frames 2 --quiet -o old.png 2>err.txt || rc=$?
[ "$rc" = 2 ] && [ "$(wc -l <err.txt)" = 1 ] && [ ! -e old.png ] || fail "the old form: $(cat err.txt)"
new="$(sed -n 's/.*subcommand now: morvane-render //p' err.txt)"
[ "$new" = "render --seed 3 --frames 2 --quiet -o old.png" ] || fail "the old form was named $new"
# shellcheck disable=SC2086 # the command's words, as the user would paste them
"$RENDER" $new && [ -s old.png ] || fail "the new form of the old command did not render"

# The files the examples name: a settings file or two, a live session's log and image, two kept
# sessions (the older with a restart), and earlier renders in two folders.
printf 'runs / frame = 400\nnum sprouts = 6\n' >my.cfg
cp my.cfg sparse.cfg
printf 'width = 1024\nheight = 1024\n' >big.cfg
mkdir -p build "$XDG_STATE_HOME/morvane/sessions" part1 part2
ln -s "$RENDER" build/morvane-render
{
    echo "2026-12-01 10:00:00 journal start seed=5 size=512x512"
    echo "2026-12-01 10:00:05 journal @300 save ok \"morvane.png\""
    echo "2026-12-01 10:00:10 journal @600 save ok \"morvane.png\""
    echo "2026-12-01 10:00:16 journal @950 end"
} >build/morvane.log
cp build/morvane.log morvane.log
cp build/morvane.log "$XDG_STATE_HOME/morvane/sessions/20261202-100000-seed5.journal"
sed '2a 2026-12-01 10:00:07 journal @400 restart' build/morvane.log \
    >"$XDG_STATE_HOME/morvane/sessions/20261201-100000-seed5.journal"
"$RENDER" replay build/morvane.log --quiet -o build/morvane.png || fail "the fixture image"
for s in 1 2; do
    "$RENDER" render --seed "$s" --frames 10 --quiet -o "part$s/seed-$s.png" || fail "a fixture"
done

# Each example: the README's commands that start a line in a code block (joined where a line
# ends in a backslash, without their comments), then the man page's.
examples() {
    awk '/^```/ { block = !block; next }
         block && /^build\/morvane-render / || joined {
             line = joined $0; joined = ""
             if (line ~ /\\$/) { joined = substr(line, 1, length(line) - 1); next }
             sub(/  +# .*/, "", line); print line }' "$SOURCE/README.md"
    MANWIDTH=200 man -l "$PAGE" 2>/dev/null |
        awk '/^ +For example:$/ { on = 1; next }
             on && /^      +morvane-render / { sub(/^ +/, ""); sub(/ +$/, ""); print; next }
             on && NF { on = 0 }'
}
examples >examples.txt
[ "$(grep -c '^build/' examples.txt)" -ge 20 ] || fail "few README examples: $(cat examples.txt)"
[ "$(grep -c '^morvane-render' examples.txt)" -ge 8 ] || fail "few man examples"
while read -r example; do
    PATH="$(dirname "$RENDER"):$PATH" bash -c "$example" >/dev/null 2>err.txt ||
        fail "the example failed: $example: $(tail -n 3 err.txt)"
done <examples.txt
echo "ok: $(wc -l <examples.txt) examples"
