#!/usr/bin/env bash
# Drives the real program as a person would, on an X display of its own (run
# it under xvfb-run): starts korvane in a fresh folder holding a mondai.txt,
# clicks Data Load, 自動消去 and 連続消去 where they stand on the screen, and
# reads from a screenshot that every one of the 81 cells shows a decided,
# dark-red digit. On the way it opens a message box and checks that it is wide
# enough for its caption. Then it closes the window with Alt+F4, as a user
# would, and expects the program to end with status 0. Last, it starts the
# program with the puzzle file, elsewhere, on its command line, and with the
# same puzzle in each exchange shape (81 characters, .sdk, .ss, full-width
# rows, a boxed grid); then pastes each with Ctrl+Shift+V and copies the
# puzzle back with Ctrl+Shift+C.
# Usage: solve-sample.sh KORVANE MONDAI_TXT SCREENSHOT_DIR
set -euo pipefail
program=$(realpath "$1")
puzzle=$2
shots=$3

source "$(dirname "$(realpath "$0")")/common.sh"

export QT_QPA_PLATFORM=xcb
# In the sanitizer build, the leak check at exit must not count what D-Bus
# and fontconfig keep for the life of the process.
here=$(dirname "$(realpath "$0")")
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0:suppressions=$here/lsan.supp

start_window_manager

cp "$puzzle" "$work/mondai.txt"
start "$work"

title=$(xdotool getwindowname "$window")
[ "$title" = Korvane ] || fail "window title is '$title'"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "${WIDTH}x${HEIGHT}" = 461x539 ] || fail "client area is ${WIDTH}x${HEIGHT}"

