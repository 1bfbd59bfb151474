#!/usr/bin/env bash
# Korvane with Orca itself, as a blind user plays it: Orca reads the program
# through the accessibility bus and speaks through speech-dispatcher's dummy
# module, and what it would say is read from its own debug output. Run under
# xvfb-run and dbus-run-session (CTest does).
# Usage: orca.sh KORVANE MONDAI_TXT
set -euo pipefail
program=$(realpath "$1")
puzzle=$2
here=$(dirname "$(realpath "$0")")

source "$here/common.sh"
command -v orca >/dev/null ||
    fail "Orca is not installed (apt install orca speech-dispatcher); this test needs it"
command -v speech-dispatcher >/dev/null || fail "speech-dispatcher is not installed"
export LANG=C.UTF-8
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0 GTK_MODULES=gail:atk-bridge
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0:suppressions=$here/lsan.supp

start_window_manager
/usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)
bus_up() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1
}
poll 20 bus_up || fail "the accessibility bus did not start"

# Speech goes nowhere: speech-dispatcher's dummy module, its sound to ALSA's
# null device (a sound server that is not there would hold it up).
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'CONF'
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
AudioOutputMethod "alsa"
AudioALSADevice "null"
CONF
# Orca starts speech-dispatcher itself, which leaves the session's process
# tree: it is stopped by its socket's path at the end.
stop_speech() {
    local daemon
    for daemon in $(pgrep -f -- "$XDG_RUNTIME_DIR/speech-dispatcher" || true); do
        pkill -P "$daemon" 2>/dev/null || true
        kill "$daemon" 2>/dev/null || true
    done
}
# Orca first, which would start it again.
finish() {
    if [ -n "${KORVANE_ORCA_LOG:-}" ]; then cp "$log" "$KORVANE_ORCA_LOG" || true; fi
    cleanup
    sleep 0.5
    stop_speech
}
trap finish EXIT
# KORVANE_ORCA_LOG names a file to keep Orca's whole log in, to see why.
log=$work/orca.log

# Orca writes its debug file through a buffer; line by line, what it says
# can be read as it says it.
/usr/bin/python3 -c '
import builtins, sys
def lines(name, mode="r", *rest, **named):
    text = "w" in mode and "b" not in mode
    return builtins.open(name, mode, 1 if text else -1, *rest, **named)
sys.argv = ["/usr/bin/orca", "--debug-file=" + sys.argv[1]]
code = compile(builtins.open("/usr/bin/orca").read(), "/usr/bin/orca", "exec")
exec(code, {"__name__": "__main__", "open": lines})
' "$log" >"$work/orca.out" 2>&1 &
pids+=($!)

# What Orca has said since the last mark, one utterance a line.
said_from=0
said() { grep -a "SPEECH OUTPUT: '" "$log" 2>/dev/null | tail -n +$((said_from + 1)) | sed "s/.*SPEECH OUTPUT: '//"; }
mark() { said_from=$(grep -ac "SPEECH OUTPUT: '" "$log" 2>/dev/null || true); }
said_matches() { said | grep -q -- "$1"; }
# heard PATTERN [SECONDS]: Orca says something matching PATTERN (a grep
# expression) within SECONDS.
heard() {
    poll "${2:-10}" said_matches "$1" || {
        echo "Orca said:" >&2
        said | sed 's/^/    /' >&2
        fail "Orca never said /$1/"
    }
    echo "ok   Orca said /$1/"
}
poll 30 grep -aq "SPEECH OUTPUT: 'Screen reader on" "$log" || fail "Orca did not start"
# It listens for new programs a moment after it says so.
sleep 3

mkdir "$work/play"
cp "$puzzle" "$work/play/mondai.txt"
start "$work/play"
# Orca has taken the window in once it names the cell that has the focus.
poll 30 grep -aq "SPEECH OUTPUT: '1行1列" "$log" || fail "Orca did not read the window"
sleep 1

# A cell: its place, what its colour means and its whole candidate string.
mark
xdotool key alt+Right
heard "^1行2列、候補"
heard "^123456789\."

# End and word moves in a cell ask Orca's questions of words and runs; the
# program goes on answering, and does not spin.
xdotool key End ctrl+Left ctrl+Right ctrl+Left
mark
xdotool key alt+Left
heard "^1行1列"
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
before=$(ticks)
sleep 2
(($(ticks) - before < 100)) || fail "the program spins after the word moves"
echo "ok   the program answers and rests after End and Ctrl+arrows"

# focus NAME KEY: presses KEY until Orca names NAME as the focus (about a
# second a press, at most once round every control). The Tab order follows
# the screen: the grid, the palette, 全数表示, 単数表示, 全部取消, then the
# bottom row from Data Save to 普通問題, the last; the message line is no stop.
focus() {
    local i
    for ((i = 0; i < 101; i++)); do
        mark
        xdotool key "$2"
        if poll 1 said_matches "^$1"; then
            echo "ok   focus on $1"
            return
        fi
    done
    fail "Tab never reached $1"
}

# The puzzle type is said by its caption, before and after a press.
focus "普通問題" shift+Tab
mark
xdotool key Return
heard "^notification 斜め問題"
mark
xdotool key Return
heard "^notification 普通問題"

# Data Load places the sample; its given in row 1, column 3 is a decided 5.
focus "Data Load" shift+Tab
mark
xdotool key ctrl+Return
sleep 1
focus "1行3列、確定" Tab
heard "^5\."

# A two-state button says whether it is on, and says so when pressed.
focus "自動消去 check box not checked" shift+Tab
mark
xdotool key ctrl+Return
heard "^checked"

# A new message on the message line is said without going there.
focus "Data Save" shift+Tab
mark
xdotool key ctrl+Return
heard "^notification データが保存されました"

# A hint names its step on the message line, and its explanation is said
# when the panel appears.
focus "1行1列" Tab
mark
xdotool key ctrl+h
heard "^notification ヒント："
mark
xdotool key ctrl+h
heard "ので"

echo "PASS"
