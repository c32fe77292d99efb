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

# Starts Xvfb on a free display, large enough for a 4096 x 4168 window unless $XVFB_SCREEN
# (WxHxDEPTH) says otherwise.
start_x() {
    local n screen="${XVFB_SCREEN:-4200x4300x24}"
    for n in $(seq 91 160); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -noreset -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 100); do
            xdotool getmouselocation >/dev/null 2>&1 && return 0
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
    done
    fail "no X server could be started"
}

# Starts the program in $RUN and waits for its window; sets APP_PID and WID.
start_app() {
    (cd "$RUN" && SDL_AUDIODRIVER=dummy exec "$MORVANE" >"$WORK/app.out" 2>&1) &
    APP_PID=$!
    for _ in $(seq 600); do
        WID="$(xdotool search --onlyvisible --name '^morvane' 2>/dev/null | head -n 1 || true)"
        [ -n "$WID" ] && break
        kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window opened"
        sleep 0.1
    done
    [ -n "$WID" ] || fail "no window appeared"
    # Keyboard input goes to the window under the pointer (no window manager here).
    xdotool mousemove --window "$WID" 2 2
    sleep 0.5
}

# Prints "W H" of the program's window.
window_size() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    echo "$WIDTH $HEIGHT"
}

shot() { import -window "$WID" "$WORK/$1.png" && echo "$WORK/$1.png"; }

key() {
    xdotool mousemove --window "$WID" 2 2
    xdotool key "$@"
    sleep 0.3
}

# Clicks (or holds for $3 seconds) the left mouse button at window position ($1, $2).
click() {
    xdotool mousemove --window "$WID" "$1" "$2"
    sleep 0.05
    xdotool mousedown 1
    sleep "${3:-0.1}"
    xdotool mouseup 1
    sleep 0.2
}

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
    for _ in $(seq 50); do [ -s "$RUN/defaults.cfg" ] && break; sleep 0.1; done
    [ -s "$RUN/defaults.cfg" ] || fail "D then Y wrote no defaults.cfg"
    sed -n "s|^$1 *= ||p" "$RUN/defaults.cfg"
}

pngcheck() { "$PNGCHECK" "$@"; }
