#!/usr/bin/env bash
# Runs a command on a display of its own (Xvfb) with no window manager at all:
# no frames, nobody to move, raise or focus a window but the program itself.
# Exits 77 (skipped) when Xvfb is not installed.
set -euo pipefail
command -v Xvfb >/dev/null || exit 77
. "$(dirname "$0")/display-lib.sh"
qel_start_display
QT_QPA_PLATFORM=xcb "$@"
