#!/usr/bin/env bash
# Runs the korvalin program (on the emulated card, or with --backend pulse on the sound server).
#   usage: desktop/run-desktop.sh KORVALIN [ARGS...]     (KORVALIN: the built program, ARGS: its options)
# With a usable $DISPLAY it simply runs there. Without one it starts a virtual display (Xvfb) with a
# tray host (trayer, when installed), runs the program there, opens the control window from the tray
# icon, saves a screenshot ($KRVL_SCREENSHOT, default: beside the build), says where it is and how to
# look and stop, and keeps running until Ctrl+C, which ends the program as a session end does (its
# settings are saved).
set -euo pipefail
if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 KORVALIN [ARGS...]  (KORVALIN: path to the built korvalin program)" >&2
  exit 2
fi
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift

if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
  exec "$program" "$@"
fi

for tool in Xvfb xdotool import xdpyinfo; do
  command -v "$tool" > /dev/null || { echo "run-desktop: '$tool' is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  trap - EXIT INT TERM
  if [ -n "${app:-}" ] && kill -0 "$app" 2> /dev/null; then
    kill -TERM "$app" 2> /dev/null || true
    for _ in $(seq 50); do kill -0 "$app" 2> /dev/null || break; sleep 0.1; done
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo; echo "Stopping korvalin (its settings are saved) ..."; exit 0' INT TERM

exec 3<> "$work/displayfd"
rm "$work/displayfd"
mkfifo "$work/displayfifo"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp > "$work/xvfb.log" 2>&1 3> "$work/displayfifo" &
pids+=($!)
read -r number < "$work/displayfifo"
export DISPLAY=":$number"

if command -v trayer > /dev/null; then
  trayer --edge top --align right --widthtype request --height 32 > "$work/trayer.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xdotool search --classname '^trayer$' > /dev/null 2>&1 && break; sleep 0.1; done
else
  echo "run-desktop: no tray host (install 'trayer'); the tray icon shows in a window of its own." >&2
fi

# A session of its own: Ctrl+C reaches it once, through the trap below.
setsid "$program" "$@" &
app=$!

icon=""
for _ in $(seq 100); do
  kill -0 "$app" 2> /dev/null || { wait "$app" || true; echo "run-desktop: korvalin ended at start." >&2; exit 1; }
  icon=$(xdotool search --onlyvisible --classname '^korvalin-trayicon$' 2> /dev/null | head -1 || true)
  [ -n "$icon" ] || icon=$(xdotool search --classname '^korvalin-tray$' 2> /dev/null | head -1 || true)
  [ -n "$icon" ] && break
  sleep 0.1
done
[ -n "$icon" ] || { echo "run-desktop: the tray icon did not appear." >&2; exit 1; }

window=""
for _ in $(seq 10); do
  eval "$(xdotool getwindowgeometry --shell "$icon")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
  for _ in $(seq 20); do
    window=$(xdotool search --onlyvisible --name '^Korvalin$' 2> /dev/null | head -1 || true)
    [ -n "$window" ] && break 2
    sleep 0.1
  done
done
[ -n "$window" ] || { echo "run-desktop: the control window did not open." >&2; exit 1; }
sleep 0.5

shot=${KRVL_SCREENSHOT:-$(dirname "$(dirname "$program")")/korvalin-desktop.png}
card="emulated card"
[[ " $* " == *" --backend pulse "* ]] && card="sound server"
import -window root "$shot"
cat << INFO
Korvalin Manager is running on the virtual display $DISPLAY ($card), with its control window open.
  Screenshot:   $shot
  Look again:   DISPLAY=$DISPLAY import -window root shot.png
  Drive it:     DISPLAY=$DISPLAY xdotool ...
  Stop:         Ctrl+C (the program saves its settings and ends)
INFO
wait "$app" || true
app=""
