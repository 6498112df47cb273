#!/usr/bin/env bash
# Installs what is missing, builds Kestrix and runs every test:
#  1. the whole suite in a normal build,
#  2. the core tests again under AddressSanitizer + UndefinedBehaviorSanitizer,
#  3. the link tests under ThreadSanitizer,
#  4. the frame cutters under libFuzzer (clang) for a bounded time.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== normal build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS"
ctest --test-dir build --output-on-failure --timeout 300

echo "== AddressSanitizer + UndefinedBehaviorSanitizer (core) =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTRIX_SANITIZE=address -DKESTRIX_CORE_ONLY=ON >/dev/null
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan -L core --output-on-failure --timeout 600

echo "== ThreadSanitizer (link engine, network and serial links, link manager) =="
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DKESTRIX_SANITIZE=thread -DKESTRIX_CORE_ONLY=ON >/dev/null
cmake --build build-tsan -j"$JOBS"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan -L "engine|netlink|portmgr|serial" --output-on-failure --timeout 600

echo "== libFuzzer: frame cutters (60 s) =="
CXX=clang++ cmake -S tests/fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$JOBS"
rm -rf build-fuzz/corpus build-fuzz/artifacts
mkdir -p build-fuzz/corpus build-fuzz/artifacts
if ! ./build-fuzz/fuzz_cutters -max_total_time=60 -timeout=10 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/ build-fuzz/corpus tests/fuzz/corpus >build-fuzz/fuzz.log 2>&1; then
  tail -80 build-fuzz/fuzz.log
  echo "fuzzing found a fault; the input is in build-fuzz/artifacts/"
  exit 1
fi
grep -E "^Done|stat::number_of_executed_units" build-fuzz/fuzz.log
