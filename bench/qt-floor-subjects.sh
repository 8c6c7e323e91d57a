# Subjects for ../shared/bench/overlay-bench.sh (its -f option): the floor of
# Qt 6's own cost per pointer move (build/bench/qt_floor), beside the program:
#   VIREOSCAPE=build/vireoscape overlay-bench.sh -f bench/qt-floor-subjects.sh \
#       -S "flameshot vireoscape qtfloor qtfloor_flush qtfloor_repaint" -w none -n 3
# qtfloor does nothing on a move; qtfloor_flush sends one painted pixel to the
# X server per move; qtfloor_repaint repaints one pixel per move.
QT_FLOOR=${QT_FLOOR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/bench/qt_floor}

subject_qtfloor() {
    S_ENV=(DBUS_SESSION_BUS_ADDRESS=disabled:)
    S_START=""
    S_TRIGGER=$QT_FLOOR
    S_WORKER=trigger
    S_CLOSE="xdotool key Escape"
    S_NEEDS="$QT_FLOOR xdotool"
}

subject_qtfloor_repaint() {
    subject_qtfloor
    S_ENV+=(QT_FLOOR_REPAINT=1)
}

subject_qtfloor_flush() {
    subject_qtfloor
    S_ENV+=(QT_FLOOR_FLUSH=1)
}
