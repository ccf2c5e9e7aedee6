#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
"""A screen reader's view of a race: listens on the AT-SPI bus from before the program starts,
caching what it learns as readers do, plays by key events and checks what it heard. What a reader
gets at each focus, the announcements of the time left at a held clock, where-am-I and the end's
boxes are the conformance transcript's (tests/conformance); here what the transcript cannot
show: what a reader knows before the window shows, the order of events, the relations, the
menu, and the clock at a real pace.

    reader.py PROGRAM WORKDIR

Runs inside its own D-Bus session with an AT-SPI bus and an X server (see a11y_test.sh).
"""
import os
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_apps  # noqa: E402

program, work = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)


def pump(until, timeout=30.0, what="a state"):
    """Runs the event loop until `until()` holds; fails the test after `timeout` seconds."""
    end = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while not until():
        if time.monotonic() > end:
            raise SystemExit("FAIL: timed out waiting for " + what)
        context.iteration(False) or time.sleep(0.005)


# Everything heard, in order: (time, event type, source, detail1, name and role then).
events = []
app = None
window_shown = False
looked_at = set()
cached_apps = []


def heard(event):
    role = None
    try:
        name = event.source.get_name()
        role = event.source.get_role()
        if not window_shown:
            owner = event.source.get_application()
            if owner is not None and owner not in cached_apps:
                Atspi.Accessible.set_cache_mask(owner, Atspi.Cache.ALL)
                cached_apps.append(owner)
            event.source.get_state_set()
            looked_at.add(event.source)
    except GLib.Error:
        name = None
    events.append((time.monotonic(), event.type, event.source, event.detail1, name, role))


listener = Atspi.EventListener.new(heard)
for kind in ("object:state-changed:focused", "object:state-changed:showing",
             "object:state-changed:visible", "object:property-change:accessible-name",
             "object:property-change:accessible-description", "object:text-changed",
             "object:text-caret-moved", "object:children-changed", "window:activate",
             "object:selection-changed"):
    listener.register(kind)

env = dict(os.environ, QT_QPA_PLATFORM="xcb", QUORVELLA_E2E_DIR=work + "/records/",
           QUORVELLA_E2E_TICK_MS="40", QUORVELLA_E2E_SEED="3", LC_ALL="C.UTF-8")
game = subprocess.Popen([program], env=env, stdout=open(work + "/out.txt", "w"),
                        stderr=subprocess.STDOUT)


def xdo(*args):
    subprocess.run(["xdotool", *args], check=False, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def x_window(pattern):
    out = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(game.pid),
                          "--name", pattern], capture_output=True, text=True).stdout.split()
    return out[-1] if out else None


def key(*keys):
    xdo("key", "--delay", "30", *keys)


def find_app():
    return atspi_apps.find_app(game.pid)


def walk(acc, depth=0):
    yield acc, depth
    try:
        n = acc.get_child_count()
    except GLib.Error:
        return
    for i in range(n):
        child = acc.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def named(app, name):
    for acc, _ in walk(app):
        try:
            if acc.get_accessible_id() == name or acc.get_name() == name:
                return acc
        except GLib.Error:
            pass
    return None


# The name box is up: the program is on the bus. From now on the reader caches what it learns,
# and, as readers do, it looks at whatever an event comes from: the window is built hidden while
# the name box is up, and its labels are created and written before it shows.
pump(lambda: x_window("^Quorvella$") is not None, what="the name box")
pump(lambda: (globals().__setitem__("app", find_app()) or app) is not None, what="the program")
xdo("windowfocus", "--sync", x_window("^Quorvella$"))
xdo("type", "--delay", "20", "Ada")
key("Return")
pump(lambda: x_window("^Quorvella$") is not None, what="the greeting")
xdo("windowfocus", "--sync", x_window("^Quorvella$"))
greeted = len(events)
key("Return")


def focus_events(start):
    return [e for e in events[start:] if e[1] == "object:state-changed:focused" and e[3] == 1]


def wait_focus(start, role, what):
    def got():
        return any(e[5] == role for e in focus_events(start))
    pump(got, what=what)
    return [e for e in focus_events(start) if e[5] == role][-1]


