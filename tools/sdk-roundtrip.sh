#!/usr/bin/env bash
# The plug-in SDK, as an outside author uses it: installs the built tree (default build/)
# into a temporary prefix, builds the example package of examples/hello and its test against
# that installation out of the source tree, runs the test (the test kit, on SQLite, and on
# PostgreSQL too when VELNOR_TEST_PG names a server), installs the package into the installed
# program's package folder, provisions a demo whose users load it, with the example's schema
# (--sql), and runs the installed program headless on it: the example's menu must be in the
# menu bar of the session. Then builds the Debian package and checks that it holds the
# program, the SDK and the desktop entry.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
WORK="$(mktemp -d /tmp/velnor-sdk-XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
PREFIX="$WORK/prefix"

fail() {
  echo "sdk-roundtrip: $*" >&2
  exit 1
}

cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
cmake -S "$ROOT/examples/hello" -B "$WORK/hello" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH="$PREFIX" >/dev/null
cmake --build "$WORK/hello"
ctest --test-dir "$WORK/hello" --output-on-failure || fail "the example's test failed against the installed test kit"
cmake --install "$WORK/hello" >/dev/null
[ -f "$PREFIX/lib/velnor07/packages/hello.bpl" ] || fail "hello.bpl was not installed into the program's package folder"

eval "$("$PREFIX/bin/velprovision" --dir "$WORK/demo" --rows 50 --package hello.bpl --sql "$ROOT/examples/hello/hello.sql")"
export XDG_STATE_HOME="$WORK/state"
VELNOR_MENU_REPORT="$WORK/menus.txt" QT_QPA_PLATFORM=offscreen timeout 120 "$PREFIX/bin/velnor07" \
  || fail "the installed velnor07 did not end normally"
[ -f "$WORK/menus.txt" ] || fail "the installed velnor07 reported no menu: the session did not start"
if ! grep -qx 'Пример' "$WORK/menus.txt" || ! grep -qx '  Поздороваться' "$WORK/menus.txt"; then
  cat "$WORK/menus.txt" >&2
  fail "the menu of the example package is missing"
fi
echo "sdk-roundtrip: the example package built against the installed SDK shows its menu:"
grep -A1 -x 'Пример' "$WORK/menus.txt"

(cd "$WORK" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/deb" >/dev/null)
DEB="$(ls "$WORK"/deb/velnor07_*.deb)"
CONTENTS="$(dpkg-deb -c "$DEB")"
for file in ./usr/lib/velnor07/velnor07 ./usr/bin/velnor07 ./usr/lib/velnor07/libvelkit07.so \
            ./usr/lib/velnor07/packages/demo_core.bpl ./usr/include/velnor07/Env.h \
            ./usr/include/velnor07/TestKit.h ./usr/lib/velnor07/libveltestkit.so \
            ./usr/lib/cmake/Velkit07/Velkit07Config.cmake ./usr/share/applications/velnor07.desktop; do
  grep -q " $file" <<<"$CONTENTS" || fail "$(basename "$DEB") lacks $file"
done
echo "sdk-roundtrip: $(basename "$DEB") holds the program, the SDK and the desktop entry"
