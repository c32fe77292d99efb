#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# When the library cannot start (here: no such video driver), the program writes the reason to
# morvane.log and ends with 1 before it reads or writes any settings.
source "$(dirname "$0")/lib.sh"
printf 'width = 800\n' >"$RUN/defaults.cfg"
before="$(cat "$RUN/defaults.cfg")"
rc=0
(cd "$RUN" && SDL_VIDEODRIVER=no_such_driver SDL_AUDIODRIVER=dummy "$MORVANE") >/dev/null 2>&1 || rc=$?
[ "$rc" = 1 ] || fail "a failed start ended with $rc, expected 1"
LC_ALL=C grep -q "Couldn.t initialize CRM32Pro: " "$RUN/morvane.log" || fail "morvane.log lacks the start failure"
[ "$(cat "$RUN/defaults.cfg")" = "$before" ] || fail "defaults.cfg changed"
echo "ok"
