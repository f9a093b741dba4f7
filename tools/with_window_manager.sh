#!/usr/bin/env bash
# Runs a command on a display of its own (Xvfb) under a real window manager
# (openbox), so that windows get frames as on a desktop. Exits 77 (skipped)
# when Xvfb, openbox or xprop is not installed.
set -euo pipefail
command -v Xvfb >/dev/null && command -v openbox >/dev/null && command -v xprop >/dev/null || exit 77
. "$(dirname "$0")/display-lib.sh"
qel_start_display

# The window manager must have taken the display before a window is shown:
# a window it does not manage from the start gets no frame. One that gives
# up at once (the display busy a moment) is started again.
wm_started() {
  local wm
  HOME="$qel_display_tmp" openbox --sm-disable >>"$qel_display_tmp/openbox.log" 2>&1 &
  wm=$!
  qel_display_pids+=("$wm")
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    kill -0 "$wm" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
wm_started || { sleep 0.5; wm_started; } || { cat "$qel_display_tmp/openbox.log" >&2; exit 1; }
QEL_WINDOW_MANAGER=openbox QT_QPA_PLATFORM=xcb "$@"
