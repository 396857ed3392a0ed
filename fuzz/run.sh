#!/usr/bin/env bash
# Builds the readers' fuzzers with clang and runs each for a bounded time, one
# after the other on one core (the machine is shared).
# Usage: fuzz/run.sh [seconds] [fuzzer...] (default 600 seconds, every fuzzer).
# Each fuzzer's findings land in build-fuzz/fuzz-findings-NAME, its growing
# corpus in build-fuzz/fuzz-corpus-NAME, its log in build-fuzz/fuzz-NAME.log.
set -euo pipefail
SECONDS_TO_RUN="${1:-600}"
shift || true
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-fuzz}"

# name, seed folder under fuzz/corpus (empty: its top-level files), -max_len
FUZZERS=(
  "project_reader_fuzz|.|8192"
  "manifest_fuzz|manifest|16384"
  "pattern_fuzz|pattern|16384"
  "places_fuzz|places|8192"
  "buildings_fuzz|buildings|8192"
  "measurements_fuzz|measurements|8192"
  "rules_fuzz|rules|16384"
)

need=()
command -v clang++ >/dev/null 2>&1 || need+=(clang)
if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  need+=(libclang-rt-14-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "installing ${need[*]}"
  apt-get update -qq && apt-get install -y -qq "${need[@]}"
fi

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DBRENVIK_FUZZ=ON -DBRENVIK_BUILD_APP=OFF \
  -DBRENVIK_BUILD_TESTS=OFF -DBRENVIK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

status=0
for row in "${FUZZERS[@]}"; do
  IFS='|' read -r name seeds maxlen <<<"$row"
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  cmake --build "$BUILD" -j2 --target "$name"
  mkdir -p "$BUILD/fuzz-corpus-$name" "$BUILD/fuzz-findings-$name"
  find "$ROOT/fuzz/corpus/$seeds" -maxdepth 1 -type f -exec cp -n {} "$BUILD/fuzz-corpus-$name/" \;
  (cd "$BUILD" && "bin/$name" "fuzz-corpus-$name" \
    -max_total_time="$SECONDS_TO_RUN" -max_len="$maxlen" -rss_limit_mb=2048 -timeout=10 \
    -jobs=1 -workers=1 -artifact_prefix="fuzz-findings-$name/" -print_final_stats=1) || status=$?
  # With -jobs the run's own log is fuzz-0.log; keep it under the fuzzer's name.
  mv -f "$BUILD/fuzz-0.log" "$BUILD/fuzz-$name.log" 2>/dev/null || true
  echo "== $name"; tail -n 12 "$BUILD/fuzz-$name.log" || true
done
exit "$status"