# shot NAME: a screenshot of the window, then its analysis: how many cells
# show a dark-red digit (at least 30 red-dominant pixels inside the cell's
# borders), and how many pixels have the pale yellow of the even boxes.
# Cell r, c covers x 24 + 40c .. 64 + 40c, y 24 + 48r .. 72 + 48r.
cells=0
yellow=0
shot() {
    import -window "$window" "$shots/$1.png" || return 1
    read -r cells yellow < <(convert "$shots/$1.png" -depth 8 rgb:- | od -An -v -tu1 -w3 |
        awk -v width="$WIDTH" '
        {
            x = (NR - 1) % width; y = int((NR - 1) / width); r = $1; g = $2; b = $3
            yellow += (r == 255 && g == 255 && b == 192)
            c = int((x - 24) / 40); row = int((y - 24) / 48)
            dx = x - 24 - 40 * c; dy = y - 24 - 48 * row
            if (x >= 24 && y >= 24 && c < 9 && row < 9 && dx >= 2 && dx <= 38 &&
                dy >= 2 && dy <= 46 && r >= 128 && g <= 80 && b <= 80)
                red[row * 9 + c]++
        }
        END {
            for (i = 0; i < 81; i++) n += (red[i] >= 30)
            print n, yellow + 0
        }')
}
painted() { shot start && ((yellow > 10000)); }
decided_at_least() { shot "$1" && ((cells >= $2)); }

# Nothing is decided before the puzzle is loaded: all cells list candidates.
poll 30 painted || fail "the window was not drawn"
((cells == 0)) || fail "$cells cells are red before Data Load"

# A message box with one of the shortest prompts: placing 1 twice in the first
# cell gives 決定済みです. It must be wide enough for the window manager to
# show its whole caption, and go away with Enter.
click 416 42 # palette 1
click 44 48
# Later than a double-click, and a point apart, since --sync waits for the
# pointer to move.
sleep 1
click 45 49
poll 30 find_box || fail "no message box appeared"
box_width=$(xdotool getwindowgeometry --shell "$box" | sed -n 's/^WIDTH=//p')
((box_width >= 200)) || fail "the message box is $box_width pixels wide"
xdotool windowactivate --sync "$box" key Return
box_closed() { ! xdotool search --onlyvisible --name '^Korvane$' 2>/dev/null | grep -qx "$box"; }
poll 30 box_closed || fail "the message box did not close on Enter"

click 80 488 # Data Load
poll 30 decided_at_least loaded 17 || fail "after Data Load $cells cells are decided"
((cells < 81)) || fail "Data Load decided every cell at once"
givens=$cells

click 368 488 # 自動消去
click 328 488 # 連続消去
poll 30 decided_at_least solved 81 || fail "after 連続消去 only $cells of 81 cells are decided"

close
echo "solved: 81 of 81 cells decided; window closed, exit status 0"

# The same puzzle given on the command line, from a folder with a space and
# kanji in its name, to a program started in another, empty folder: its
# givens are there at once, and Data Load reads that file again.
mkdir "$work/他の 場所" "$work/empty"
cp "$puzzle" "$work/他の 場所/問題 ファイル.txt"
start "$work/empty" "$work/他の 場所/問題 ファイル.txt"
decided_exactly() { shot "$1" && ((cells == givens)); }
poll 30 decided_exactly opened || fail "opened from the command line: $cells cells decided, not $givens"
click 80 488 # Data Load
sleep 1
! find_box || fail "Data Load did not find the file it was started with"
decided_exactly reloaded || fail "after Data Load $cells cells are decided, not $givens"
close
echo "opened from the command line: $givens givens; window closed, exit status 0"

# The same puzzle in the shapes other programs and web pages pass puzzles
# around in, each given on the command line: every given is decided.
/usr/bin/python3 - "$puzzle" "$work/shapes" <<'PY'
import pathlib, sys
lines = pathlib.Path(sys.argv[1]).read_bytes().decode("cp932").splitlines()
def cell(ch):
    digit = "１２３４５６７８９".find(ch)
    return str(digit + 1) if digit >= 0 else ch if ch in "123456789" else "."
cells = "".join(cell(lines[2 * r + 1][2 * c + 1]) for r in range(9) for c in range(9))
rows = [cells[9 * r:9 * r + 9] for r in range(9)]
out = pathlib.Path(sys.argv[2])
out.mkdir()
def boxed(bar, rule):
    text = []
    for r, row in enumerate(rows):
        if r in (3, 6):
            text.append(rule)
        text.append(bar.join(" ".join(row[b:b + 3]) for b in (0, 3, 6)))
    return "\n".join(text) + "\n"
full = "".join("".join("　" if ch == "." else chr(ord("０") + int(ch)) for ch in row) + "\r\n"
               for row in rows)
shapes = {
    "zeros.txt": cells.replace(".", "0") + "\n",
    "dots.txt": cells + "\n",
    "puzzle.sdk": "#A somebody\n#D a puzzle\n" + "\n".join(rows) + "\n",
    "puzzle.ss": "*-----------*\n" + "\n".join(
        ("|---+---+---|\n" if r in (3, 6) else "") + "|" + "|".join(row[b:b + 3] for b in (0, 3, 6)) + "|"
        for r, row in enumerate(rows)) + "\n*-----------*\n\n123456789\n",
    "boxed.txt": boxed(" | ", "------+-------+------"),
}
for name, text in shapes.items():
    (out / name).write_text(text, encoding="utf-8")
(out / "full-width.txt").write_bytes(full.encode("cp932"))
(out / "full-width-utf8.txt").write_text(full, encoding="utf-8")
PY
for file in "$work/shapes"/*; do
    start "$work/empty" "$file"
    poll 30 decided_exactly shape || fail "$(basename "$file"): $cells cells decided, not $givens"
    close
    echo "$(basename "$file") from the command line: $givens givens"
done

# The same shapes through the clipboard: 問題を貼り付け (Ctrl+Shift+V) places
# each, and 問題をコピー (Ctrl+Shift+C) gives the puzzle back as 81
# characters. Each pasted puzzle is preceded by one of a single given, so
# that every paste shows.
start "$work/empty"
for file in "$work/shapes"/*; do
    [ "$(basename "$file")" = full-width.txt ] && continue # Shift-JIS: no clipboard text
    printf '1%080d\n' 0 | xclip -selection clipboard -i
    xdotool windowactivate --sync "$window" key ctrl+shift+v
    decided_one() { shot "$1" && ((cells == 1)); }
    poll 30 decided_one one || fail "a pasted puzzle of one given: $cells cells decided"
    xclip -selection clipboard -i <"$file"
    xdotool windowactivate --sync "$window" key ctrl+shift+v
    poll 30 decided_exactly pasted || fail "$(basename "$file") pasted: $cells cells decided, not $givens"
    echo "$(basename "$file") pasted: $givens givens"
done
xdotool windowactivate --sync "$window" key ctrl+shift+c
copied() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$(tr -d '\n' <"$work/shapes/dots.txt")" ]; }
poll 10 copied || fail "問題をコピー gave \"$(xclip -selection clipboard -o)\""
echo "問題をコピー: the 81 characters came back"
close
