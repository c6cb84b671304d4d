#!/usr/bin/env bash
# Fuzzes the readers of outside input with libFuzzer:
#
#   tools/fuzz.sh TARGET SECONDS     one target: registry_fuzz, template_fuzz, wrar_fuzz, alias_fuzz
#   tools/fuzz.sh all SECONDS        every target, two at a time
#
# The targets come from a small clang build of just the reader sources (tests/fuzz, in
# $VELNOR_FUZZ_BUILD_DIR or build-fuzz) with AddressSanitizer and UndefinedBehaviorSanitizer.
# Their seed corpus is made by our own tools from the main build ($VELNOR_BUILD_DIR or build):
# the registry file and order template the provisioning writes (the registry file also with
# the other header form, without one and in UTF-16), its alias file, and archives wrar packs of
# them. What a run finds stays in the corpus of the fuzz build for the next run.
#
# Fails on any crash, leak, hang (an input taking more than 10 s), memory use over 2 GB or
# sanitizer report; the input is kept in <fuzz build>/findings/TARGET/ and the report in
# <fuzz build>/logs/TARGET.log. Prints each target's figures from libFuzzer's final statistics.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VELNOR_BUILD_DIR:-$ROOT/build}"
FUZZ_BUILD="${VELNOR_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
TARGETS=(registry_fuzz template_fuzz wrar_fuzz alias_fuzz)

usage() { echo "usage: tools/fuzz.sh TARGET|all SECONDS   (targets: ${TARGETS[*]})" >&2; exit 2; }
[ $# -eq 2 ] && [[ "$2" =~ ^[0-9]+$ ]] || usage
if [ "$1" = all ]; then
  chosen=("${TARGETS[@]}")
else
  [[ " ${TARGETS[*]} " == *" $1 "* ]] || usage
  chosen=("$1")
fi
SECONDS_EACH="$2"

build_targets() {
  if [ ! -f "$FUZZ_BUILD/CMakeCache.txt" ]; then
    CXX=clang++ cmake -S "$ROOT/tests/fuzz" -B "$FUZZ_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$FUZZ_BUILD" -j2 --target "${chosen[@]}" >/dev/null
  cmake --build "$BUILD" -j2 --target velprovision wrar >/dev/null
}

# The seeds, made afresh by the provisioning tool and the archiver.
make_seeds() {
  local seeds="$FUZZ_BUILD/seeds" made
  made="$(mktemp -d /tmp/velnor-fuzz-seeds-XXXXXX)"
  rm -rf "$seeds"
  mkdir -p "$seeds"/{registry_fuzz,template_fuzz,wrar_fuzz,alias_fuzz}
  "$BUILD/bin/velprovision" --dir "$made" --rows 5 >/dev/null
  cp "$made/registry.reg" "$seeds/registry_fuzz/utf8.reg"
  sed '1s/.*/REGEDIT4/' "$made/registry.reg" > "$seeds/registry_fuzz/regedit4.reg"
  sed '1d' "$made/registry.reg" > "$seeds/registry_fuzz/no-header.reg"
  { printf '\xff\xfe'; sed 's/$/\r/' "$made/registry.reg" | iconv -f UTF-8 -t UTF-16LE; } > "$seeds/registry_fuzz/utf16.reg"
  cp "$made/order-template.xlsx" "$seeds/template_fuzz/"
  /usr/bin/python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("xl/worksheets/sheet1.xml"))' \
      "$made/order-template.xlsx" > "$seeds/template_fuzz/sheet1.xml"
  cp "$made/aliases.ini" "$seeds/alias_fuzz/"
  mkdir "$made/files"
  cp "$made/registry.reg" "$made/aliases.ini" "$made/order-template.xlsx" "$made/files/"
  for archive in seed.zip seed.tar seed.tar.gz seed.7z seed.cpio; do
    "$BUILD/bin/wrar" a -ep1 -- "$seeds/wrar_fuzz/$archive" "$made/files/*.*"
  done
  rm -rf "$made"
}

# Runs one target; prints its figures; false after a finding.
run_target() {
  local target="$1" corpus="$FUZZ_BUILD/corpus/$1" findings="$FUZZ_BUILD/findings/$1" log="$FUZZ_BUILD/logs/$1.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  local status=0
  "$FUZZ_BUILD/$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$corpus" "$FUZZ_BUILD/seeds/$target" >"$log" 2>&1 || status=$?
  local last runs speed
  last="$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' "$log" | tail -1 || true)"
  runs="$(grep -oE 'stat::number_of_executed_units:[[:space:]]+[0-9]+' "$log" | grep -oE '[0-9]+$' || echo '?')"
  speed="$(grep -oE 'stat::average_exec_per_sec:[[:space:]]+[0-9]+' "$log" | grep -oE '[0-9]+$' || echo '?')"
  echo "$target: $runs runs, $speed exec/s, ${last:-no coverage line} (cov: edges covered, corp: inputs/bytes)"
  if [ "$status" -ne 0 ]; then
    echo "$target FAILED (exit $status): see $log; input in $findings" >&2
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -20 >&2 || true
    return 1
  fi
}

build_targets
make_seeds
failed=0
pids=()
for target in "${chosen[@]}"; do
  run_target "$target" & pids+=($!)
  if [ ${#pids[@]} -eq 2 ]; then
    for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
    pids=()
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit "$failed"
