#!/usr/bin/python3
"""Korvane as a screen reader meets it, through AT-SPI, and played with the
keyboard alone.

Started by screen-reader.sh on an X display with an accessibility bus:
    screen-reader.py KORVANE FOLDER_WITH_MONDAI_TXT

Through AT-SPI, as Orca would: every cell's text through the Text interface;
the buttons as push buttons with a press action; palette 5 and a cell
pressed through their actions, the cell's text becoming 5 with a
text-changed event for it; 自動消去's checked state before and after a
press; Alt+arrow keys moving the focus from cell to cell; Ctrl+H's step named on
the message line, and its explanation read. Then, with xdotool
keys only and no mouse: Data Load, 自動消去, 連続消去 solve the sample, and a
partial undo and a placement follow.
"""

import os
import re
import subprocess
import sys
import tempfile
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# get_action_name has a newer name in later versions of the library, not yet
# in Debian 12's.
warnings.filterwarnings("ignore", category=DeprecationWarning)

PROGRAM, FOLDER = sys.argv[1], sys.argv[2]
failures = []


def start():
    """Korvane in FOLDER, with a state folder of its own: no board kept by an
    earlier start is offered."""
    state = tempfile.mkdtemp(dir=FOLDER, prefix="state.")
    return subprocess.Popen([PROGRAM], cwd=FOLDER, env=dict(os.environ, XDG_STATE_HOME=state))


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def pump(seconds=0.05):
    """Lets events arrive for a while."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.01)


def wait_for(condition, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        pump()
        if condition():
            return True
    return False


heard = []


def on_event(event):
    try:
        name = place(event.source.get_name())
    except GLib.Error:
        name = None
    heard.append((event.type, name, event.detail1))


Atspi.init()
listener = Atspi.EventListener.new(on_event)
for kind in ("object:text-changed", "object:state-changed:focused", "object:state-changed:checked"):
    listener.register(kind)

program = start()


def find_app():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name().lower() == "korvane":
            return app
    return None


def controls(app):
    """Every named object under the application, by name."""
    found = {}

    def walk(obj, depth):
        if obj is None or depth > 6:
            return
        name = obj.get_name()
        if name:
            # A cell is named with what its colour means: "3行5列、候補".
            found.setdefault(place(name), obj)
        for i in range(obj.get_child_count()):
            walk(obj.get_child_at_index(i), depth + 1)

    walk(app, 0)
    return found


def place(name):
    """A cell's name without its meaning; any other name as it is."""
    return name[:4] if re.match(r"[1-9]行[1-9]列、", name) else name


def message_line(app):
    """The message line: the one label, named by its message."""
    def walk(obj, depth):
        if obj is None or depth > 6:
            return None
        if obj.get_role() == Atspi.Role.LABEL:
            return obj
        for i in range(obj.get_child_count()):
            found = walk(obj.get_child_at_index(i), depth + 1)
            if found:
                return found
        return None
    return walk(app, 0)


def text_of(obj):
    return Atspi.Text.get_text(obj, 0, Atspi.Text.get_character_count(obj))


def press(obj):
    for i in range(Atspi.Action.get_n_actions(obj)):
        if Atspi.Action.get_action_name(obj, i) == "Press":
            return Atspi.Action.do_action(obj, i)
    return False


def has_state(obj, state):
    obj.clear_cache()
    return obj.get_state_set().contains(state)


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "40", *names], check=True)


def cell(r, c):
    return by_name[f"{r}行{c}列"]


