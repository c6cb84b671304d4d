#!/usr/bin/env bash
# The test command: installs what is needed, builds, starts a throwaway PostgreSQL server,
# runs every test on SQLite and on PostgreSQL, and stops the server again.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VELNOR_BUILD_DIR:-$ROOT/build}"

"$ROOT/tools/install-deps.sh"
"$ROOT/tools/build.sh" "$BUILD"

PGDIR="$(mktemp -d /tmp/velnor-pg-XXXXXX)"
trap '"$ROOT/tools/pg-server.sh" stop "$PGDIR"' EXIT
eval "$("$ROOT/tools/pg-server.sh" start "$PGDIR")"

export XDG_RUNTIME_DIR="$(mktemp -d /tmp/velnor-xdg-XXXXXX)"
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"
