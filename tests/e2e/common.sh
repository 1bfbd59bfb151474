# Shared by the end-to-end scripts that start the program (source it): a
# folder of the run's own, removed at the end with every program started
# (whose process ids go into `pids`), a home of its own in it, so that
# nothing kept elsewhere is seen or left behind, two helpers, and the
# helpers that start, drive and close the program on an X display.
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
# fail MESSAGE...: says what went wrong and ends the run.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# poll SECONDS COMMAND...: runs COMMAND until it succeeds, for SECONDS at most.
poll() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_STATE_HOME=$work/home/.local/state XDG_CACHE_HOME=$work/home/.cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

# ---- the program on an X display (run under xvfb-run) ----
# The scripts set `program` to the korvane to start.

# A window manager, for Alt+F4 and real focus; it answers EWMH questions
# once it is up.
start_window_manager() {
    openbox --sm-disable 2>/dev/null &
    pids+=($!)
    poll 20 xdotool get_num_desktops >/dev/null 2>&1 || fail "openbox did not start"
}

window=
pid=
# The main window is the program's largest visible one: a message box of
# its own (the restore question) may be mapped as early and be listed first.
find_window() {
    local id size best=0
    window=
    for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        size=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null |
            awk -F= '$1 == "WIDTH" {w = $2} $1 == "HEIGHT" {h = $2} END {print w * h + 0}')
        if ((size > best)); then
            best=$size
            window=$id
        fi
    done
    [ -n "$window" ]
}
# start FOLDER [ARGUMENT...]: runs korvane in FOLDER and waits for its
# window. Each program gets a state folder of its own, so that no board kept
# by an earlier one is offered, unless `state_home` names the one to share.
start() {
    local folder=$1
    shift
    local state=${state_home:-$(mktemp -d "$work/state.XXXXXX")}
    (cd "$folder" && XDG_STATE_HOME=$state exec "$program" "$@") &
    pid=$!
    pids+=("$pid")
    poll 60 find_window || fail "no Korvane window appeared"
}
# close: Alt+F4, as a user would; the program must end with status 0.
close() {
    xdotool windowactivate --sync "$window"
    xdotool key alt+F4
    exited() { ! kill -0 "$pid" 2>/dev/null; }
    poll 30 exited || fail "the program did not end after Alt+F4"
    local status=0
    wait "$pid" || status=$?
    ((status == 0)) || fail "the program ended with status $status"
}
click() { xdotool mousemove --window "$window" --sync "$1" "$2" click 1; }
# A message box of the program's: a window of its caption other than the
# main one.
box=
find_box() {
    box=$(xdotool search --onlyvisible --name '^Korvane$' 2>/dev/null | grep -vx "$window" | head -n 1)
    [ -n "$box" ]
}
