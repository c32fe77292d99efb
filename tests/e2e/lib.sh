# SPDX-License-Identifier: MIT
# Shared steps of the window tests: a private Xvfb, a scratch working folder holding the resource
# package, the real program started in it, and xdotool/import to act and look as a user would.
# A test script sources this file with the arguments CTest passes: program, package, pngcheck.
set -euo pipefail

MORVANE="$1"
PACKAGE="$2"
PNGCHECK="$3"
WORK="$(mktemp -d /tmp/morvane-e2e.XXXXXX)"
RUN="$WORK/run"
mkdir -p "$RUN/Data"
cp "$PACKAGE" "$RUN/Data/gfx.dpf"
# The session history of the programs under test stays in the scratch folder, never the user's.
export XDG_STATE_HOME="$WORK/state"
XVFB_PID=""
APP_PID=""
WID=""

cleanup() {
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    if [ "${KEEP_E2E:-0}" = 1 ]; then echo "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$RUN/morvane.log" ] && { echo "--- morvane.log" >&2; tail -n 20 "$RUN/morvane.log" >&2; }
    exit 1
}

x_ready() { xdotool getmouselocation >/dev/null 2>&1; }

# Starts a private Xvfb (large enough for a 4096 x 4168 window unless $XVFB_SCREEN says otherwise)
# on a display number the server picks itself, so that tests running at once never share one.
start_x() {
    local n=""
    # -noreset: without it the server resets whenever its last client leaves, and a program
    # started at that moment misses the display.
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-4200x4300x24}" -nolisten tcp -noreset \
        3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        n="$(cat "$WORK/display" 2>/dev/null || true)"
        [ -n "$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
        sleep 0.1
    done
    [ -n "$n" ] || fail "Xvfb named no display"
    export DISPLAY=":$n"
    wait_until 10 x_ready
}

# Starts the program in $RUN, with the arguments given, and waits for its window (another than
# $SKIP_WID, a window already open); sets APP_PID and WID.
start_app() {
    (cd "$RUN" && SDL_AUDIODRIVER=dummy exec "$MORVANE" "$@" >"$WORK/app.out" 2>&1) &
    APP_PID=$!
    for _ in $(seq 600); do
        WID="$(xdotool search --onlyvisible --name '^morvane' 2>/dev/null |
            grep -vx "${SKIP_WID:-none}" | head -n 1 || true)"
        [ -n "$WID" ] && break
        kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window opened"
        sleep 0.1
    done
    [ -n "$WID" ] || fail "no window appeared"
    # Keyboard input goes to the window under the pointer (no window manager here); the explicit
    # focus makes the program see its window focused before the first key arrives.
    xdotool mousemove --window "$WID" 2 2
    timeout 10 xdotool windowfocus --sync "$WID" || fail "the window did not take the focus"
}

# Waits up to $1 seconds of wall time for the command that follows to succeed; fails the test
# with the command's text otherwise. The condition is tried every 0.1 s.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    while ((SECONDS < deadline)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@" && return 0
    fail "waited in vain for: $*"
}

# True once the canvas area of a fresh screenshot has more than $1 pixels of grey $2 or more
# (default 1); the area is $CANVAS ("x y w h", default the 512 x 512 canvas below the band).
canvas_lit_above() {
    local img
    img="$(shot canvas-probe)"
    # shellcheck disable=SC2086
    [ "$(pngcheck lit "$img" ${CANVAS:-0 72 512 512} "${2:-0}")" -gt "$1" ]
}

# True once the canvas area of a fresh screenshot is all black.
canvas_black() {
    local img
    img="$(shot canvas-probe)"
    # shellcheck disable=SC2086
    [ "$(pngcheck lit "$img" ${CANVAS:-0 72 512 512})" = 0 ]
}

# True when the canvas area does not change over 0.3 s (the growth has stopped).
canvas_still() {
    local a b
    a="$(shot still-a)"
    sleep 0.3
    b="$(shot still-b)"
    # shellcheck disable=SC2086
    [ "$(pngcheck same "$a" "$b" ${CANVAS:-0 72 512 512})" = 0 ]
}

# True once file $1 exists and is not empty.
written() { [ -s "$1" ]; }

# True once the log holds a line matching the extended regular expression $1.
logged() { grep -Eq "$1" "$RUN/morvane.log" 2>/dev/null; }

# Prints "W H" of the program's window.
window_size() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    echo "$WIDTH $HEIGHT"
}

shot() { import -window "$WID" "$WORK/$1.png" && echo "$WORK/$1.png"; }

key() {
    xdotool mousemove --window "$WID" 2 2
    xdotool key "$@"
}

