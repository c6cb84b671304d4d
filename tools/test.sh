#!/usr/bin/env bash
# The test command: installs what is needed, builds, starts a throwaway PostgreSQL server,
# runs every test on SQLite and on PostgreSQL, the installed SDK round trip, then the thread and message tests again in a
# second build under the race detector, the package tests under the address sanitizer,
# fuzzes the readers of outside input, and stops the server.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VELNOR_BUILD_DIR:-$ROOT/build}"

"$ROOT/tools/install-deps.sh"
"$ROOT/tools/build.sh" "$BUILD"
# The platform layer's folders include each other one way only.
"$ROOT/tools/platform-layers.sh"

PGDIR="$(mktemp -d /tmp/velnor-pg-XXXXXX)"
trap '"$ROOT/tools/pg-server.sh" stop "$PGDIR"' EXIT
eval "$("$ROOT/tools/pg-server.sh" start "$PGDIR")"

export XDG_RUNTIME_DIR="$(mktemp -d /tmp/velnor-xdg-XXXXXX)"
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"

# Every benchmark program once, small and quick: a change that breaks one fails here (the
# figures are not judged; speed is measured by running them in full).
"$ROOT/tools/bench-quick.sh" "$BUILD"

# The plug-in SDK: install, build the example package outside the tree against the
# installation, load it in the installed program; then the Debian package.
"$ROOT/tools/sdk-roundtrip.sh" "$BUILD"

# The threads again under the race detector: only the test programs that run worker threads
# are built, and only their thread and message tests run. A race reported in our code ends
# the test program with an error, and so this command.
TSAN_BUILD="${VELNOR_TSAN_BUILD_DIR:-$ROOT/build-tsan}"
cmake -S "$ROOT" -B "$TSAN_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELNOR_TSAN=ON -DVELNOR_BENCH=OFF >/dev/null
cmake --build "$TSAN_BUILD" -j"$(nproc)" --target platform_tests framework_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir "$TSAN_BUILD" --output-on-failure -R '^(Thread|MessageManager)'

# --- AddressSanitizer: run-time packages, the navigator and the whole program --------------
# Packages are mapped and unmapped while the program runs, and the navigator frees nodes and
# forms while messages run. A second build with AddressSanitizer runs the package and loader
# tests, the navigator's tests and the whole program on the demo (focus, save questions,
# disconnect, connect, exit) with leak checking, so that a use of anything freed or unloaded,
# or anything left behind, fails the test command. Only those test programs, the test packages
# and the sample packages are built there.
ASAN_BUILD="${VELNOR_ASAN_BUILD_DIR:-$ROOT/build-asan}"
cmake -S "$ROOT" -B "$ASAN_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELNOR_ASAN=ON -DVELNOR_BENCH=OFF >/dev/null
cmake --build "$ASAN_BUILD" -j"$(nproc)" --target platform_tests framework_tests plugins_tests shell_tests demo_core demo_sales
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:exitcode=86
export QT_QPA_PLATFORM=offscreen
"$ASAN_BUILD/bin/platform_tests" --gtest_filter='Packages*:Forms.*'
"$ASAN_BUILD/bin/framework_tests" --gtest_filter='*ModuleManager*:PackageRegistrations*:*NavigatorTest*:*ActivationTest*:*FindTest*:*StopTest*'
"$ASAN_BUILD/bin/plugins_tests" --gtest_filter='PackageLoadTest.*'
"$ASAN_BUILD/bin/shell_tests" --gtest_filter='*DemoProgram*'
unset ASAN_OPTIONS
# --- end of AddressSanitizer ----------------------------------------------------------------

# --- Fuzzing: the readers of outside input -------------------------------------------------
# Each reader of files that come from outside (registry file, spreadsheet template, archive
# extraction, alias file) runs under libFuzzer for 60 seconds, two at a time, in a small clang
# build of just those sources (build-fuzz/). A crash, leak, hang, out-of-memory or sanitizer
# report fails the command; the input is kept under build-fuzz/findings/.
VELNOR_BUILD_DIR="$BUILD" "$ROOT/tools/fuzz.sh" all 60
# --- end of fuzzing --------------------------------------------------------------------------
