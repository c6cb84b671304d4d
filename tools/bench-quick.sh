#!/usr/bin/env bash
# Runs every benchmark program once in its quick mode: a hundredth of its rows and the
# shortest timing. It checks that each still runs to its end and prints its figures; the
# figures themselves mean nothing here. The workstations benchmark needs the PostgreSQL server
# the test command hands over in VELNOR_TEST_PG and is passed over without one.
# Usage: tools/bench-quick.sh [build folder]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
LOG="$(mktemp -d /tmp/velnor-bench-XXXXXX)"
trap 'rm -rf "$LOG"' EXIT
export VELNOR_BENCH_QUICK=1
failed=0
for program in "$BUILD"/bin/bench_*; do
  name="$(basename "$program")"
  args=(--benchmark_min_time=0.001)
  if [ "$name" = bench_workstations ]; then
    if [ -z "${VELNOR_TEST_PG:-}" ]; then
      echo "$name: passed over, no PostgreSQL server (VELNOR_TEST_PG)"
      continue
    fi
    args=(--rows 200 --workstations 1,2 --rounds 1)
  fi
  start=$(date +%s)
  if timeout 300 "$program" "${args[@]}" >"$LOG/$name.txt" 2>&1; then
    echo "$name: ran to its end in $(( $(date +%s) - start )) s"
  else
    echo "$name: FAILED (exit status $?)"
    cat "$LOG/$name.txt"
    failed=1
  fi
done
exit "$failed"