def round_trip(acc):
    """Lets everything the program sent before now arrive (D-Bus keeps one sender's order)."""
    acc.get_name()
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def newest_of(acc, since):
    """The last event of `acc` since `since`, or a text event of it that came before its focus:
    a reader that meets the box's text or caret events before its focus takes the focus for
    old news and stays silent."""
    mine = [e[1] for e in events[since:] if e[2] == acc]
    if "object:state-changed:focused" in mine:
        early = [t for t in mine[:mine.index("object:state-changed:focused")]
                 if t.startswith("object:text-")]
        if early:
            return early[0] + " before the focus"
    return mine[-1] if mine else None


QUESTION = re.compile(r"^Quanto fa (\d) per (\d)\?$")

# 1. The first question: the answer box takes the focus, named by the question.
start = greeted
first = wait_focus(start, Atspi.Role.TEXT, "the answer box's focus")
box = first[2]
window_shown = True
round_trip(box)
m = QUESTION.match(box.get_name() or "")
check(m is not None, "answer box named by the question: %r" % box.get_name())
check(first[4] == box.get_name(), "the name was in place when the focus came: %r" % first[4])
check(newest_of(box, start) == "object:state-changed:focused",
      "the focus is the newest event of the answer box (got %s)" % newest_of(box, start))

# 2. The window's labels are known with SHOWING and VISIBLE; the headings label their values.
frame = next(acc for acc, _ in walk(app) if acc.get_role() == Atspi.Role.FRAME
             and acc.get_name() == "Giocare con la tavola pitagorica")
client = next(frame.get_child_at_index(i) for i in range(frame.get_child_count())
              if frame.get_child_at_index(i).get_child_count() > 5)
children = [client.get_child_at_index(i) for i in range(client.get_child_count())]
names = [c.get_name() for c in children]
labels = [c for c in children if c.get_role() == Atspi.Role.LABEL and c.get_name()]
bad = [c.get_name() for c in labels
       if not (c.get_state_set().contains(Atspi.StateType.SHOWING)
               and c.get_state_set().contains(Atspi.StateType.VISIBLE))]
check(len(labels) >= 14 and not bad,
      "%d labels with text, all SHOWING and VISIBLE (not: %s)" % (len(labels), bad))
check(len(looked_at & set(labels)) >= 10,
      "%d of them known to the reader before the first question" % len(looked_at & set(labels)))
a, b = m.group(1), m.group(2)
check(names[:5] == [a, "per", b, "uguale", box.get_name()],
      "the question row reads in order: %s" % names[:5])
order = [n for n in names if n in ("Tempo restante", "Cronometro", "Risposte esatte",
                                  "Risposte errate", "Risposte totali", "Nuovo calcolo", "Esci",
                                  "Sfidante", "con punti")]
check(order == ["Tempo restante", "Cronometro", "Risposte esatte", "Risposte errate",
                "Risposte totali", "Sfidante", "Nuovo calcolo", "Esci", "con punti"],
      "then top to bottom, left to right: %s" % order)


def labelled_by(acc):
    for rel in acc.get_relation_set():
        if rel.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            return [rel.get_target(i).get_name() for i in range(rel.get_n_targets())]
    return []


by_name = {c.get_name(): c for c in children}
score_row = [c for c in children if re.fullmatch(r"\d+", c.get_name() or "")]
check([labelled_by(c) for c in score_row[-3:]] ==
      [["Risposte esatte"], ["Risposte errate"], ["Risposte totali"]],
      "counters labelled by their headings: %s" % [labelled_by(c) for c in score_row[-3:]])
clock = next(c for c in children if re.fullmatch(r"\d\d[:.]\d\d[:.]\d\d", c.get_name() or ""))
check(labelled_by(clock) == ["Tempo restante"], "the clock labelled by its heading")

# 3. A right answer, the next question, then a wrong answer: the box's emptying for the next
#    question comes to no reader before its focus.
mark = len(events)
xdo("type", "--delay", "30", str(int(a) * int(b)))
key("Return")
wait_focus(mark, Atspi.Role.PUSH_BUTTON, "the button's focus after a right answer")
mark = len(events)
key("Return")
nxt = wait_focus(mark, Atspi.Role.TEXT, "the answer box's focus for the next question")
round_trip(box)
check(newest_of(box, mark) == "object:state-changed:focused",
      "the focus is the newest event of the answer box (got %s)" % newest_of(box, mark))
