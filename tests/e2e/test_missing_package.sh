#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Started in a folder without Data/, the program finds the package beside itself (a build
# folder). Without any Data/gfx.dpf, or with a broken one, the window still opens, the canvas
# still grows, and morvane.log says what was missing.
source "$(dirname "$0")/lib.sh"
start_x

run_without_package() {
    start_app
    wait_until 20 canvas_lit_above 20 40
    key Escape
    expect_exit 10 0 "Esc did not end the program with 0 ($1)"
    grep -qi "gfx.dpf" "$RUN/morvane.log" || fail "morvane.log does not name the package ($1)"
}

rm -rf "$RUN/Data"
mkdir -p "$WORK/bin/Data"
cp "$PACKAGE" "$WORK/bin/Data/gfx.dpf"
cp "$MORVANE" "$WORK/bin/morvane"
MORVANE="$WORK/bin/morvane"
run_without_package beside
grep -qF "resource package: $WORK/bin/Data/gfx.dpf (beside the program)" "$RUN/morvane.log" ||
    fail "the package beside the program was not used"
rm -rf "$WORK/bin/Data"
run_without_package missing
mkdir -p "$RUN/Data"
head -c 3000 /dev/urandom >"$RUN/Data/gfx.dpf"
run_without_package corrupt
echo "ok"
