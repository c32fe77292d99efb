#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The window is sized from the settings file: default 512 x 584, the panel band dropped with
# "GUI active" false, and a width beyond 4096 clamped.
source "$(dirname "$0")/lib.sh"
start_x

expect_size() {
    start_app
    local size
    size="$(window_size)"
    [ "$size" = "$1" ] || fail "window is $size, expected $1 ($2)"
    kill -TERM "$APP_PID"
    expect_exit 10 0 "SIGTERM did not end the program with 0"
}

expect_size "512 584" "no settings file"
printf 'width = 800\nheight = 600\nGUI active = false\n' >"$RUN/defaults.cfg"
expect_size "800 600" "800 x 600 without the panel"
printf 'width = 5000\nheight = 100\n' >"$RUN/defaults.cfg"
expect_size "4096 584" "width 5000 and height 100 clamped"
echo "ok"
