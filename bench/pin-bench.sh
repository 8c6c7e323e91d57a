#!/bin/bash
# CPU per pointer move of a pin, beside a pick drag, driven by real X input
# (xdotool) on a private Xvfb with openbox. One cycle: Alt+S, drag a pick of
# about 1000x600 (measured), Ctrl+P pins it, drag the pin round a loop back to
# where it started (measured), wheel over it ten notches in, ten out, a move
# before each notch (measured), double click closes it. Cycles repeat; pick and
# pin are measured in the same cycle, so the ratio is taken cycle by cycle.
# CPU is the whole process's scheduler clock, read once it is idle again.
#   bench/pin-bench.sh [-s "1920x1080 3840x2160"] [-n CYCLES] [-m MOVES] [-g GAP_MS] [-b build/vireoscape] [-d DISPLAY_NUMBER]
set -euo pipefail
sizes="1920x1080"
cycles=5
moves=300
gap=3
bin="$(dirname "$0")/../build/vireoscape"
disp=180
while getopts "s:n:m:g:b:d:" o; do
  case $o in s) sizes=$OPTARG ;; n) cycles=$OPTARG ;; m) moves=$OPTARG ;; g) gap=$OPTARG ;; b) bin=$OPTARG ;; d) disp=$OPTARG ;; *) exit 2 ;; esac
done
bin=$(readlink -f "$bin")
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

# CPU ns of a whole process (all its threads) and waiting for it to be idle.
cpu() { python3 -c "import time; print(time.clock_gettime_ns(((~$1) << 3) | 2))"; }
idle() {
  local a b
  a=$(cpu "$1")
  for _ in $(seq 100); do
    sleep 0.1; b=$(cpu "$1")
    (((b - a) < 1000000)) && return 0
    a=$b
  done
}
# Runs xdotool with the words on stdin, one chain; prints the program's and
# the server's CPU ms per step, "vs xvfb".
measure() {
  local steps=$1 v0 x0 v1 x1
  idle "$vs"
  v0=$(cpu "$vs"); x0=$(cpu "$xvfb")
  xargs xdotool <"$work/chain"
  idle "$vs"
  v1=$(cpu "$vs"); x1=$(cpu "$xvfb")
  awk -v v=$((v1 - v0)) -v x=$((x1 - x0)) -v n="$steps" 'BEGIN { printf "%.3f %.3f", v / n / 1e6, x / n / 1e6 }'
}
visible() { { xdotool search --onlyvisible --pid "$vs" 2>/dev/null || true; } | wc -l; }
pause=$(awk -v g="$gap" 'BEGIN { printf "%.4f", g / 1000 }')

for size in $sizes; do
  w=${size%x*}; h=${size#*x}
  k=$(awk -v w="$w" 'BEGIN { print w / 1920 }')
  px() { awk -v v="$1" -v k="$k" 'BEGIN { printf "%d", v * k }'; }
  export DISPLAY=":$disp"
  Xvfb "$DISPLAY" -screen 0 "${size}x24" -nolisten tcp -noreset 2>/dev/null &
  xvfb=$!; pids+=("$xvfb")
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  home="$work/home-$size"; mkdir -p "$home/.config/Valdo Software"; chmod 700 "$home"
  printf '[General]\nGenAutoHide=true\nGenAutoRun=false\nIntervalSnap=0\nSnapshotFilePath=%s\n' "$home" \
    >"$home/.config/Valdo Software/Vireoscape.conf"
  HOME=$home XDG_CONFIG_HOME=$home/.config openbox >/dev/null 2>&1 &
  pids+=("$!")
  convert -size "${w}x${h}" plasma:fractal -seed 3 "$work/root.png" 2>/dev/null && display -window root "$work/root.png" 2>/dev/null || true
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home DBUS_SESSION_BUS_ADDRESS=disabled: "$bin" >/dev/null 2>&1 &
  vs=$!; pids+=("$vs")
  sleep 3
  x0=$(px 200); y0=$(px 200); x1=$(px 1200); y1=$(px 800); cx=$(px 700); cy=$(px 500); r=$(px 300)
  echo "== $size, $moves moves ${gap} ms apart per drag, 20 wheel notches a frame apart, $cycles cycles (load $(cut -d' ' -f1 /proc/loadavg))"
  echo "cycle  pick drag ms/move (X server)  pin drag ms/move (X server)  pin wheel ms/notch (X server)  pin/pick"
  for c in $(seq 0 "$cycles"); do
    base=$(visible)
    xdotool mousemove "$x0" "$y0" key alt+s
    for _ in $(seq 100); do xdotool search --onlyvisible --name "Draw View" >/dev/null 2>&1 && break; sleep 0.1; done
    sleep 0.5
    # the pick: pressed at its top-left corner, the other corner drawn to
    # its bottom-right along a line
    awk -v n="$moves" -v a="$x0" -v b="$y0" -v c="$x1" -v d="$y1" -v p="$pause" 'BEGIN {
      printf "mousedown 1"
      for (i = 1; i <= n; i++) printf " mousemove %d %d sleep %s", a + (c - a) * i / n, b + (d - b) * i / n, p
      print " mouseup 1" }' >"$work/chain"
    pick=$(measure "$moves")
    xdotool key ctrl+p
    for _ in $(seq 50); do [ "$(visible)" -gt "$base" ] && ! xdotool search --onlyvisible --name "Draw View" >/dev/null 2>&1 && break; sleep 0.1; done
    sleep 0.5
    # the pin: pressed at its middle, dragged round a loop back to the start
    awk -v n="$moves" -v a="$cx" -v b="$cy" -v r="$r" -v p="$pause" 'BEGIN {
      printf "mousemove %d %d mousedown 1", a, b
      for (i = 1; i <= n; i++) printf " mousemove %d %d sleep %s", a + r * sin(6.2832 * i / n), b + r / 2 * sin(12.5664 * i / n), p
      printf " mousemove %d %d mouseup 1\n", a, b }' >"$work/chain"
    pin=$(measure "$moves")
    # zoom: ten notches in and ten out around the middle, a frame apart
    awk -v a="$cx" -v b="$cy" 'BEGIN {
      for (i = 0; i < 20; i++) printf "mousemove %d %d click %d sleep 0.016 ", a + i % 3, b, i < 10 ? 4 : 5
      print "" }' >"$work/chain"
    wheel=$(measure 20)
    xdotool mousemove "$cx" "$cy" click --repeat 2 --delay 60 1
    for _ in $(seq 50); do [ "$(visible)" -le "$base" ] && break; sleep 0.1; done
    [ "$c" = 0 ] && continue # warm-up
    read -r pv px_ <<<"$pick"; read -r nv nx <<<"$pin"; read -r wv wx <<<"$wheel"
    printf '%5d  %10s (%s)  %24s (%s)  %24s (%s)  %8s\n' "$c" "$pv" "$px_" "$nv" "$nx" "$wv" "$wx" \
      "$(awk -v a="$nv" -v b="$pv" 'BEGIN { printf "%.2f", a / b }')"
  done
  [ "$(visible)" -le "$base" ] || echo "a pin was left open"
  kill $vs; wait $vs 2>/dev/null || true
  kill $xvfb; wait $xvfb 2>/dev/null || true
done
