#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The program on a Wayland compositor (Qt's Wayland plugin under Weston, nested in an X server
# of our own): the boxes and the window with their titles, the window's 792 x 554 client area
# below the menu bar on the screen, the title bar's maximize button that must leave the game
# running at its own size, and Alt+X that ends the program with status 0. Then a race with a fast
# clock, maximized by the compositor's own key (Super+Shift+M) while it runs: the window takes
# the size given and goes back to its own, and the race goes on and ends by itself, status 0.
# What the program asks of the compositor is read from Weston's protocol log.
#   wayland_test.sh PROGRAM WORKDIR
set -euo pipefail
program=$1
work=$2
rm -rf "$work"
mkdir -p "$work/records"
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/out.txt" ] && tail -n 5 "$work/out.txt" >&2
  exit 1
}

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
xvfb=
weston=
pid=
# Everything stopped whatever has ended already (errexit would leave the rest running).
cleanup() {
  set +e
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$weston" ] && kill "$weston" 2>/dev/null && wait "$weston" 2>/dev/null
  stop_xvfb
}
trap cleanup EXIT
start_xvfb 1280x1024x24 "$work/xvfb.log" || fail "no X server"
export LC_ALL=C.UTF-8
log="$work/weston.log"
start_weston

# The log from the start of the program's latest run ($start: its first line).
start=1
since() { tail -n +"$start" "$log"; }
# Whether the log from line $1 on holds a line that grep's pattern (and options) after it find
# (grep reads it from a file of its own: a pipe would fail when grep stops at the first line).
logged() {
  local from=$1
  shift
  grep -q "$@" < <(tail -n +"$from" "$log")
}
# Waits until the program has asked for its $2nd title exactly $1.
titles() { since | grep -c "set_title(\"$1\")" || true; }
wait_title() {
  for _ in $(seq 300); do
    [ "$(titles "$1")" -ge "$2" ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for '$1'"
    sleep 0.1
  done
  fail "no window titled '$1' (number $2): $(titles "$1") so titled"
}
# Waits until the keyboard has come to the program after its $2th title $1 was set.
client() { since | grep -m1 -oE 'client 0x[0-9a-f]+ rq xdg_toplevel@[0-9]+\.set_title' | cut -d' ' -f2; }
wait_keyboard() {
  local line
  line=$(($(since | grep -n "set_title(\"$1\")" | sed -n "$2p" | cut -d: -f1) + start - 1))
  for _ in $(seq 300); do
    logged "$line" -E "client $(client) ev wl_keyboard@[0-9]+\.enter" && return 0
    sleep 0.05
  done
  fail "the keyboard never came to the program's window '$1'"
}
keys() { xdotool "$@"; }

# Starts the program with a tick of $1 ms, its handlers traced, and brings it to the race: the
# name box, the greeting, then the window with the keyboard.
to_the_race() {
  start=$(($(wc -l <"$log") + 1))
  QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=quorvella-test QUORVELLA_E2E_DIR="$work/records/" \
    QUORVELLA_E2E_TICK_MS=$1 QUORVELLA_E2E_SEED=1 QUORVELLA_E2E_TRACE=1 "$program" \
    >"$work/trace.txt" 2>"$work/out.txt" &
  pid=$!
  wait_title "Quorvella" 1  # the name box
  wait_keyboard "Quorvella" 1
  keys type --delay 30 "Ada"
  keys key Return
  wait_title "Quorvella" 2  # the greeting
  wait_keyboard "Quorvella" 2
  keys key Return
  wait_title "Giocare con la tavola pitagorica" 1
  wait_keyboard "Giocare con la tavola pitagorica" 1
}
to_the_race 3600000

# The window's size: 792 wide and the client area's 554 plus the menu bar high, its minimum and
# its maximum alike.
min=$(grep -oE 'set_min_size\(792, [0-9]+\)' "$log" | tail -n 1 | grep -oE '[0-9]+\)' | tr -d ')')
[ -n "$min" ] && [ "$min" -gt 554 ] && [ "$min" -lt 600 ] ||
  fail "the window's minimum is not 792 x (554 + menu bar): '$min'"
fixed() { [ "$(grep -oE 'set_max_size\([0-9]+, [0-9]+\)' "$log" | tail -n 1)" = "set_max_size(792, $min)" ]; }
fixed || fail "the window's maximum is not its minimum"

# Where the compositor put the window (it chooses), and its client area on the screen: the
# pixels of the first question's colour (RGB(80, 180, 200) with this seed) fill a rectangle
# exactly the client area's size once the window has painted.
bbox=
for _ in $(seq 300); do
  import -silent -window root "$work/after.png"
  bbox=$(convert "$work/after.png" -fill black +opaque 'rgb(80,180,200)' -fill white \
    -opaque 'rgb(80,180,200)' -trim -format '%wx%h%O' info: 2>/dev/null || true)
  [[ "$bbox" == 792x554+* ]] && break
  sleep 0.1
done
[[ "$bbox" =~ ^792x554\+([0-9]+)\+([0-9]+)$ ]] || fail "no client area of 792 x 554 on the screen: '$bbox'"
x=${BASH_REMATCH[1]} y=${BASH_REMATCH[2]}

# Qt's own title bar, above the menu bar, has a maximize button (Qt draws it whatever the
# window's flags). Clicked, it asks the compositor to maximize; the window must take the
# maximized size (or be ended), go back to its own size and be fixed again, and the game go on.
# Moves the pointer to $1 $2 and waits until the program has heard it there.
point_at() {
  local from=$(($(wc -l <"$log") + 1))
  xdotool mousemove "$1" "$2"
  for _ in $(seq 100); do
    logged "$from" -E "client $(client) ev wl_pointer@[0-9]+\.(enter|motion)" && return
    sleep 0.05
  done
  fail "the pointer did not reach the window at $1 $2"
}
point_at "$((x + 792 - 38))" "$((y - 35))"
xdotool click 1
for _ in $(seq 100); do
  grep -q 'xdg_toplevel@[0-9]*\.unset_maximized' "$log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$pid" 2>/dev/null || fail "a maximize request ended the game: $(tail -n 2 "$work/out.txt")"
grep -q 'xdg_toplevel@[0-9]*\.set_maximized' "$log" || fail "the maximize button was not reached"
grep -q 'xdg_toplevel@[0-9]*\.unset_maximized' "$log" || fail "the window stayed maximized"
for _ in $(seq 100); do fixed && break; sleep 0.05; done
fixed || fail "back from the maximized state, the window's maximum is not its minimum"

# A drag of the bottom right corner of Qt's border (3 pixels around the client area) leaves the
# window at its own size: the compositor offers larger sizes as the pointer moves, and once the
# drag is over the window's geometry is what it was before.
# The last geometry the program gave a window, with the window's surface: "xdg_surface@N...".
geometry() {
  grep -oE 'xdg_surface@[0-9]+\.set_window_geometry\(0, 0, [0-9]+, [0-9]+\)' "$log" | tail -n 1
}
before=$(geometry)
from=$(($(wc -l <"$log") + 1))
point_at "$((x + 793))" "$((y + 555))"
xdotool mousedown 1
for _ in $(seq 100); do
  logged "$from" 'xdg_toplevel@[0-9]*\.resize' && break
  sleep 0.05
done
for step in 1 2 3 4 5 6; do xdotool mousemove "$((x + 793 + 20 * step))" "$((y + 555 + 15 * step))"; done
xdotool mouseup 1
for _ in $(seq 100); do
  logged "$from" 'xdg_toplevel@[0-9]*\.configure([1-9]' && break
  sleep 0.05
done
logged "$from" 'xdg_toplevel@[0-9]*\.configure([1-9]' ||
  fail "the corner drag offered no size (no interactive resize)"
# Settled: the client has acknowledged the compositor's last configure, and its geometry is back.
serial() { grep -oE "$1\([0-9]+\)" "$log" | tail -n 1 | grep -oE '[0-9]+\)$'; }
for _ in $(seq 100); do
  [ "$(serial 'ev xdg_surface@[0-9]+\.configure')" = "$(serial 'ack_configure')" ] &&
    [ "$(geometry)" = "$before" ] && break
  sleep 0.05
done
[ "$(geometry)" = "$before" ] || fail "a corner drag resized the window: $(geometry), not $before"

# Waits until the program has ended, with status 0 and no error written; $1 is what ends it.
ended() {
  local status=0
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "$1 did not end the program"
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "exit status $status after $1"
  grep -q 'error' "$work/out.txt" && fail "the program met an error: $(cat "$work/out.txt")"
  return 0
}

# Alt+X ends the program with status 0.
keys key alt+x
ended "Alt+X"

# A race of 900 ticks of 30 ms (27 s: ample on a loaded machine for the shortcut, which the
# test checks rather than assumes). Weston's own Super+Shift+M maximizes the window while the
# clock runs: the window must take the size Weston gives, then go back to its own size and be
# fixed again, and the clock go on until the race ends by itself.
to_the_race 30
own=$(geometry)
ticks() { grep -cx Timer1_Timer "$work/trace.txt" || true; }
from=$(($(wc -l <"$log") + 1))
keys key super+shift+m
for _ in $(seq 300); do
  logged "$from" 'xdg_toplevel@[0-9]*\.unset_maximized' && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$pid" 2>/dev/null ||
  fail "the compositor's maximize ended the game: $(tail -n 2 "$work/out.txt")"
given=$(tail -n +"$from" "$log" | grep -oE "client $(client) ev xdg_toplevel@[0-9]+\.configure\([1-9][0-9]*, [0-9]+" |
  head -n 1 | grep -oE '[0-9]+, [0-9]+$' || true)
[ -n "$given" ] || fail "Super+Shift+M did not maximize the window (no size given)"
logged "$from" "set_window_geometry(0, 0, $given)" ||
  fail "the window did not take the maximized size $given"
logged "$from" 'xdg_toplevel@[0-9]*\.unset_maximized' || fail "the window stayed maximized"
logged "$start" 'set_title("Data ' &&
  fail "the race ended before the shortcut was handled: QUORVELLA_E2E_TICK_MS is too short here"
for _ in $(seq 300); do
  [ "$(serial 'ev xdg_surface@[0-9]+\.configure')" = "$(serial 'ack_configure')" ] &&
    [ "$(geometry)" = "$own" ] && fixed && break
  sleep 0.05
done
[ "$(geometry)" = "$own" ] || fail "back from the maximized state the window is $(geometry), not $own"
fixed || fail "back from the maximized state, the window's maximum is not its minimum"
after=$(ticks)
# The race goes on: the clock ticks on, and the farewell comes by itself.
for _ in $(seq 1200); do
  logged "$start" 'set_title("Data ' && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended during the race: $(tail -n 2 "$work/out.txt")"
  sleep 0.1
done
logged "$start" 'set_title("Data ' || fail "the race did not end by itself"
[ "$(ticks)" -gt "$after" ] || fail "the clock stopped at the shortcut ($after ticks)"
# Enter answers each box of the end of the race once the keyboard has come to it.
answered=$(($(grep -n 'set_title("Data ' "$log" | tail -n 1 | cut -d: -f1) - 1))
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  box=$(tail -n +"$answered" "$log" | grep -n "set_title(" | tail -n 1 | cut -d: -f1)
  if [ -n "$box" ] && tail -n +"$((answered + box))" "$log" |
    grep -qE "client $(client) ev wl_keyboard@[0-9]+\.enter"; then
    keys key Return
    answered=$(wc -l <"$log")
  fi
  sleep 0.1
done
ended "the boxes of the end of the race"
echo "wayland test: boxes, client area 792 x 554 below a menu bar of $((min - 554)), maximize" \
  "undone, corner drag undone, Alt+X status 0; Super+Shift+M during a race: ${given/, / x } taken," \
  "back to $(grep -oE '[0-9]+, [0-9]+' <<<"$own" | tail -n 1 | sed 's/, / x /'), $after ticks by then and $(ticks) at the end, status 0"
