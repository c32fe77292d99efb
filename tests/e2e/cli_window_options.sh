#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# morvane --help and --version print to stdout and exit 0; an unknown option is one line on
# stderr and exit 2. None of them opens a window (no display is set) or touches morvane.log. With
# no display, the window program's start fails with its own line alone.
source "$(dirname "$0")/lib.sh"

echo "the log of an earlier session" >"$RUN/morvane.log"
run_option() {
    set +e
    (cd "$RUN" && env -u DISPLAY -u WAYLAND_DISPLAY "$MORVANE" "$@" >"$WORK/out" 2>"$WORK/err")
    code=$?
    set -e
}

run_option --help
[ "$code" = 0 ] || fail "--help exited with $code: $(cat "$WORK/err")"
grep -q "^Usage: morvane" "$WORK/out" || fail "--help printed no usage line"
run_option --version
[ "$code" = 0 ] || fail "--version exited with $code"
grep -qx "morvane [0-9][0-9.]*" "$WORK/out" || fail "--version printed '$(cat "$WORK/out")'"
run_option --frobnicate
[ "$code" = 2 ] || fail "an unknown option exited with $code"
[ "$(wc -l <"$WORK/err")" = 1 ] && grep -q -- "--frobnicate" "$WORK/err" ||
    fail "an unknown option did not give one line naming it: $(cat "$WORK/err")"
[ ! -s "$WORK/out" ] || fail "an unknown option printed to stdout"
[ "$(cat "$RUN/morvane.log")" = "the log of an earlier session" ] || fail "morvane.log was touched"

# Started with no display at all: morvane's own line is the only one on stderr.
code=0
(cd "$RUN" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR SDL_AUDIODRIVER=dummy     "$MORVANE" >"$WORK/out" 2>"$WORK/err") || code=$?
[ "$code" = 1 ] || fail "a start without a display exited with $code"
[ "$(wc -l <"$WORK/err")" = 1 ] && grep -q "^morvane: cannot open a .*no display" "$WORK/err" ||
    fail "a start without a display did not print morvane's line alone: $(cat "$WORK/err")"
rm "$RUN/morvane.log"
[ ! -e "$RUN/defaults.cfg" ] && [ ! -e "$RUN/morvane.png" ] || fail "an option wrote a file"
echo "ok"
