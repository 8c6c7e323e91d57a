#!/bin/bash
# sweep-profile.sh - where a slow pointer move's time goes over an open snapshot.
#
#   bench/sweep-profile.sh [-s WxHxD] [-b BINARY] [-n SWEEPS] [-d DELAY] [-m perf|count|strace|none] [-o DIR]
#
# Starts the shared benchmark's realistic screen, runs Vireoscape on it in a
# home of its own (no autostart, no delay before the grab), opens a snapshot
# with Alt+S and moves the real X pointer round the benchmark's Lissajous
# figure, 150 moves DELAY seconds apart per sweep (0.016: the slow sweep). Meanwhile it records the program
# with perf (call graphs, split by fold-sweep.py into where the time went),
# counts its wake-ups and writes with perf's tracepoints (count), or all of
# its system calls with strace; and prints the program's CPU per move.
# perf's data is left in DIR for `perf report`.
set -Eeuo pipefail

here=$(cd "$(dirname "$0")" && pwd)
size=1920x1080x24
binary=$here/../build/vireoscape
sweeps=3
mode=perf
delay=0.016
out=
while getopts "s:b:n:d:m:o:" opt; do
    case $opt in
    s) size=$OPTARG ;;
    b) binary=$OPTARG ;;
    n) sweeps=$OPTARG ;;
    d) delay=$OPTARG ;;
    m) mode=$OPTARG ;;
    o) out=$OPTARG ;;
    *) exit 2 ;;
    esac
done
[[ -n $out ]] || out=$(mktemp -d)
mkdir -p "$out"
setup=$here/../../shared/bench/xscreen-setup.sh
[[ -x $setup ]] || setup=${XSCREEN_SETUP:?set XSCREEN_SETUP to the shared benchmark\'s xscreen-setup.sh}

DISPLAY=$("$setup" start "$size")
export DISPLAY
home=$(mktemp -d)
cleanup() {
    [[ -n ${pid:-} ]] && kill "$pid" 2>/dev/null
    "$setup" stop "$DISPLAY" >/dev/null 2>&1 || true
    rm -rf "$home"
}
trap cleanup EXIT

mkdir -p "$home/.config/Valdo Software"
printf '[General]\nIntervalSnap=0\nGenAutoRun=false\nGenAutoHide=true\n' >"$home/.config/Valdo Software/Vireoscape.conf"
HOME=$home DBUS_SESSION_BUS_ADDRESS=disabled: "$binary" >"$out/program.log" 2>&1 &
pid=$!
sleep 2
xdotool key alt+s
sleep 2

w=${size%%x*}
rest=${size#*x}
h=${rest%%x*}
sweep() {
    python3 - "$w" "$h" "$delay" <<'EOF' | xdotool -
import math, sys
w, h = int(sys.argv[1]), int(sys.argv[2])
for i in range(150):
    t = 2 * math.pi * i / 150
    x = math.floor(w * (0.1 + 0.4 * (1 + math.sin(3 * t))))
    y = math.floor(h * (0.1 + 0.4 * (1 + math.sin(2 * t))))
    print(f"mousemove {x} {y} sleep {sys.argv[3]}")
EOF
}

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
duration=$((sweeps * 3 + 2))
case $mode in
perf) perf record -q -F 4000 --call-graph dwarf,16384 -o "$out/perf.data" -p "$pid" -- sleep "$duration" 2>/dev/null & ;;
strace) strace -f -c -o "$out/strace.txt" -p "$pid" 2>/dev/null & ;;
count) perf stat -x, -e syscalls:sys_enter_poll,syscalls:sys_enter_write,syscalls:sys_enter_recvmsg -o "$out/counts.txt" -p "$pid" -- sleep "$duration" 2>/dev/null & ;;
none) sleep 0 & ;;
esac
recorder=$!
sleep 1
before=$(ticks)
for ((i = 0; i < sweeps; i++)); do sweep; done
after=$(ticks)
moves=$((sweeps * 150))
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v m="$moves" \
    'BEGIN { printf "program CPU per move: %.3f ms over %d moves\n", 1000 * t / hz / m, m }'
if [[ $mode == strace ]]; then
    kill -INT "$recorder" 2>/dev/null || true
fi
wait "$recorder" 2>/dev/null || true
[[ $mode == count ]] && awk -F, -v m="$moves" '$1 + 0 > 0 { printf "%-28s %7.2f per move\n", $3, $1 / m }' "$out/counts.txt"
[[ $mode == strace ]] && awk -v m="$moves" 'NR > 2 && $NF != "total" && $4 + 0 > 0 { printf "%-16s %7.2f per move\n", $NF, $4 / m }' "$out/strace.txt" | sort -k2 -nr | head -12
if [[ $mode == perf ]]; then
    perf script -i "$out/perf.data" -F comm,tid,ip,sym 2>/dev/null | python3 "$here/fold-sweep.py"
fi
echo "data in $out"
