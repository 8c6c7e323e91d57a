#!/bin/sh
# session.sh COMMAND... — runs COMMAND inside a headless sway session
# with the Screenshot portal (xdg-desktop-portal with the wlr backend and
# PipeWire) and the test GlobalShortcuts backend, then tears it all down.
# WL_SIZE sets the output's size, WL_XWAYLAND=enable starts XWayland (its
# display is then in $WL_SESSION_DIR/x-display), WL_SHORTCUTS=none leaves the
# GlobalShortcuts portal out (as on GNOME or sway), WL_SCALE sets the
# output's scale. COMMAND gets WL_SESSION_DIR
# (a directory the compositor can read) and SWAYSOCK. Run as root.
set -eu
# Exit status 77 tells CTest that the test was skipped.
for tool in sway grim swaymsg wl-paste wtype dbus-run-session pipewire setpriv /usr/libexec/xdg-desktop-portal \
            /usr/libexec/xdg-desktop-portal-wlr; do
  command -v "$tool" >/dev/null 2>&1 ||
    { echo "SKIP: $tool is not installed (scripts/deps test installs the Wayland test session)"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: the Wayland test session runs sway as another user: run as root"; exit 77; }
# xdg-desktop-portal-wlr writes every screenshot to /tmp/out.png. Where a
# mount namespace can be had, the session gets a file of its own there, so
# that sessions side by side never read each other's pictures.
if [ -z "${WL_OWN_MOUNTS:-}" ] && unshare --mount --propagation private true 2>/dev/null; then
  exec env WL_OWN_MOUNTS=1 unshare --mount --propagation private "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
B=$(mktemp -d /tmp/wlsess.XXXXXX); chmod 755 "$B"
if [ -n "${WL_OWN_MOUNTS:-}" ]; then
  [ -e /tmp/out.png ] || : >/tmp/out.png # the mount point, on the shared /tmp
  : >"$B/out.png"; mount --bind "$B/out.png" /tmp/out.png
fi
mkdir -m 700 "$B/run" "$B/run-sway"; chown nobody:nogroup "$B/run-sway"
mkdir -p "$B/home" "$B/portals" "$B/data/dbus-1/services"
mkdir -m 1777 "$B/share"
cat > "$B/sway.conf" <<CONF
output HEADLESS-1 resolution ${WL_SIZE:-1920x1080} scale ${WL_SCALE:-1} position 0 0 bg #336699 solid_color
default_border none
xwayland ${WL_XWAYLAND:-disable}
exec printenv DISPLAY > $B/share/x-display
CONF
# sway refuses to run as root: it runs as nobody, with nothing of our environment.
env -i PATH=/usr/bin:/bin HOME="$B/home" XDG_RUNTIME_DIR="$B/run-sway" \
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$B/sway.conf" >"$B/sway.log" 2>&1 &
SWAY=$!
# The document portal's mount in run/doc may outlive the bus for a moment:
# detached first, so that the folder goes; a folder left behind does not
# fail the test.
trap 'kill $SWAY 2>/dev/null || true; wait $SWAY 2>/dev/null || true
      umount -l "$B/run/doc" 2>/dev/null || true; rm -rf "$B" 2>/dev/null || true' EXIT
i=0; until [ -S "$B/run-sway/wayland-1" ]; do
  i=$((i+1)); [ $i -lt 200 ] || { cat "$B/sway.log"; exit 1; }; sleep 0.05
done
# wlr takes the pictures; 1.16 exports Screenshot only if some portal declares
# Access, which a name nothing owns does; the test backend binds shortcuts.
cp /usr/share/xdg-desktop-portal/portals/wlr.portal "$B/portals/"
printf '[portal]\nDBusName=org.freedesktop.impl.portal.desktop.noaccess\nInterfaces=org.freedesktop.impl.portal.Access;\nUseIn=sway;\n' \
  >"$B/portals/noaccess.portal"
if [ "${WL_SHORTCUTS:-fake}" != none ]; then
  printf '[portal]\nDBusName=org.freedesktop.impl.portal.desktop.vstest\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;\nUseIn=sway;\n' \
    >"$B/portals/vstest.portal"
  printf '[D-BUS Service]\nName=org.freedesktop.impl.portal.desktop.vstest\nExec=/usr/bin/python3 %s\n' \
    "$here/fake-shortcuts.py" >"$B/data/dbus-1/services/org.freedesktop.impl.portal.desktop.vstest.service"
fi
i=0; until [ -s "$B/share/x-display" ] || [ "${WL_XWAYLAND:-disable}" = disable ]; do
  i=$((i+1)); [ $i -lt 200 ] || { cat "$B/sway.log"; exit 1; }; sleep 0.05
done
if [ "${WL_XWAYLAND:-disable}" != disable ]; then
  # Xwayland starts with the first X client and admits only sway's user.
  setpriv --reuid=65534 --regid=65534 --clear-groups env DISPLAY="$(cat "$B/share/x-display")" \
    xhost +si:localuser:root >/dev/null
fi
export XDG_RUNTIME_DIR="$B/run" WAYLAND_DISPLAY="$B/run-sway/wayland-1" \
  SWAYSOCK=$(ls "$B"/run-sway/sway-ipc.*.sock) XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland \
  XDG_DESKTOP_PORTAL_DIR="$B/portals" XDG_DATA_HOME="$B/data" WL_SESSION_DIR="$B/share"
unset DISPLAY QT_QPA_PLATFORM
# The portals are started by the bus and inherit its environment, so all of
# it is set before the bus starts. xdg-desktop-portal-wlr needs PipeWire.
# Their chatter goes to a log; COMMAND keeps this script's standard error.
# The portal is started and asked once before COMMAND runs: a portal whose
# backends are slow to come up (seen on a loaded machine: 25 s) makes the
# session slow, not the test wrong. When COMMAND fails the bus log is shown.
exec 3>&2
rc=0
dbus-run-session -- sh -c '
  pipewire >/dev/null 2>&1 & PW=$!
  i=0; until [ -S "$XDG_RUNTIME_DIR/pipewire-0" ]; do i=$((i+1)); [ $i -lt 200 ] || exit 1; sleep 0.05; done
  dbus-send --session --print-reply --reply-timeout=90000 --dest=org.freedesktop.portal.Desktop \
    /org/freedesktop/portal/desktop org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.portal.Screenshot string:version >/dev/null ||
    echo "session.sh: the portal did not answer" >&3
  "$@" 2>&3; rc=$?; kill $PW; wait $PW 2>/dev/null; exit $rc' sh "$@" 2>"$B/dbus.log" || rc=$?
if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; then
  echo "--- session bus log (last lines) ---" >&2
  tail -n 40 "$B/dbus.log" >&2
fi
exit "$rc"
