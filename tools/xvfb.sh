# Sourced: qz_start_xvfb starts a private Xvfb display and exports DISPLAY;
# qz_stop_xvfb ends it.
qz_start_xvfb() {
  local fifo="$QZ_SANDBOX/tmp/xvfb.$$"
  mkdir -p "$QZ_SANDBOX/tmp"
  rm -f "$fifo"; mkfifo "$fifo"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset 9>"$fifo" >/dev/null 2>&1 &
  QZ_XVFB_PID=$!
  local n
  read -r -t 20 n <"$fifo" || { rm -f "$fifo"; echo "Xvfb did not start" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$n"
}
qz_stop_xvfb() {
  [ -n "${QZ_XVFB_PID:-}" ] && kill "$QZ_XVFB_PID" 2>/dev/null && wait "$QZ_XVFB_PID" 2>/dev/null
  QZ_XVFB_PID=
}