m2 = QUESTION.match(nxt[4] or "")
product = int(m2.group(1)) * int(m2.group(2)) if m2 else 0
mark = len(events)
xdo("type", "--delay", "30", str(product + 1))
key("Return")
wait_focus(mark, Atspi.Role.PUSH_BUTTON, "the button's focus after a wrong answer")

# 5. Alt+N draws the next question, heard with the focus, and nothing of the menu bar.
mark = len(events)
key("alt+n")
wait_focus(mark, Atspi.Role.TEXT, "the answer box's focus after Alt+N")
round_trip(box)
menu_roles = (Atspi.Role.MENU, Atspi.Role.MENU_ITEM, Atspi.Role.MENU_BAR)
stray = [(e[1], e[4]) for e in events[mark:] if e[5] in menu_roles]
check(not stray, "Alt+N says nothing of the menu: %s" % stray)

# 6. The menu's new-race question by F10, Right, Enter; No (its default, by Enter): the focus is
#    back in the answer box, heard with the question, and the race goes on.
mark = len(events)
key("F10", "Right", "Return")
pump(lambda: x_window("^INIZIARE NUOVA GARA$") is not None, what="the new-race question")
xdo("windowfocus", "--sync", x_window("^INIZIARE NUOVA GARA$"))
after_box = len(events)
key("Return")
try:
    back = wait_focus(after_box, Atspi.Role.TEXT, "the answer box's focus after No")
except SystemExit:
    for e in events[mark:]:
        print("heard:", e[1], e[3], e[4], e[5])
    raise
round_trip(box)
check(back[2] == box and box.get_state_set().contains(Atspi.StateType.FOCUSED),
      "after No the answer box has the focus again, and keeps it")

# 7. Nothing is heard as an unnamed button that does nothing.
check(named(app, "Command1") is None, "no control is heard as 'Command1'")

# 8. The time left: announced at whole minutes (the clock ticks every 40 ms: a minute is 2.4 s)
#    by a notification the reader speaks without the focus moving, each once.
def notifications():
    return [e[4] for e in events if e[5] == Atspi.Role.NOTIFICATION
            and e[1] == "object:state-changed:showing" and e[3] == 1]


pump(lambda: "Manca 1 minuto" in notifications(), timeout=60, what="the last minute announced")

# 9. The clock: its name changes at most once a second, though it ticks every 40 ms; three
#    announcements of the last seconds at that pace.
pump(lambda: x_window("^Data ") is not None, timeout=60, what="the farewell")
round_trip(box)  # the notifications went out before the farewell
seconds = [n for n in notifications() if "secondi" in n or "secondo" in n]
# Three announcements (10, 5 and 2 seconds), few enough for a reader to keep pace. At 40 ms a
# tick the reader asks an announcement's name after the next has replaced it: the last is sure.
check(len(seconds) == 3 and seconds[-1] == "2 secondi",
      "the last seconds announced, three of them: %s" % seconds)


names_of_clock = [e for e in events if e[2] == clock
                  and e[1] == "object:property-change:accessible-name"]
if names_of_clock:
    span = names_of_clock[-1][0] - names_of_clock[0][0]
    check(2 <= len(names_of_clock) <= span + 2,
          "clock name changes: %d in %.1f s" % (len(names_of_clock), span))
else:
    check(False, "the clock never changed its name")
xdo("windowfocus", "--sync", x_window("^Data "))
key("Return")
end = time.monotonic() + 30
while game.poll() is None and time.monotonic() < end:
    confirm = x_window("^Quorvella$")
    if confirm:
        xdo("windowfocus", "--sync", confirm)
        key("Return")
    time.sleep(0.1)
check(game.poll() == 0, "the program ended with status 0 (%s)" % game.poll())
if game.poll() is None:
    game.kill()
print("a11y: %d events heard, %d objects looked at before the window showed" %
      (len(events), len(looked_at)))
sys.exit(1 if failures else 0)
