#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each for the given number of seconds (default 300) from its seed corpus.
# Usage: scripts/fuzz.sh [seconds] [target...]   (targets: the folders of fuzz/corpus)
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-300}
shift || true
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DZV_BUILD_FUZZ=ON -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCH=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(ls fuzz/corpus))
fi
for t in "${targets[@]}"; do
  cmake --build build-fuzz --target "zv_fuzz_$t"
done
failed=()
for t in "${targets[@]}"; do
  work="build-fuzz/corpus/$t"
  mkdir -p "$work" build-fuzz/artifacts
  echo "== fuzzing $t for ${secs}s"
  # A target that finds a fault does not stop the others; the script fails at the end.
  if ! ./build-fuzz/fuzz/zv_fuzz_$t -artifact_prefix=build-fuzz/artifacts/ -max_total_time="$secs" -max_len=262144 \
    -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 "$work" "fuzz/corpus/$t" >"build-fuzz/fuzz-$t.log" 2>&1; then
    failed+=("$t")
  fi
  tail -15 "build-fuzz/fuzz-$t.log"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: faults found by: ${failed[*]} (inputs in build-fuzz/artifacts/)" >&2
  exit 1
fi