try:
    app = None
    wait_for(lambda: find_app() is not None, 30)
    app = find_app()
    if not check(app is not None, "korvane is on the accessibility bus"):
        sys.exit(1)
    by_name = {}
    check(wait_for(lambda: len(by_name.update(controls(app)) or by_name) >= 101, 20),
          "101 controls found by name")

    # ---- reading ----
    readable = sum(1 for r in range(1, 10) for c in range(1, 10)
                   if text_of(cell(r, c)) == "123456789")
    check(readable == 81, f"{readable} of 81 cells read as 123456789 through the Text interface")
    roles = {"数字1": Atspi.Role.RADIO_BUTTON, "数字5": Atspi.Role.RADIO_BUTTON,
             "数字9": Atspi.Role.RADIO_BUTTON, "部分取消": Atspi.Role.RADIO_BUTTON,
             "修正": Atspi.Role.RADIO_BUTTON, "普通問題": Atspi.Role.PUSH_BUTTON,
             "全部取消": Atspi.Role.PUSH_BUTTON, "連続消去": Atspi.Role.PUSH_BUTTON,
             "自動消去": Atspi.Role.CHECK_BOX}
    for name, role in roles.items():
        obj = by_name[name]
        check(obj.get_role() == role and
              any(Atspi.Action.get_action_name(obj, i) == "Press"
                  for i in range(Atspi.Action.get_n_actions(obj))),
              f"{name} is a {role.value_nick} with a press action")
    message = message_line(app)
    check(message is not None and text_of(message).startswith("使用方法") and
          message.get_name() == text_of(message), "the message line is a label named by its text")

    # ---- questions of a careless or hostile client ----
    # Answered by the box from its own text, whatever the range asked: the
    # program goes on answering.
    Atspi.set_timeout(30000, 30000)
    whole = Atspi.Text.get_range_extents(cell(1, 1), 0, 2**31 - 1, Atspi.CoordType.SCREEN)
    check(0 < whole.width < 200 and 0 < whole.height < 200,
          f"the range 0..2^31-1 of a cell is the cell's text ({whole.width}x{whole.height})")
    button = by_name["全部取消"]
    check(not Atspi.EditableText.insert_text(button, 0, "1" * 10**6, 10**6) and
          text_of(button) == "全部\n取消\n", "a million characters inserted in a button: refused")
    check(text_of(cell(1, 1)) == "123456789", "the program answers afterwards")

    # ---- a placement through actions alone ----
    heard.clear()
    press(by_name["数字5"])
    pump(0.3)
    press(cell(5, 5))
    check(wait_for(lambda: text_of(cell(5, 5)) == "5"), "palette 5 and 5行5列 pressed: it shows 5")
    check(wait_for(lambda: any(t.startswith("object:text-changed") and n == "5行5列"
                               for t, n, _ in heard)), "a text-changed event for 5行5列")

    # ---- a checked state ----
    automatic = by_name["自動消去"]
    check(not has_state(automatic, Atspi.StateType.CHECKED), "自動消去 is not checked at first")
    press(automatic)
    check(wait_for(lambda: has_state(automatic, Atspi.StateType.CHECKED)),
          "自動消去 is checked once pressed")

    # ---- moving with Alt+arrow keys ----
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                             str(program.pid)], capture_output=True, text=True,
                            check=True).stdout.split()[0]
    subprocess.run(["xdotool", "windowactivate", "--sync", window], check=True)
    pump(0.3)

    def focused_cell():
        for name, obj in by_name.items():
            if "行" in name and has_state(obj, Atspi.StateType.FOCUSED):
                return name
        return None

    Atspi.Component.grab_focus(cell(1, 1))
    check(wait_for(lambda: focused_cell() == "1行1列"), "1行1列 takes the focus")
    heard.clear()
    keys("alt+Down")
    check(wait_for(lambda: focused_cell() == "2行1列"), "Alt+Down moves to 2行1列")
    keys("alt+Right")
    check(wait_for(lambda: focused_cell() == "2行2列"), "Alt+Right moves to 2行2列")
    check(any(t == "object:state-changed:focused" and n == "2行2列" and d == 1
              for t, n, d in heard), "the move is heard as a focus event")
    keys("alt+Left", "alt+Left")
    check(wait_for(lambda: focused_cell() == "2行1列"), "Alt+Left stops at the edge")

    # ---- a hint, heard ----
    # A digit placed with 自動消去 off is still among its peers' candidates.
    press(automatic)
    press(by_name["数字7"])
    pump(0.3)
    press(cell(1, 1))
    check(wait_for(lambda: text_of(cell(1, 1)) == "7"), "7 placed in 1行1列")
    keys("ctrl+h")
    check(wait_for(lambda: text_of(message_line(app)).startswith("ヒント：")),
          "Ctrl+H names the next step on the message line")
    keys("ctrl+h")
    explained = lambda: [name for name in controls(app) if "消せます" in name]
    check(wait_for(lambda: explained()), "Ctrl+H again: the explanation is read by its text")

    # ---- the sample with the keyboard alone ----
    # Back to a fresh board, played with keys alone.
    program.terminate()
    program.wait(10)
    program = start()
    wait_for(lambda: find_app() is not None, 30)
    app = find_app()
    by_name = {}
    wait_for(lambda: len(by_name.update(controls(app)) or by_name) >= 101, 20)
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                             str(program.pid)], capture_output=True, text=True,
                            check=True).stdout.split()[0]
    subprocess.run(["xdotool", "windowactivate", "--sync", window], check=True)
    pump(0.3)
    if focused_cell() is None:
        keys("Tab")
    check(wait_for(lambda: focused_cell() == "1行1列"), "the keyboard starts in 1行1列")
    # The Tab order follows the screen: the grid, the palette, then 全数表示,
    # 単数表示, 全部取消 and the bottom row from Data Save to 普通問題, the last.
    keys(*["shift+Tab"] * 4, "ctrl+Return")             # Data Load
    check(wait_for(lambda: text_of(cell(1, 3)) == "5"), "Data Load: the sample's givens are in")
    keys("Tab", "Tab", "ctrl+Return")                    # 自動消去
    check(wait_for(lambda: has_state(by_name["自動消去"], Atspi.StateType.CHECKED)), "自動消去 on")
    keys("shift+Tab", "space")                           # 連続消去
    solved = lambda: all(len(text_of(cell(r, c))) == 1
                         for r in range(1, 10) for c in range(1, 10))
    check(wait_for(solved), "連続消去 solves the sample: every cell holds one digit")
    first = text_of(cell(1, 1))
    keys(*["shift+Tab"] * 6, "space")                   # 部分取消
    keys(*["Tab"] * 9, "ctrl+Return")                    # on 1行1列
    check(wait_for(lambda: not cell(1, 1).get_description().startswith("確定")),
          "partial undo: 1行1列 is no longer decided")
    digit = int(first)
    keys(*["Tab"] * (80 + digit), "space")               # the palette's digit
    keys(*["Tab"] * (20 - digit), "ctrl+Return")          # on 1行1列 again
    check(wait_for(lambda: cell(1, 1).get_description().startswith("確定") and
                   text_of(cell(1, 1)) == first), f"placement: 1行1列 holds a decided {first}")
    check(solved(), "the board is solved again")
finally:
    program.terminate()
    try:
        program.wait(10)
    except subprocess.TimeoutExpired:
        program.kill()

if failures:
    print(f"{len(failures)} checks failed", file=sys.stderr)
    sys.exit(1)
