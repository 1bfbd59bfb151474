#!/usr/bin/env bash
# The board kept across a close and a kill -9, on an X display of its own
# (run it under xvfb-run):
# - a run of actions is played slowly once, each state the program keeps
#   taken down with a screenshot;
# - closed with Alt+F4 and started again, the program asks once, and はい
#   (Return) puts the same board back; three Ctrl+Z and a Ctrl+Shift+Z walk
#   the states taken down, and after another close and はい a Ctrl+Z goes
#   back past the restart; Data Load then places the saved grid;
# - the same actions played fast and cut by kill -9 leave a kept board that
#   is exactly one of the states taken down, never a mixture, and it is
#   offered back; kill -9 a second after an action keeps that action;
# - いいえ starts afresh and keeps the file until the next action, and the
#   program starts without a question when nothing differs from the
#   start-up board, or after a start with keys that only move;
# - with a state folder that cannot be made, the window still works, and
#   says so once on standard error;
# - a board.json that is a FIFO is set aside at once, and the window works;
# - a lock that nothing will let go (another computer's, a folder in its
#   place) is said in a box that offers to take it over: いいえ (the default)
#   keeps nothing and leaves the lock, はい takes it and keeps the board; a
#   second program while the first runs asks nothing and keeps nothing.
# Usage: keep-board.sh KORVANE MONDAI_TXT SCREENSHOT_DIR
set -euo pipefail
program=$(realpath "$1")
puzzle=$2
shots=$3
here=$(dirname "$(realpath "$0")")

source "$here/common.sh"
export QT_QPA_PLATFORM=xcb
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0:suppressions=$here/lsan.supp
mkdir -p "$shots"
cp "$puzzle" "$work/mondai.txt"
start_window_manager

# shot NAME: a screenshot of the window, once a press on the message line
# (which runs nothing) has taken away the focus frame that a start shows on
# the first cell, so that every shot shows the board alone.
shot() {
    click 200 488
    sleep 0.2
    import -window "$window" "$shots/$1.png"
}
# looks_like A B: the two screenshots differ in no more pixels than a caret
# and a focused box's frame may make.
looks_like() {
    local differ
    differ=$(compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1 || true)
    ((${differ%% *} <= 150)) || {
        echo "$1 and $2 differ in $differ pixels" >&2
        return 1
    }
}
# same_board A B: two kept files hold the same board.
same_board() {
    /usr/bin/python3 -c 'import json, sys
a, b = (json.load(open(p, encoding="utf-8"))["board"] for p in sys.argv[1:])
sys.exit(a != b)' "$1" "$2" 2>/dev/null
}
asked() { poll 20 find_box; }
answer() { xdotool windowactivate --sync "$box" key "$1"; }
no_question() {
    sleep 2
    ! find_box || fail "a question was asked: $*"
}
kill_hard() {
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
}

# Data Save, Data Load, 自動消去, a palette digit, a cell: where they stand.
data_save=(40 488)
data_load=(80 488)
auto=(368 488)
palette() { echo 416 $((42 + 32 * ($1 - 1))); }
cell() { echo $((44 + 40 * $2)) $((48 + 48 * $1)); }
# The actions after Data Load: three placements of the sample's solution,
# 自動消去 on and off, a Data Save, other digits chosen.
actions=("$(palette 8)" "$(cell 0 0)" "${auto[*]}" "$(palette 2)" "$(cell 0 1)"
    "${data_save[*]}" "$(palette 9)" "$(cell 0 3)" "${auto[*]}" "$(palette 5)")

# ---- slowly, every kept state taken down ----
state_home=$work/slow
kept=$state_home/korvane/board.json
start "$work"
no_question "on the first start"
shot fresh
click "${data_load[@]}"
written() { [ -f "$kept" ] && ! same_board "$kept" "$1"; }
poll 10 test -f "$kept" || fail "nothing was kept after Data Load"
sleep 0.5
cp "$kept" "$work/state-0.json"
shot state-0
for k in "${!actions[@]}"; do
    n=$((k + 1))
    # shellcheck disable=SC2086
    click ${actions[$k]}
    poll 10 written "$work/state-$k.json" || fail "action $n was not kept"
    sleep 0.3
    cp "$kept" "$work/state-$n.json"
    shot "state-$n"
