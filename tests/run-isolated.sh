#!/bin/bash
# run-isolated.sh MODE PROGRAM [ARGS...]
# Runs a test with its own HOME, XDG directories and TMPDIR (removed
# afterwards). MODE: offscreen (QT_QPA_PLATFORM=offscreen), xvfb (a private
# Xvfb server), xvfb-wm (Xvfb with the openbox window manager), xvfb-screen1
# (an Xvfb with two X screens, the test on the second: DISPLAY=:N.1, with the
# pointer there).
set -u
mode=$1; shift

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/vireoscape-test.XXXXXX")
server_pid=""; wm_pid=""
cleanup() {
  # A window manager the test left stopped takes its TERM once continued.
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && kill -CONT "$wm_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT

mkdir -p "$sandbox/home" "$sandbox/config" "$sandbox/data" "$sandbox/cache" "$sandbox/runtime" "$sandbox/tmp"
chmod 700 "$sandbox/runtime"
export HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" \
       XDG_CACHE_HOME="$sandbox/cache" XDG_RUNTIME_DIR="$sandbox/runtime" TMPDIR="$sandbox/tmp"
# No session bus is needed; keep Qt from starting or looking for one.
export DBUS_SESSION_BUS_ADDRESS=disabled:
# English texts whatever the machine's language (a test sets its own for the translation).
export LANG=C.UTF-8
unset LANGUAGE LC_ALL LC_MESSAGES
# The tests choose their session themselves (X11 here, Wayland in tests/wayland).
unset XDG_SESSION_TYPE WAYLAND_DISPLAY
unset SESSION_MANAGER

case "$mode" in
  offscreen)
    export QT_QPA_PLATFORM=offscreen
    unset DISPLAY
    ;;
  xvfb|xvfb-wm|xvfb-screen1)
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    screens=(-screen 0 "${VS_TEST_SCREEN:-1280x800x24}")
    # Screen 0 differs in size, so that a picture of the wrong screen shows.
    [ "$mode" = xvfb-screen1 ] && screens=(-screen 0 1024x768x24 -screen 1 "${VS_TEST_SCREEN:-1280x800x24}")
    exec 5> "$sandbox/displayfd"
    # VS_TEST_XVFB: more options for the server ("-extension MIT-SHM" takes shared memory away).
    # shellcheck disable=SC2086
    Xvfb -displayfd 5 "${screens[@]}" -nolisten tcp -noreset ${VS_TEST_XVFB:-} >"$sandbox/xvfb.log" 2>&1 &
    server_pid=$!
    exec 5>&-
    for _ in $(seq 100); do
      [ -s "$sandbox/displayfd" ] && break
      sleep 0.05
    done
    display=$(head -n1 "$sandbox/displayfd")
    if [ -z "$display" ]; then echo "Xvfb did not start"; cat "$sandbox/xvfb.log"; exit 1; fi
    export DISPLAY=":$display"
    if [ "$mode" = xvfb-screen1 ]; then
      export DISPLAY=":$display.1"
      xdotool mousemove --screen 1 0 0
    fi
    if [ "$mode" = xvfb-wm ]; then
      openbox --sm-disable >"$sandbox/wm.log" 2>&1 &
      wm_pid=$!
      # Wait until the window manager has claimed the screen.
      for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
      done
      # The test may hold the window manager up for a moment (SIGSTOP).
      export VS_TEST_WM_PID=$wm_pid
    fi
    ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac

"$@"
