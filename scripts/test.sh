#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: every test in the release build
# (warnings are errors), the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the tests with streaming threads under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)

./scripts/build.sh release -DZV_WERROR=ON
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600)

./scripts/build.sh asan -DZV_WERROR=ON -DZV_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs" -L "unit|threads" --timeout 600)
# The tests with streaming threads again under ThreadSanitizer.
./scripts/build.sh tsan -DZV_WERROR=ON -DZV_BUILD_BENCH=OFF
(cd build-tsan && ctest --output-on-failure -j "$jobs" -L threads --timeout 600)
echo "test.sh: all tests passed"
