# Sourced by the scripts that run a command on a display of its own: starts
# Xvfb (1280x1024) on a free display number and exports DISPLAY. Whatever
# qel_start_display and the caller note in qel_display_pids is stopped on
# exit, and the temporary folder qel_display_tmp removed.
qel_display_pids=()
qel_display_tmp=$(mktemp -d)

qel_stop_display() {
  # Any of them may have ended already: that must not stop the clean-up.
  local pid
  for pid in "${qel_display_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$qel_display_tmp"
}
trap qel_stop_display EXIT

# Whether a client can open the display (assumed when xprop is missing).
qel_display_open() {
  ! command -v xprop >/dev/null || xprop -root >/dev/null 2>&1
}

qel_start_display() {
  local attempt xvfb
  for attempt in 1 2 3; do
    # Xvfb picks a free display number and writes it to the file.
    : >"$qel_display_tmp/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$qel_display_tmp/display" \
      2>>"$qel_display_tmp/xvfb.log" &
    xvfb=$!
    qel_display_pids+=("$xvfb")
    for _ in $(seq 100); do [ -s "$qel_display_tmp/display" ] && break; sleep 0.05; done
    if [ -s "$qel_display_tmp/display" ]; then
      export DISPLAY=":$(head -n1 "$qel_display_tmp/display")"
      # A server that has just ended on the same number can take the new
      # one's socket with it: then no client gets in, and another is started.
      for _ in $(seq 50); do qel_display_open && return 0; sleep 0.1; done
    fi
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  done
  echo "Xvfb did not start a display that takes clients:" >&2
  cat "$qel_display_tmp/xvfb.log" >&2
  exit 1
}
