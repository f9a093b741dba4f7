#!/usr/bin/env bash
# Builds with warnings as errors and runs every test: a GCC RelWithDebInfo
# build (with the benchmarks) and a clang++ AddressSanitizer +
# UndefinedBehaviorSanitizer build run every test; a GCC Release build of the
# program shows that the user's configuration builds; the fuzz harnesses run
# about 30 seconds each.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
qel_install_deps

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen

configure() {
  local dir=$1
  shift
  echo "==== $dir: $*"
  cmake -S . -B "$dir" -G Ninja -DQEL_WERROR=ON "$@"
}

# build_and_test DIR [cmake options...]
build_and_test() {
  configure "$@"
  cmake --build "$1" -j "$JOBS"
  (cd "$1" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$JOBS")
}

build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
build_and_test build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQEL_SANITIZE=ON \
  -DQEL_BENCH=OFF
configure build-release -DCMAKE_BUILD_TYPE=Release -DQEL_BENCH=OFF -DQEL_WORKBENCH=ON
cmake --build build-release -j "$JOBS" --target QEL

# The fuzz harnesses (clang, AddressSanitizer and UndefinedBehaviorSanitizer),
# about 30 seconds each; tools/fuzz.sh SECONDS runs them longer.
bash tools/fuzz.sh 30
