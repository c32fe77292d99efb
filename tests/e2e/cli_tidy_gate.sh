#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The clang-tidy gate of the test command: it checks every product source the build compiles
# (those of render/'s rooms too), and a finding planted in a product folder makes it fail with
# the file named.
source "$(dirname "$0")/lib.sh"
SOURCE="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD="$(cd "$(dirname "$MORVANE")" && pwd)"
command -v clang-tidy >/dev/null || { echo "SKIP: clang-tidy is not installed (scripts/install-deps)"; exit 0; }

# Every .cpp of the build outside tests/, bench/ and the build folders is the product.
sed -n 's/^ *"file": "\(.*\)",*$/\1/p' "$BUILD/compile_commands.json" | sort -u |
    grep "^$SOURCE/" | grep -Ev "^$SOURCE/(tests|bench|build[^/]*)/" >"$WORK/product.txt" || true
grep -q "^$SOURCE/render/session/" "$WORK/product.txt" || fail "no render/session source in the build"
"$SOURCE/scripts/tidy" --list "$BUILD" | sort >"$WORK/gate.txt" || fail "scripts/tidy --list failed"
missing="$(comm -23 "$WORK/product.txt" "$WORK/gate.txt")"
[ -z "$missing" ] || fail "the gate leaves out: $missing"

# A copy of the gate in a scratch tree holding one product file with a finding.
tree="$WORK/tree"
mkdir -p "$tree/scripts" "$tree/render/session" "$tree/build"
cp "$SOURCE/scripts/tidy" "$tree/scripts/"
cp "$SOURCE/.clang-tidy" "$tree/"
printf '#include <vector>\nbool Empty(const std::vector<int>& v) { return v.size() == 0; }\n' \
    >"$tree/render/session/planted.cpp"
cat >"$tree/build/compile_commands.json" <<END
[
{
  "directory": "$tree/build",
  "command": "c++ -std=c++20 -c $tree/render/session/planted.cpp",
  "file": "$tree/render/session/planted.cpp"
}
]
END
rc=0
"$tree/scripts/tidy" "$tree/build" >"$WORK/tidy.out" 2>&1 || rc=$?
[ "$rc" = 1 ] || fail "the gate ended with $rc on a planted finding: $(cat "$WORK/tidy.out")"
grep -q "^render/session/planted.cpp:2:.*readability-container-size-empty" "$WORK/tidy.out" ||
    fail "the gate did not name the planted finding: $(cat "$WORK/tidy.out")"
echo "ok"