done
last=${#actions[@]}
close
same_board "$kept" "$work/state-$last.json" || fail "the close changed the kept board"
echo "kept: Data Load and ${last} actions, each within a moment"

# ---- closed, started again, はい ----
start "$work"
asked || fail "no question after a close"
answer Return
sleep 1
shot restored
looks_like restored "state-$last" || fail "はい did not put the board back"
echo "restored after a close: the same board"

# ---- undone and redone, across a restart ----
keys() {
    xdotool windowactivate --sync "$window" key "$1"
    sleep 0.7
    shot "$2"
}
keys ctrl+z undone-1
looks_like undone-1 "state-$((last - 1))" || fail "Ctrl+Z did not take back the last action"
keys ctrl+z undone-2
looks_like undone-2 "state-$((last - 2))" || fail "a second Ctrl+Z did not go back a step more"
keys ctrl+z undone-3
looks_like undone-3 "state-$((last - 3))" || fail "a third Ctrl+Z did not go back a step more"
keys ctrl+shift+z redone
looks_like redone "state-$((last - 2))" || fail "Ctrl+Shift+Z did not bring the step back"
close
start "$work"
asked || fail "no question after the undo and the close"
answer Return
sleep 1
shot restored-redone
looks_like restored-redone "state-$((last - 2))" || fail "はい did not put the undone board back"
keys ctrl+z undone-after-restart
looks_like undone-after-restart "state-$((last - 3))" || fail "Ctrl+Z did not go back past the restart"
echo "undone three times, redone once, and undone again after a restart"

sleep 0.5
cp "$kept" "$work/before-load.json"
click "${data_load[@]}"
poll 10 written "$work/before-load.json" || fail "Data Load after the restore was not kept"
/usr/bin/python3 - "$work/state-$last.json" "$kept" <<'PY' || fail "Data Load did not place the saved grid"
import json, sys
before, after = (json.load(open(p, encoding="utf-8"))["board"] for p in sys.argv[1:])
grid = before["savedGrid"][:81]
assert before["hasSavedGrid"] == 1 and after["hasSavedGrid"] == 0
assert [d == 1 for d in after["decided"][:81]] == [bool(g) for g in grid]
assert all(not g or after["controls"][f"Text1_{i}"]["text"] == g for i, g in enumerate(grid))
PY
close
echo "Data Load after the restore placed the saved grid"

# ---- いいえ ----
# The kept board stays as it was until the first action; a kill leaves it so.
cp "$kept" "$work/declined.json"
start "$work"
asked || fail "no question after the second close"
answer Escape
sleep 1.5
same_board "$kept" "$work/declined.json" || fail "いいえ changed the kept board before an action"
kill_hard
start "$work"
asked || fail "no question after いいえ and no action"
answer Escape
click "${data_load[@]}"
poll 10 written "$work/declined.json" || fail "the first action after いいえ was not kept"
close
echo "いいえ: the kept board stays as it was until the next action"

# A board cleared at once is the start-up board: nothing to offer.
state_home=$work/cleared
kept=$state_home/korvane/board.json
start "$work"
click 416 456 # 全部取消
poll 10 test -f "$kept" || fail "全部取消 was not kept"
close
start "$work"
no_question "when the kept board is the start-up board"
close
echo "nothing is offered when the kept board is the start-up board"

# Keys that only move (and a Ctrl+Return with 修正 chosen) change nothing:
# nothing is asked at the next start.
state_home=$work/moves
kept=$state_home/korvane/board.json
start "$work"
xdotool windowactivate --sync "$window"
xdotool key --delay 60 Tab Tab shift+Tab alt+Right alt+Down alt+Left ctrl+Return Escape
sleep 1
close
start "$work"
no_question "after a start with only moves"
close
echo "keys that only move change nothing: no question at the next start"

# ---- kill -9 in the middle of a run of actions ----
for run in 1 2 3; do
    state_home=$work/fast-$run
    kept=$state_home/korvane/board.json
    start "$work"
    click "${data_load[@]}"
    poll 10 test -f "$kept" || fail "nothing was kept after Data Load"
    sleep 0.5
    (for a in "${actions[@]}"; do
        # shellcheck disable=SC2086
        xdotool mousemove --window "$window" --sync $a click 1
    done) 2>/dev/null &
    player=$!
    sleep "0.$((run * 2))"
    kill_hard
    wait "$player" 2>/dev/null || true
    match=
    for k in $(seq 0 "$last"); do
        same_board "$kept" "$work/state-$k.json" && match=$k
    done
    [ -n "$match" ] || fail "after kill -9 the kept board is none of the states played"
    start "$work"
    asked || fail "no question after kill -9"
    answer Return
    sleep 1
    shot "killed-$run"
    looks_like "killed-$run" "state-$match" || fail "the board kept at kill -9 did not come back"
    ! ls "$state_home"/korvane/board.json.bad-* >/dev/null 2>&1 ||
        fail "the board kept at kill -9 was set aside"
    close
    echo "kill -9 at $((run * 2))00 ms: the board after action $match, whole, offered and put back"
done

state_home=$work/one-second
kept=$state_home/korvane/board.json
start "$work"
click "${data_load[@]}"
sleep 1
# shellcheck disable=SC2086
click ${actions[0]}
sleep 1
kill_hard
same_board "$kept" "$work/state-1.json" || fail "kill -9 a second after an action lost it"
start "$work"
asked || fail "no question after kill -9"
answer Return
sleep 1
shot one-second
looks_like one-second state-1 || fail "the action before kill -9 is not on the board"
close
echo "kill -9 a second after an action: the action is kept"

# ---- a state folder that cannot be made ----
state_home=$work/blocked
echo "a file, not a folder" >"$state_home"
start "$work" 2>"$work/stderr"
no_question "with no state folder"
click "${data_load[@]}"
sleep 1
shot blocked
looks_like blocked state-0 || fail "with no state folder, Data Load did not show the puzzle"
click "${auto[@]}"
sleep 0.5
close
said=$(grep -c 'cannot keep the board' "$work/stderr" || true)
((said == 1)) || fail "with no state folder, stderr said it $said times: $(cat "$work/stderr")"
echo "with no state folder: the window works, and says once that nothing is kept"

# ---- a board.json that is a FIFO ----
state_home=$work/fifo
mkdir -p "$state_home/korvane"
mkfifo "$state_home/korvane/board.json"
start "$work" 2>"$work/stderr"
sleep 3
wchan=$(cat "/proc/$pid/wchan" 2>/dev/null || true)
case $wchan in *fifo* | *pipe* | *partner*) fail "3 s after the start the window waits in $wchan" ;; esac
[ -p "$state_home/korvane/board.json" ] && fail "the FIFO was not set aside"
ls "$state_home"/korvane/board.json.bad-* >/dev/null 2>&1 || fail "the FIFO is not where it was set aside"
grep -q 'does not read' "$work/stderr" || fail "the FIFO was set aside without a word: $(cat "$work/stderr")"
no_question "after a FIFO was set aside"
click "${data_load[@]}"
poll 10 test -f "$state_home/korvane/board.json" || fail "after a FIFO was set aside nothing was kept"
close
echo "board.json a FIFO: set aside at once, the window works and keeps the board"

