#!/usr/bin/env bash
# The window manager's part of result_window_wm.qzs (run by tests/e2e/run.sh
# beside the driver, on the scenario's own display with openbox):
#   result_window_wm.host.sh DRIVER_LOG HANDSHAKE_DIR
# For each line "HOST <step>" in the driver's output it does the step through
# X (real input, the window manager's own requests) and then creates
# HANDSHAKE_DIR/host-<step>, which the driver waits for.
#   explorer         right-click the first file of the maximised result window,
#                    "open the folder in the Explorer" from the popup, close
#                    the Explorer through the window manager, bring the result
#                    window back through it (_NET_ACTIVE_WINDOW, as a taskbar)
#   explorer-unmark  the same, then right-click the file again and choose
#                    "unmark the selected objects"
set -uo pipefail
log=$1 dir=$2
result_title='^Unneeded files found$'
explorer_title='^QzWmJunk$'
# The scenario's junk never outlives it (other scenarios search drive C:).
junk="$dir/../../QzWmJunk"
trap 'rm -rf "$junk"; exit' EXIT TERM

say() { echo "$(date +%T.%N | cut -c1-12) $*" >&2; }
fail() {
  say "FAILED: $*"
  wmctrl -l >&2
  for w in $(wmctrl -l | awk '/Unneeded/ {print $1}'); do xprop -id "$w" WM_STATE _NET_WM_STATE >&2; done
  exit 1
}
# wait_for SECONDS COMMAND...: until the command succeeds.
wait_for() {
  local end=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
program_windows() { xdotool search --onlyvisible --class 'quenzalsuite2.exe' 2>/dev/null | wc -l; }
more_windows_than() { [ "$(program_windows)" -gt "$1" ]; }
shown() { [ -n "$(window "$1")" ]; }
gone() { [ -z "$(window "$1")" ]; }
activate() { local w; w=$(window "$1"); [ -n "$w" ] && xdotool windowactivate --sync "$w"; }

# Right-click the first file row (the tree at client 8,8; its header, the
# first category's 32-pixel row, then the file's row) and pick a popup entry
# by the keyboard: the n-th entry from the top (the separator is skipped).
popup_entry() {
  local w n=$1
  w=$(window "$result_title") || true
  [ -n "$w" ] || fail "no result window"
  # Where the window's client area lies on the screen (the X window is it).
  local x y
  x=$(xwininfo -id "$w" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(xwininfo -id "$w" | sed -n 's/.*Absolute upper-left Y: *//p')
  # The popup is one more window of the program on the screen.
  local before
  before=$(program_windows)
  xdotool mousemove --sync $((x + 8 + 150)) $((y + 8 + 58)) click 3
  wait_for 30 more_windows_than "$before" || fail "no popup menu"
  local keys=()
  for ((k = 0; k < n; k++)); do keys+=(Down); done
  xdotool key --delay 60 "${keys[@]}" Return
}

explorer_round() {
  say "popup: open the folder in the Explorer"
  popup_entry 6  # "Open the folder of the 1st file in the Explorer"
  wait_for 90 shown "$explorer_title" || fail "the Explorer did not open"
  say "the Explorer is open; closing it through the window manager"
  wmctrl -c QzWmJunk
  wait_for 30 gone "$explorer_title" || fail "the Explorer did not close"
  say "activating the result window through the window manager"
  wait_for 30 shown "$result_title" || fail "the result window is gone"
  # Right after the Explorer went, xdotool may still read its window as the
  # active one and fail with BadWindow: ask again for a few seconds.
  wait_for 10 activate "$result_title" || fail "the window manager did not activate the result window"
  say "done"
}

done_steps=0
while :; do
  step=$(tr -d '\r' <"$log" 2>/dev/null | grep -a -x 'HOST [a-z-]*' | sed -n "$((done_steps + 1))p" | cut -d' ' -f2)
  if [ -z "$step" ]; then
    sleep 0.2
    continue
  fi
  case "$step" in
    explorer) explorer_round ;;
    explorer-unmark)
      explorer_round
      popup_entry 2  # "Unmark the selected objects"
      ;;
    *) fail "unknown step $step" ;;
  esac
  : >"$dir/host-$step"
  done_steps=$((done_steps + 1))
done
