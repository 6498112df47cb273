#!/usr/bin/env bash
# Installs what is missing, builds Kestrix and runs every test:
#  1. the whole suite in a normal build,
#  2. the core tests again under AddressSanitizer + UndefinedBehaviorSanitizer,
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
