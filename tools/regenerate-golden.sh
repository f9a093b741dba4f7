#!/usr/bin/env bash
# Writes the expected traces of the golden runs (tests/golden/*.trace) from
# the code as it stands. Run it only when a change of the search's decisions
# is intended, and say in the commit message why they changed.
#   tools/regenerate-golden.sh                 every run
#   tools/regenerate-golden.sh NAME ...        only these runs
#   QEL_EVERY_TRIAL=1 tools/regenerate-golden.sh --into DIR [NAME ...]
#                                              one line per trial move, into DIR,
#                                              to find where two versions part
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
qel_install_deps

into=tests/golden
if [ "${1:-}" = "--into" ]; then
  into=$2
  shift 2
fi
every=()
[ -n "${QEL_EVERY_TRIAL:-}" ] && every=(--every-trial)

cmake -S . -B build-golden -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_WORKBENCH=OFF -DQEL_BENCH=OFF >/dev/null
cmake --build build-golden --target write_traces
build-golden/tests/write_traces "$into" "${every[@]}" "$@"
