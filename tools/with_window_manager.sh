#!/usr/bin/env bash
# Runs a command on a display of its own (Xvfb) under a real window manager
# (openbox), so that windows get frames as on a desktop. Exits 77 (skipped)
# when Xvfb, openbox or xprop is not installed.
set -euo pipefail
command -v Xvfb >/dev/null && command -v openbox >/dev/null || exit 77

tmp=$(mktemp -d)
cleanup() {
  # Either may have ended already: that must not stop the clean-up.
  if [ -n "${wm:-}" ]; then kill "$wm" 2>/dev/null || true; fi
  if [ -n "${xvfb:-}" ]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
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
command -v xprop >/dev/null || exit 77
for _ in $(seq 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
QT_QPA_PLATFORM=xcb "$@"
