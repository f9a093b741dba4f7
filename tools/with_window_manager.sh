#!/usr/bin/env bash
# Runs a command on a display of its own (Xvfb) under a real window manager
# (openbox), so that windows get frames as on a desktop. Exits 77 (skipped)
# when either is not installed.
set -euo pipefail
command -v Xvfb >/dev/null && command -v openbox >/dev/null || exit 77

tmp=$(mktemp -d)
cleanup() {
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to the file.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

HOME="$tmp" openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
wm=$!
# The window manager must have taken the display before a window is shown:
# a window it does not manage from the start gets no frame.
if command -v xprop >/dev/null; then
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
  done
fi
QT_QPA_PLATFORM=xcb "$@"
