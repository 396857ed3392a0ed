#!/usr/bin/env bash
# Builds the project-file reader fuzzer with clang and runs it for a bounded
# time. Usage: fuzz/run.sh [seconds] (default 600). Findings land in
# build-fuzz/fuzz-findings, the growing corpus in build-fuzz/fuzz-corpus.
set -euo pipefail
SECONDS_TO_RUN="${1:-600}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-fuzz}"

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
cmake --build "$BUILD" -j2 --target project_reader_fuzz

mkdir -p "$BUILD/fuzz-corpus" "$BUILD/fuzz-findings"
cp -n "$ROOT"/fuzz/corpus/* "$BUILD/fuzz-corpus/" 2>/dev/null || true
"$BUILD/bin/project_reader_fuzz" "$BUILD/fuzz-corpus" \
  -max_total_time="$SECONDS_TO_RUN" -max_len=8192 -rss_limit_mb=2048 -timeout=10 \
  -artifact_prefix="$BUILD/fuzz-findings/" -print_final_stats=1

# The places and buildings readers: each built and run for the same time on
# its own corpus (fuzz/corpus/<reader>/), findings named after it.
for target in places_fuzz buildings_fuzz; do
  name="${target%_fuzz}"
  cmake --build "$BUILD" -j2 --target "$target"
  mkdir -p "$BUILD/fuzz-corpus-$name"
  cp -n "$ROOT/fuzz/corpus/$name"/* "$BUILD/fuzz-corpus-$name/" 2>/dev/null || true
  "$BUILD/bin/$target" "$BUILD/fuzz-corpus-$name" \
    -max_total_time="$SECONDS_TO_RUN" -max_len=8192 -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$BUILD/fuzz-findings/$name-" -print_final_stats=1
done
