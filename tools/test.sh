#!/usr/bin/env bash
# Builds everything and runs every test twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
qel_install_deps

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$JOBS"
(cd build && ctest --output-on-failure -j "$JOBS")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_SANITIZE=ON -DQEL_BENCH=OFF
cmake --build build-asan -j "$JOBS"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$JOBS")

# The fuzz harnesses (clang, AddressSanitizer and UndefinedBehaviorSanitizer),
# about 30 seconds each; tools/fuzz.sh SECONDS runs them longer.
bash tools/fuzz.sh 30
