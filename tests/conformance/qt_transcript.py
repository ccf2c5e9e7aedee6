#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
"""The conformance race (compare.sh) played in the real Qt program by key events, written as a
transcript: captions and boxes from the program's own trace (QUORVELLA_E2E_TRACE, with the clock
ticked through QUORVELLA_E2E_CONTROL), focus moves and what a reader gets from the AT-SPI bus.

    qt_transcript.py PROGRAM WORKDIR x11|wayland [WESTON_LOG]

Runs inside a D-Bus session with an AT-SPI bus, under an X server (x11) or a Weston whose X window
has the X keyboard (wayland): see qt_conformance.sh. Writes WORKDIR/transcript.
"""
import os
import re
import subprocess
import sys
import threading
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "a11y"))
import atspi_apps  # noqa: E402

program, work, platform = sys.argv[1], sys.argv[2], sys.argv[3]
weston_log = sys.argv[4] if len(sys.argv) > 4 else None
MAIN = "Giocare con la tavola pitagorica"
# The controls that can take the focus, by what a reader hears of them.
CONTROLS = {(Atspi.Role.PUSH_BUTTON, "Nuovo calcolo"): "cmdNext",
            (Atspi.Role.PUSH_BUTTON, "Esci"): "cmdExit"}
lines = []      # the transcript
events = []     # (event type, source, detail1, name, description, role, control)
out = []        # the program's standard output, line by line


def main_control(acc):
    """The window's control name of `acc`, or None for anything outside the window's client."""
    try:
        role, name = acc.get_role(), acc.get_name()
        up = acc.get_parent()
        while up is not None and up.get_role() != Atspi.Role.FRAME:
            up = up.get_parent()
        if up is None or up.get_name() != MAIN:
            return None
        if role in (Atspi.Role.MENU_BAR, Atspi.Role.MENU, Atspi.Role.MENU_ITEM):
            return None  # the menu is not a control of the window
        if role == Atspi.Role.TEXT:
            return "txtAnswer"
        return CONTROLS.get((role, name), "?%s:%s" % (role.value_nick, name))
    except GLib.Error:
        return None


def heard(event):
    acc = event.source
    name = description = role = control = None
    try:
        acc.clear_cache()
        name, description, role = acc.get_name(), acc.get_description(), acc.get_role()
        if event.type == "object:state-changed:focused" and event.detail1 == 1:
            control = main_control(acc)
    except GLib.Error:
        pass
    events.append((event.type, acc, event.detail1, name, description, role, control))


listener = Atspi.EventListener.new(heard)
for kind in ("object:state-changed:focused", "object:state-changed:showing", "window:activate"):
    listener.register(kind)

env = dict(os.environ, QUORVELLA_E2E_DIR=work + "/records/", QUORVELLA_E2E_SEED="5",
           QUORVELLA_E2E_TRACE="1", QUORVELLA_E2E_CONTROL="1", LC_ALL="C.UTF-8")
env["QT_QPA_PLATFORM"] = "xcb" if platform == "x11" else "wayland"
game = subprocess.Popen([program], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                        stderr=open(work + "/err.txt", "w"), text=True, bufsize=1)


def read_out():
    for line in game.stdout:
        out.append(line.rstrip("\n"))


threading.Thread(target=read_out, daemon=True).start()


def pump(until, timeout=30.0, what="a state"):
    """Runs the event loop until `until()` holds; returns False after `timeout` seconds."""
    end = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while not until():
        if time.monotonic() > end:
            print("timed out waiting for " + what, file=sys.stderr, flush=True)
            return False
        context.iteration(False) or time.sleep(0.005)
    return True


def settle():
    """Lets every AT-SPI event the program sent before now arrive."""
    app = find_app()
    if app is not None:
        try:
            app.get_name()
        except GLib.Error:
            pass
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def find_app():
    return atspi_apps.find_app(game.pid)


def command(text, done):
    mark = len(out)
    game.stdin.write(text + "\n")
    game.stdin.flush()
    pump(lambda: done in out[mark:] or game.poll() is not None, what=text)
    return out[mark:]


def keyboard_entries():
    if not weston_log:
        return 0
    with open(weston_log, errors="replace") as log:
        return len(re.findall(r"ev wl_keyboard@\d+\.enter", log.read()))


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def key(*keys):
    xdo("key", "--delay", "30", *keys)


answered = set()


def answer_boxes(mark, entries, keys=("Return",), count=1):
    """Answers the next `count` boxes shown since output line `mark` with `keys`, once each
    has the keyboard; returns the box lines."""
    boxes = []
    for _ in range(count):
        if not pump(lambda: len([l for l in out[mark:] if l.startswith("box ")]) > len(boxes)
                    or game.poll() is not None, what="a box"):
            break
        line = [l for l in out[mark:] if l.startswith("box ")][len(boxes)]
        boxes.append(line)
        title = re.match(r"box title=(.*?) text=", line).group(1)
        if platform == "x11":
            def shown():
                ids = [i for i in xdo("search", "--all", "--onlyvisible", "--pid", str(game.pid),
                                      "--name", "^" + re.escape(title) + "$") if i not in answered]
                return ids[-1] if ids else None
            pump(lambda: shown() is not None, what="the box " + title)
            box = shown()
            answered.add(box)
            xdo("windowfocus", "--sync", box)
        else:
            pump(lambda: keyboard_entries() > entries, what="the keyboard in the box " + title)
            entries = keyboard_entries()
        hear_box()
        if title.startswith("Quorvella") and "Come ti chiami" in line:
            xdo("type", "--delay", "30", "Ada")
        key(*keys)
    return boxes


