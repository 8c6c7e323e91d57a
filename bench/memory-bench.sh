#!/bin/bash
# Memory of a resident vireoscape through snapshots, driven by real X input
# on a private Xvfb (with openbox) per screen size: resident memory idle,
# the peak during a snapshot of nearly the whole desktop that is finished to
# clipboard and file (double click), the resident memory once it ended, and after a paste,
# with how much of the growth is the program's own memory and how much mapped files;
# then the same area pinned, and the memory the pin holds.
#   bench/memory-bench.sh [-s "1920x1080 3840x2160 7680x4320"] [-b build/vireoscape]
set -euo pipefail
sizes="1920x1080 3840x2160 7680x4320"
bin="$(dirname "$0")/../build/vireoscape"
while getopts "s:b:" o; do
  case $o in s) sizes=$OPTARG ;; b) bin=$OPTARG ;; *) exit 2 ;; esac
done
bin=$(readlink -f "$bin")
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
field() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"; }
# Drags a pick over the whole screen less a margin of 20 pixels.
pickAll() { xdotool mousemove 20 20 mousedown 1 mousemove $((w / 2)) $((h / 2)) mousemove $((w - 20)) $((h - 20)) mouseup 1; }

for size in $sizes; do
  w=${size%x*}; h=${size#*x}
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 2>/dev/null &
  xvfb=$!; pids+=("$xvfb")
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  : >"$work/display"
  home="$work/home-$size"; mkdir -p "$home/.config/Valdo Software" "$home/shots"
  printf '[General]\nGenAutoHide=true\nGenAutoRun=false\nGenActionAfterFinish=0\nIntervalSnap=0\nSnapshotFilePath=%s\n' \
    "$home/shots" >"$home/.config/Valdo Software/Vireoscape.conf"
  HOME=$home XDG_CONFIG_HOME=$home/.config openbox >/dev/null 2>&1 &
  pids+=("$!")
  # A desktop with detail: a gradient with noise on the root window.
  convert -size "${w}x${h}" plasma:fractal -seed 3 "$work/root.png" 2>/dev/null || convert -size "${w}x${h}" gradient:red-blue "$work/root.png"
  display -window root "$work/root.png" 2>/dev/null || true
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home "$bin" >/dev/null 2>&1 &
  vs=$!; pids+=("$vs")
  sleep 3
  idle=$(field $vs VmRSS); idleAnon=$(field $vs RssAnon); idleFile=$(field $vs RssFile)
  xdotool key alt+s
  for _ in $(seq 100); do xdotool search --onlyvisible --name "Draw View" >/dev/null 2>&1 && break; sleep 0.1; done
  sleep 1
  # Pick the whole screen less a margin, then OK.
  pickAll
  sleep 1
  during=$(field $vs VmRSS)
  xdotool mousemove $((w / 2)) $((h / 2)) click --repeat 2 --delay 60 1
  for _ in $(seq 100); do ls "$home/shots"/*.png >/dev/null 2>&1 && break; sleep 0.1; done
  sleep 2
  after=$(field $vs VmRSS)
  xclip -selection clipboard -o -t image/png >"$work/paste.png" 2>/dev/null || true
  sleep 1
  pasted=$(field $vs VmRSS); pastedAnon=$(field $vs RssAnon); pastedFile=$(field $vs RssFile)
  peak=$(field $vs VmHWM)
  ok=$( [ -s "$work/paste.png" ] && ls "$home/shots"/*.png >/dev/null 2>&1 && echo ok || echo FAILED)
  png=$(stat -c %s "$work/paste.png")
  printf '%-10s idle %6s MiB  in snapshot %6s  peak %6s  after it ended %6s  after a paste %6s MiB  (%s, PNG on the clipboard %s MiB)\n' \
    "$size" "$(mib "$idle")" "$(mib "$during")" "$(mib "$peak")" "$(mib "$after")" "$(mib "$pasted")" "$ok" \
    "$(mib $((png / 1024)))"
  # What the growth is made of: the program's own memory, and pages of the
  # libraries and fonts it mapped (shared with other programs, and dropped
  # first when memory is short).
  printf '%-10s after a paste, above idle: %s MiB of its own memory, %s MiB of mapped libraries and fonts\n' \
    "" "$(mib $((pastedAnon - idleAnon)))" "$(mib $((pastedFile - idleFile)))"
  # The same area pinned (Ctrl+P): what the pin holds, beside the picture's own size.
  xdotool key alt+s
  sleep 2
  pickAll
  sleep 1
  xdotool key ctrl+p
  sleep 2
  pinnedAnon=$(field $vs RssAnon)
  pins=$(xdotool search --onlyvisible --class vireoscape 2>/dev/null | wc -l)
  printf '%-10s with that area pinned: %s MiB of its own memory above idle (the picture is %s MiB; windows shown: %s)\n' \
    "" "$(mib $((pinnedAnon - idleAnon)))" "$(mib $(((w - 40) * (h - 40) * 4 / 1024)))" "$pins"
  kill $vs; wait $vs 2>/dev/null || true
  kill $xvfb; wait $xvfb 2>/dev/null || true
done
