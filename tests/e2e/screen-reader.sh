#!/usr/bin/env bash
# The program through a real accessibility bus, as a screen reader meets it,
# and played with the keyboard alone. Run it under xvfb-run and
# dbus-run-session (CTest does): it starts a window manager and the AT-SPI
# bus, runs the Qt-side accessibility test on X, then starts korvane and has
# screen-reader.py read it through AT-SPI and play the sample puzzle with
# keys only.
# Usage: screen-reader.sh KORVANE TST_ACCESSIBILITY MONDAI_TXT
set -euo pipefail
program=$(realpath "$1")
qt_side=$(realpath "$2")
puzzle=$3
here=$(dirname "$(realpath "$0")")

source "$here/common.sh"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0:suppressions=$here/lsan.supp

openbox --sm-disable 2>/dev/null &
pids+=($!)
poll 20 xdotool get_num_desktops >/dev/null 2>&1 || fail "openbox did not start"
/usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)
bus_up() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1
}
poll 20 bus_up || fail "the accessibility bus did not start"

echo "== the Qt side, with the bus =="
(cd "$work" && "$qt_side") || fail "tst_accessibility failed"

echo "== through AT-SPI, and with the keyboard alone =="
mkdir "$work/play"
cp "$puzzle" "$work/play/mondai.txt"
/usr/bin/python3 "$here/screen-reader.py" "$program" "$work/play"
