# Shared by the end-to-end scripts that start the program (source it): a
# folder of the run's own, removed at the end with every program started
# (whose process ids go into `pids`), a home of its own in it, so that
# nothing kept elsewhere is seen or left behind, and two helpers.
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
