#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The save-defaults question and the keys, with the panel shown and hidden: D shows the question
# face, N and Esc close it without writing, Y writes defaults.cfg, Esc quits only when no
# question is open.
source "$(dirname "$0")/lib.sh"
start_x
start_app

# The faces, told apart by the white separator at x = 153 that only the settings face has.
question_face() { [ "$(pngcheck column "$(shot face)" 153 0 71)" = 0 ]; }
settings_face() { [ "$(pngcheck column "$(shot face)" 153 0 71)" -ge 60 ]; }

wait_until 10 settings_face
key d
wait_until 10 question_face
q="$(shot question)"
[ "$(pngcheck column "$q" 153 0 71)" = 0 ] || fail "the separators show while the question is open"
[ "$(pngcheck lit "$q" 0 0 200 20 100)" -gt 20 ] || fail "no question text at the top left"
[ "$(pngcheck lit "$q" 200 0 312 72 0)" = 0 ] || fail "the question face shows more than the text"
key n
wait_until 10 settings_face
[ ! -e "$RUN/defaults.cfg" ] || fail "N wrote defaults.cfg"

key d
wait_until 10 question_face
key Escape
wait_until 10 settings_face
kill -0 "$APP_PID" || fail "Esc with the question open ended the program"
[ ! -e "$RUN/defaults.cfg" ] || fail "Esc wrote defaults.cfg"
key d
key y
wait_until 10 written "$RUN/defaults.cfg"
grep -q '^num sprouts   = 3$' "$RUN/defaults.cfg" || fail "defaults.cfg lacks the built-in values"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"

# With the panel hidden the window is the canvas alone, and the keys work the same.
printf 'GUI active = false\n' >"$RUN/defaults.cfg"
start_app
[ "$(window_size)" = "512 512" ] || fail "the hidden panel still takes space"
rm -f "$RUN/defaults.cfg"
# Had the first Esc quit instead of closing the hidden question, nothing would be written.
key d
key Escape
key d
key y
wait_until 10 written "$RUN/defaults.cfg"
kill -0 "$APP_PID" || fail "Esc closing the hidden question ended the program"
grep -q '^GUI active = false$' "$RUN/defaults.cfg" || fail "D then Y without the panel did not save"
key Escape
expect_exit 10 0 "Esc did not end the program with 0"
echo "ok"