# ---- a lock that nothing will let go ----
# はい is not the default: Tab to it, and press it.
answer_yes() { xdotool windowactivate --sync "$box" key Tab space; }
state_home=$work/other-host
lock=$state_home/korvane/board.lock
mkdir -p "$state_home/korvane"
printf '12345\nkorvane\nanother-host.example\n' >"$lock"
cp "$lock" "$work/other-host.lock"
start "$work" 2>"$work/stderr"
asked || fail "another computer's lock was not said on screen"
answer Return
sleep 1
shot lock-declined
looks_like lock-declined fresh || fail "answering the lock's box changed the board"
click "${data_load[@]}"
sleep 1
[ -e "$state_home/korvane/board.json" ] && fail "いいえ to the lock's box kept the board all the same"
cmp -s "$lock" "$work/other-host.lock" || fail "いいえ to the lock's box changed the lock"
grep -q 'cannot be taken' "$work/stderr" || fail "the lock was not said on standard error: $(cat "$work/stderr")"
close
start "$work"
asked || fail "another computer's lock was not said at the next start"
answer_yes
click "${data_load[@]}"
poll 10 test -f "$state_home/korvane/board.json" || fail "the lock taken over, nothing was kept"
[ "$(head -n 1 "$lock")" = "$pid" ] || fail "the lock taken over does not name this program"
close
echo "another computer's lock: said in a box; いいえ keeps nothing, はい takes it and keeps the board"

state_home=$work/lock-folder
mkdir -p "$state_home/korvane/board.lock"
start "$work"
asked || fail "a folder in the lock's place was not said on screen"
answer_yes
click "${data_load[@]}"
poll 10 test -f "$state_home/korvane/board.json" || fail "the folder's place taken over, nothing was kept"
ls -d "$state_home"/korvane/board.lock.bad-* >/dev/null 2>&1 || fail "the folder in the lock's place is gone"
close
echo "a folder in the lock's place: said in a box, moved aside on はい, and the board kept"

# A second program while the first runs: nothing asked, nothing kept, said
# on standard error, today as before.
state_home=$work/two
start "$work"
first_pid=$pid first_window=$window
click "${data_load[@]}"
poll 10 test -f "$state_home/korvane/board.json" || fail "the first program kept nothing"
cp "$state_home/korvane/board.json" "$work/first.json"
start "$work" 2>"$work/stderr"
sleep 2
# Both windows are called Korvane; a third would be a question.
others=$(xdotool search --onlyvisible --name '^Korvane$' 2>/dev/null |
    grep -vx -e "$window" -e "$first_window" || true)
[ -z "$others" ] || fail "the second program asked a question"
grep -q 'another Korvane keeps its board' "$work/stderr" || fail "the second program said nothing: $(cat "$work/stderr")"
click "${auto[@]}"
sleep 1
cmp -s "$state_home/korvane/board.json" "$work/first.json" || fail "the second program wrote the first one's board"
close
pid=$first_pid window=$first_window
close
echo "a second program while the first runs: nothing asked, nothing kept"