# Clicks the left mouse button at window position ($1, $2). One xdotool command, so that the
# release follows the press at once however busy the machine is: as three commands, a late
# release under load held the button past the repeat gate.
click() { xdotool mousemove --window "$WID" "$1" "$2" click 1; }

# Holds the left mouse button at window position ($1, $2) for at least $3 seconds, also in one
# command. A busy machine may hold it longer: tests read what the hold did from the journal, in
# the program's own frames, not from the time it lasted.
hold() { xdotool mousemove --window "$WID" "$1" "$2" mousedown 1 sleep "$3" mouseup 1; }

# Waits up to $1 seconds for the program to end and fails unless it ended with code $2. Runs in
# the test's own shell (not a command substitution), which is the program's parent.
expect_exit() {
    local waited=0 rc=0
    while kill -0 "$APP_PID" 2>/dev/null; do
        [ "$waited" -ge "$(($1 * 10))" ] && fail "the program did not end within $1 s ($3)"
        sleep 0.1
        waited=$((waited + 1))
    done
    wait "$APP_PID" || rc=$?
    APP_PID=""
    [ "$rc" = "$2" ] || fail "the program ended with $rc, expected $2 ($3)"
}

# Saves the settings with D then Y and prints the value the file holds for key $1.
setting() {
    rm -f "$RUN/defaults.cfg"
    key d
    key y
    wait_until 10 written "$RUN/defaults.cfg"
    sed -n "s|^$1 *= ||p" "$RUN/defaults.cfg"
}

pngcheck() { "$PNGCHECK" "$@"; }

# Waits up to 10 s for the window's canvas area (reduced by $1 when given) to show morvane.png: a
# save fills the image's holes, and the window shows those pixels a slice a frame after the file is
# written. Returns either way; the caller's own check says what is wrong.
wait_until_window_shows_save() {
    for _ in $(seq 100); do
        [ "$(pngcheck window-matches-save "$(shot saved)" "$RUN/morvane.png" 72 "${1:-1}" \
            2>/dev/null)" = 0 ] && return 0
        sleep 0.1
    done
}

# True once the window shows its first drawn frame: the panel's first label is lit. A screenshot
# taken before then is all black.
panel_drawn() {
    local img
    img="$(shot panel-probe)"
    [ "$(pngcheck lit "$img" 0 0 70 12 100)" -gt 20 ]
}

# Starts headless Chromium with remote debugging in a process group of its own and waits for its
# DevTools port; sets profile and chromium_pid. Its helper processes outlive the browser's main
# process for a moment and still write to the profile, so the exit trap ends the whole group
# before the scratch folder is removed.
start_chromium() {
    profile="$WORK/chromium"
    setsid chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" --remote-debugging-port=0 about:blank >"$WORK/chromium.log" 2>&1 &
    chromium_pid=$!
    trap end_chromium EXIT
    wait_until 60 devtools_ready
}
end_chromium() {
    kill -- -"$chromium_pid" 2>/dev/null || true
    for _ in $(seq 100); do
        pgrep -g "$chromium_pid" >/dev/null || break
        sleep 0.1
    done
    cleanup
}
devtools_ready() { [ -s "$profile/DevToolsActivePort" ]; }

# Replays saves 1 to $1 of the session in $RUN/morvane.log and fails unless each equals the live
# save the test kept as $WORK/live-K.png, sample for sample.
replayed_saves_match() {
    local k
    for k in $(seq "$1"); do
        "$(dirname "$MORVANE")/morvane-render" replay "$RUN/morvane.log" --save "$k" --quiet \
            -o "$WORK/replay-$k.png" || fail "the replay of save $k failed"
        [ "$(pngcheck same "$WORK/live-$k.png" "$WORK/replay-$k.png" 0 0 512 512)" = 0 ] ||
            fail "replayed save $k differs from the live save"
    done
}

# A render with the print options $3...: exit 2, one line on standard error (the command line's
# hint to its --help aside) and no file $2; $1 says what is tried.
refused_print_option() {
    local what="$1" out="$2" rc=0
    shift 2
    rm -f "$out"
    "$(dirname "$MORVANE")/morvane-render" render --seed 1 --frames 1 "$@" -o "$out" >/dev/null \
        2>err.txt || rc=$?
    [ "$rc" = 2 ] || fail "$what: exit $rc, expected 2"
    [ "$(grep -cv "^Try 'morvane-render" err.txt)" = 1 ] ||
        fail "$what: not one line on stderr: $(cat err.txt)"
    [ ! -e "$out" ] || fail "$what: wrote a file"
}
