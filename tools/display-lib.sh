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

qel_start_display() {
  # Xvfb picks a free display number and writes it to the file.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$qel_display_tmp/display" \
    2>"$qel_display_tmp/xvfb.log" &
  qel_display_pids+=($!)
  for _ in $(seq 100); do [ -s "$qel_display_tmp/display" ] && break; sleep 0.05; done
  [ -s "$qel_display_tmp/display" ] || { cat "$qel_display_tmp/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$qel_display_tmp/display")"
}
