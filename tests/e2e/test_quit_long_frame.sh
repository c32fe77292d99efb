#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A settings file that makes one frame last for days ("runs / frame" 2147483647) must not make
# the program deaf: SIGTERM and SIGHUP end it within a few seconds with 0, the journal notes the
# frame that was cut short, and the session still replays to its end.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
start_x
printf 'runs / frame = 2147483647\n' >"$RUN/defaults.cfg"

for signal in TERM HUP; do
    start_app
    # The first frame starts once start-up has loaded the package; it never ends by itself.
    wait_until 10 logged "resource package"
    kill -"$signal" "$APP_PID"
    expect_exit 5 0 "SIG$signal did not end a long frame within 5 s"
    grep -Eq "journal @0 cut [0-9]+$" "$RUN/morvane.log" || fail "no cut line after SIG$signal"
    "$RENDER" replay "$RUN/morvane.log" --end --quiet -o "$WORK/end-$signal.png" ||
        fail "the cut session does not replay to its end"
done
echo "ok"
