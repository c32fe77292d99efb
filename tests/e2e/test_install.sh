#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installed tree: staged with DESTDIR, its desktop entry, metainfo and man pages pass their
# validators, the renderer runs from an empty folder, reports the version the metainfo names and
# has drawn the icons, and the Exec line of the desktop entry starts morvane in a fresh home.
source "$(dirname "$0")/lib.sh"
BUILD="$(dirname "$(dirname "$PACKAGE")")"
STAGE="$WORK/stage"
DESTDIR="$STAGE" cmake --install "$BUILD" >"$WORK/install.out" 2>&1 ||
    fail "cmake --install failed: $(tail -n 3 "$WORK/install.out")"
desktop="$(find "$STAGE" -path '*/share/applications/*.desktop' | head -n 1)"
[ -n "$desktop" ] || fail "no desktop entry installed"
share="$(dirname "$(dirname "$desktop")")"
prefix="$(dirname "${share#"$STAGE"}")"

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
metainfo="$(find "$share/metainfo" -name '*.metainfo.xml' | head -n 1)"
appstreamcli validate --no-net "$metainfo" >"$WORK/appstream.out" 2>&1 ||
    fail "appstreamcli rejects the metainfo: $(cat "$WORK/appstream.out")"
for page in morvane morvane-render; do
    file="$share/man/man1/$page.1.gz"
    [ -f "$file" ] || fail "no man page $page(1)"
    warnings="$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >"$WORK/$page.txt")"
    [ -z "$warnings" ] || fail "man warns about $page(1): $warnings"
    grep -q "^SYNOPSIS" "$WORK/$page.txt" || fail "$page(1) renders no SYNOPSIS"
done

mkdir "$WORK/empty"
if [ -x "$(dirname "$MORVANE")/morvane-render" ]; then
    render="$STAGE$prefix/bin/morvane-render"
    [ -x "$render" ] || fail "morvane-render is built but not installed"
    release="$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo")"
    (cd "$WORK/empty" && "$render" --version) | grep -qF "$release" ||
        fail "morvane-render --version does not say $release, the metainfo's release"
    (cd "$WORK/empty" && "$render" render --seed 1 --frames 30 --quiet -o x.png) ||
        fail "the installed morvane-render failed in an empty folder"
    [ "$(pngcheck lit "$WORK/empty/x.png" 0 0 512 512 1)" -gt 0 ] || fail "rendered nothing"
    for size in 48 128 256; do
        icon="$share/icons/hicolor/${size}x$size/apps/morvane.png"
        [ "$(pngcheck size "$icon")" = "$size $size" ] || fail "no $size px icon"
        [ "$(pngcheck lit "$icon" 0 0 "$size" "$size" 0)" -gt 0 ] || fail "the $size px icon is black"
    done
fi

# Starts the Exec line's program from the stage, as the menu would, and waits for the log in
# the folder $1 it should run in.
launch_in() {
    RUN="$HOME"
    start_app
    RUN="$1"
    for _ in $(seq 100); do [ -s "$RUN/morvane.log" ] && break; sleep 0.1; done
    [ -s "$RUN/morvane.log" ] || fail "the launcher did not run morvane in $RUN"
}

export HOME="$WORK/home"
unset XDG_CONFIG_HOME
mkdir "$HOME"
MORVANE="$STAGE$(sed -n 's/^Exec=//p' "$desktop")"
start_x
# A home folder without any XDG set-up.
launch_in "$HOME/Pictures/morvane"
# Away from a build folder the program falls back to the package installed with it. Staged,
# that copy is not where the program looks, so the log can only say that it looked there.
grep "resource package" "$RUN/morvane.log" | grep -qF "$prefix/share/morvane/Data/gfx.dpf" ||
    fail "morvane did not look for its installed package"
key Escape
expect_exit 10 0 "Esc did not end the launched program with 0"

# A pictures folder set up by the desktop, under a name with a blank.
mkdir -p "$HOME/.config"
echo 'XDG_PICTURES_DIR="$HOME/My Pictures"' >"$HOME/.config/user-dirs.dirs"
launch_in "$HOME/My Pictures/morvane"
key Escape
expect_exit 10 0 "Esc did not end the program launched in the XDG pictures folder"
echo "ok"
