#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test in four
# builds: GCC RelWithDebInfo (with the benchmarks), GCC with AddressSanitizer
# + UndefinedBehaviorSanitizer, GCC Release, and clang++ Debug.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
qel_install_deps

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen

# build_and_test DIR [cmake options...]
build_and_test() {
  local dir=$1
  shift
  echo "==== $dir: $*"
  cmake -S . -B "$dir" -G Ninja -DQEL_WERROR=ON "$@"
  cmake --build "$dir" -j "$JOBS"
  (cd "$dir" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$JOBS")
}

build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
build_and_test build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_SANITIZE=ON -DQEL_BENCH=OFF
build_and_test build-release -DCMAKE_BUILD_TYPE=Release -DQEL_BENCH=OFF
build_and_test build-clang -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DQEL_BENCH=OFF
