#!/usr/bin/env bash
# Builds the workbench and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
qel_install_deps
# The test script builds here with warnings as errors; a user's build takes
# them as warnings.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_WERROR=OFF
cmake --build build -j "$(nproc)" --target QEL
cd data
exec ../build/workbench/QEL
