#!/usr/bin/env bash
# A window closed while minimized starts normal again, on a real X screen with a window manager and
# real timing: started, Esc a second later, closed through the window manager a second after that,
# started again. Also with the next start right on the heels of the close, and with the window
# manager mapping the start's window iconic.
# Usage: minimized_close_restart.sh PELIMOR   (exit 77: skipped, with the reason)
set -uo pipefail
program="$1"
for tool in Xvfb openbox wmctrl xprop xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work="$(mktemp -d /tmp/pelimor-restart.XXXXXX)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work"/{home,cache,data,config/Pelimor} && mkdir -m 700 "$work/run"
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER

Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "skipped: Xvfb did not start"; exit 77; }
export DISPLAY=":$(cat "$work/display")"
cp /etc/xdg/openbox/rc.xml "$work/rc.xml" 2>/dev/null || { echo "skipped: openbox has no rc.xml"; exit 77; }
openbox --config-file "$work/rc.xml" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || { echo "skipped: openbox did not start"; exit 77; }

fail() { echo "FAIL: $*"; exit 1; }

# WindowState 0, 100,100 900 x 650, the rest as a first start leaves it.
options() {
  { printf '\x2c\x01\x00\x00\x00\x64\x00\x00\x00\x64\x00\x00\x00\x84\x03\x00\x00\x8a\x02\x00\x00'
    head -c 1547 /dev/zero; } >"$work/config/Pelimor/Options.cfg"
}

# The managed main window of process $1, waited for.
window_of() {
  for _ in $(seq 200); do
    local id
    id=$(wmctrl -lp | awk -v pid="$1" '$3 == pid && /Pelimor 3.0/ { print $1; exit }')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
state_of() { xprop -id "$1" WM_STATE _NET_WM_STATE 2>/dev/null | tr -s '\t\n' '  '; }
start() {
  "$program" >>"$work/log" 2>&1 &
  pid=$!
  pids+=("$pid")
}
ended() {
  for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}

# Started, it must show and stay normal; then Esc, and the close while minimized.
check_normal() {
  window=$(window_of "$pid") || fail "$1: no window came up"
  sleep 1.5
  local state
  state=$(state_of "$window")
  case "$state" in
    *"window state: Normal"*) ;;
    *) fail "$1: the window came up as: $state" ;;
  esac
  case "$state" in *_NET_WM_STATE_HIDDEN*) fail "$1: the window came up hidden: $state" ;; esac
}
minimize_and_close() {
  timeout 10 xdotool windowactivate --sync "$window" key Escape
  for _ in $(seq 100); do state_of "$window" | grep -q Iconic && break; sleep 0.1; done
  state_of "$window" | grep -q Iconic || fail "$1: Esc did not minimize"
  sleep 1
  wmctrl -i -c "$window"
}

options
start
check_normal "first start"
for round in 1 2 3; do
  minimize_and_close "round $round"
  closed=$pid
  ended "$closed" || fail "round $round: the program did not end after its window closed"
  [ "$(od -An -tu1 -j4 -N1 "$work/config/Pelimor/Options.cfg" | tr -d ' ')" = 0 ] ||
    fail "round $round: Options.cfg says the window closed minimized"
  options
  start
  check_normal "round $round"
done

# The next start while the last one is still ending: it comes up by itself.
minimize_and_close "quick start"
start
check_normal "quick start"

# The window manager maps the start's window iconic: the start puts it back.
minimize_and_close "iconic map"
ended "$pid" || fail "iconic map: the program did not end"
sed -i 's|<applications>|&<application class="Pelimor" type="normal"><iconic>yes</iconic></application>|' "$work/rc.xml"
openbox --reconfigure
sleep 0.5
start
check_normal "iconic map"
echo "the window came up normal each time"