def hear_box():
    """What a reader hears of the box on the screen: its title, then its text."""
    def dialog():
        app = find_app()
        found = None
        for i in range(app.get_child_count() if app else 0):
            w = app.get_child_at_index(i)
            try:
                if w.get_role() in (Atspi.Role.DIALOG, Atspi.Role.ALERT) and \
                        w.get_state_set().contains(Atspi.StateType.SHOWING):
                    found = w
            except GLib.Error:
                pass
        return found
    pump(lambda: dialog() is not None, what="the box on the bus")
    box = dialog()
    if box is None:
        return
    box.clear_cache()
    says.append(box.get_name())
    for i in range(box.get_child_count()):
        child = box.get_child_at_index(i)
        child.clear_cache()
        if child.get_role() == Atspi.Role.LABEL and child.get_name():
            says.append(child.get_name())
            break


says = []


def step(name, action, settled):
    """Runs step `name`: `action()`, then waits until `settled()` (given the first event and the
    first output line of the step) holds, and writes what the step showed."""
    lines.append("== " + name)
    first, mark = len(events), len(out)
    says.clear()
    boxes = action() or []
    pump(lambda: settled(first, mark) or game.poll() is not None, what="the step " + name)
    settle()
    if game.poll() is None:
        lines.extend(l for l in command("captions", "captions done") if l.startswith("caption "))
    moves = [e for e in events[first:] if e[0] == "object:state-changed:focused" and e[2] == 1
             and e[6] is not None]
    lines.extend("focus " + e[6] for e in moves)
    lines.extend("reader focus %s name=%s description=%s" % (e[6], e[3] or "", e[4] or "")
                 for e in moves)
    lines.extend("reader says " + s for s in says)
    lines.extend(boxes)


def focused(control):
    return lambda first, mark: any(e[6] == control for e in events[first:]
                                   if e[0] == "object:state-changed:focused" and e[2] == 1)


def notifications(first):
    return [e for e in events[first:] if e[5] == Atspi.Role.NOTIFICATION
            and e[0] == "object:state-changed:showing" and e[2] == 1]


# The name box and the greeting, then the window.
def start():
    pump(lambda: find_app() is not None, what="the program on the bus")
    boxes = answer_boxes(0, 0, count=2)
    if platform == "x11":
        pump(lambda: xdo("search", "--onlyvisible", "--pid", str(game.pid), "--name",
                         "^" + MAIN + "$"), what="the window")
        xdo("windowfocus", "--sync", xdo("search", "--onlyvisible", "--pid", str(game.pid),
                                         "--name", "^" + MAIN + "$")[0])
    return boxes


step("start", start, focused("txtAnswer"))
question = re.compile(r"caption lblNum(\d)=(\d+)")


def product():
    factors = {}
    for line in command("captions", "captions done"):
        m = question.match(line)
        if m:
            factors[m.group(1)] = int(m.group(2))
    return factors.get("1", 0) * factors.get("2", 0)


def typed(text):
    def action():
        xdo("type", "--delay", "30", text)
        key("Return")
    return action


step("right", typed(str(product())), focused("cmdNext"))
step("next-enter", lambda: key("Return"), focused("txtAnswer"))
step("wrong", typed(str(product() + 1)), focused("cmdNext"))
step("next-alt-n", lambda: key("alt+n"), focused("txtAnswer"))


def new_race_no():
    mark, entries = len(out), keyboard_entries()
    key("F10", "Right", "Return")
    # No is the question's default: Enter answers it.
    return answer_boxes(mark, entries)


step("new-race-no", new_race_no, focused("txtAnswer"))


def where_am_i():
    """Once the quiet after the focus is over, what a reader's where-am-I gets of the answer box:
    the names of the labels the box is labelled by."""
    box = next(e[1] for e in reversed(events) if e[6] == "txtAnswer")

    def told():
        box.clear_cache()
        for rel in box.get_relation_set():
            if rel.get_relation_type() == Atspi.RelationType.LABELLED_BY:
                target = rel.get_target(0)
                target.clear_cache()
                return target.get_name()
        return ""
    pump(lambda: "Mancan" in told() or "Manca " in told(), timeout=10, what="where-am-I")
    says.append(told())


step("where-am-i", where_am_i, lambda first, mark: True)


def announced(first):
    """Waits for the next announcement since event `first` and says it."""
    if pump(lambda: len(notifications(first)) > 0, timeout=10, what="an announcement"):
        says.append(notifications(first)[0][3])


def ticks(n, announcement=True):
    first = len(events)
    command("ticks %d" % n, "ticks done")
    if announcement:
        announced(first)


step("minute", lambda: ticks(60), lambda first, mark: True)


def end():
    for _ in range(13):
        ticks(60)
    for n in (50, 5, 3):
        ticks(n)
    ticks(2, announcement=False)
    mark, entries = len(out), keyboard_entries()
    game.stdin.write("ticks 1\n")
    game.stdin.flush()
    return answer_boxes(mark, entries, count=2)


step("end", end, lambda first, mark: game.poll() is not None)
pump(lambda: game.poll() is not None, what="the end of the program")
if game.poll() != 0:
    lines.append("exit status %s" % game.poll())
    game.kill()
records = work + "/records"
for name in sorted(os.listdir(records)):
    with open(os.path.join(records, name), "rb") as f:
        data = f.read()
    text = "".join({13: "\\r", 10: "\\n", 92: "\\\\"}.get(b, chr(b) if 32 <= b < 127 else
                                                         "\\x%02x" % b) for b in data)
    lines.append("file %s %s" % (name, text))
with open(work + "/transcript", "w") as f:
    f.write("\n".join(lines) + "\n")
