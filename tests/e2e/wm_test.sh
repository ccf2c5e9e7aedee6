#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The program's windows as a window manager sees them: openbox on an X server of our own.
#
#   wm_test.sh PROGRAM WORKDIR SCALE SCREEN   e.g. wm_test.sh quorvella_e2e /tmp/wm 1.5 1280x1024
#
# Checks the exact titles (_NET_WM_NAME) of the name box, the greeting, the window, its
# minimized caption, the farewell and the record confirmation; the game's icon on each; the boxes
# of the race's end tied to the window; the window placed at its described position, moved only
# as far as needed to lie inside the screen at this scale; no maximize action, and a maximize
# request that changes nothing and ends nothing. Needs Xvfb, openbox, xdotool, xprop, xwininfo,
# wmctrl.
set -euo pipefail
program=$1
work=$2
scale=$3
screen=$4
rm -rf "$work"
mkdir -p "$work/records"
fail() {
  echo "FAIL (scale $scale): $*" >&2
  exit 1
}

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
xvfb=
wm=
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  stop_xvfb
}
trap cleanup EXIT
start_xvfb "${screen}x24" "$work/xvfb.log" || fail "no X server"
export LC_ALL=C.UTF-8

# The window manager, waited for until it has announced itself on the root window.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start"

# The newest visible window of the program whose _NET_WM_NAME matches $1 (a regular expression
# on the whole title); waits for it up to half a minute.
wait_window() {
  local pattern=$1 id
  for _ in $(seq 300); do
    for id in $(xdotool search --all --onlyvisible --pid "$pid" --name "$pattern" 2>/dev/null | tac); do
      echo "$id"
      return 0
    done
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for '$pattern'"
    sleep 0.1
  done
  fail "no window titled '$pattern'"
}
title() { xprop -id "$1" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'; }
# Waits until window $1's title is exactly $2.
expect_title() {
  local now=""
  for _ in $(seq 100); do
    now=$(title "$1")
    [ "$now" = "$2" ] && return 0
    sleep 0.05
  done
  fail "title '$now', expected '$2'"
}
has_icon() {
  for _ in $(seq 100); do
    xprop -id "$1" _NET_WM_ICON | grep -q 'Icon (' && return 0
    sleep 0.05
  done
  xprop -id "$1" >&2
  return 1
}
transient_for() { xprop -id "$1" WM_TRANSIENT_FOR | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p'; }
hex() { printf '0x%x' "$1"; }
# Frame of window $1 as "x y width height", in device pixels.
frame() {
  local info ext x y w h l r t b
  info=$(xwininfo -id "$1")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ,)
  read -r l r t b <<<"${ext:-0 0 0 0}"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
box_checks() {  # window $1 titled exactly $2, with the icon
  expect_title "$1" "$2"
  has_icon "$1" || fail "'$2' has no icon"
}

start() {
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" QUORVELLA_E2E_DIR="$work/records/" \
    QUORVELLA_E2E_TICK_MS="$1" QUORVELLA_E2E_SEED=1 "$program" >"$work/out.txt" 2>&1 &
  pid=$!
  local box
  box=$(wait_window '^Quorvella$')
  box_checks "$box" "Quorvella"
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool type --delay 20 "Ada"
  xdotool key Return
  local greeting
  for _ in $(seq 300); do
    greeting=$(wait_window '^Quorvella$')
    [ "$greeting" != "$box" ] && break
    sleep 0.05
  done
  box_checks "$greeting" "Quorvella"
  xdotool windowfocus --sync "$greeting" 2>/dev/null || true
  xdotool key Return
  main=$(wait_window '^Giocare con la tavola pitagorica$')
  box_checks "$main" "Giocare con la tavola pitagorica"
}

# 1. The window: placement, no maximizing, the minimized caption; a slow clock.
start 3600000
read -r sw sh <<<"${screen/x/ }"
# Wait for the frame: openbox sets its extents once it has framed the window.
for _ in $(seq 100); do
  xprop -id "$main" _NET_FRAME_EXTENTS | grep -q ' = ' && break
  sleep 0.05
done
read -r fx fy fw fh <<<"$(frame "$main")"
# The whole frame inside the screen (openbox has no panels: the available area is the screen).
[ "$fx" -ge 0 ] && [ "$fy" -ge 0 ] && [ $((fx + fw)) -le "$sw" ] && [ $((fy + fh)) -le "$sh" ] ||
  fail "frame $fw x $fh at $fx,$fy is not inside the screen $screen"
# The client area (menu bar included) at the described 136,88 times the scale it is drawn at,
# unless that would put the frame past the screen's edge: then the frame touches that edge. It
# is drawn at the scale asked for where the framed window fits at it, else smaller.
read -r left right top bottom <<<"$(xprop -id "$main" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ,)"
client_w=$(xwininfo -id "$main" | sed -n 's/.*Width: *//p')
drawn=$(awk -v w="$client_w" 'BEGIN { printf "%.3f", w / 792 }')
# 792 x 573: the client area and the menu bar at scale 1.
if awk -v s="$scale" -v fw=$((left + right)) -v fh=$((top + bottom)) -v sw="$sw" -v sh="$sh" \
  'BEGIN { exit !(int(792 * s + 0.5) + fw <= sw && int(573 * s + 0.5) + fh <= sh) }'; then
  [ "$(awk -v d="$drawn" -v s="$scale" 'BEGIN { print (d - s < 0.01 && s - d < 0.01) }')" = 1 ] ||
    fail "drawn at $drawn where it fits at $scale"
else
  [ "$(awk -v d="$drawn" -v s="$scale" 'BEGIN { print (d < s) }')" = 1 ] ||
    fail "drawn at $drawn, past the screen at $scale"
fi
want_x=$(awk -v s="$drawn" -v w="$fw" -v sw="$sw" -v l="$left" \
  'BEGIN { x = int(136 * s + 0.5) - l; if (x + w > sw) x = sw - w; if (x < 0) x = 0; print x }')
want_y=$(awk -v s="$drawn" -v h="$fh" -v sh="$sh" -v t="$top" \
  'BEGIN { y = int(88 * s + 0.5) - t; if (y + h > sh) y = sh - h; if (y < 0) y = 0; print y }')
[ $((fx - want_x)) -ge -3 ] && [ $((fx - want_x)) -le 3 ] && [ $((fy - want_y)) -ge -3 ] &&
  [ $((fy - want_y)) -le 3 ] || fail "frame at $fx,$fy; expected about $want_x,$want_y"
# Moved, minimized and closed, never resized or maximized: the Motif hints say so.
[ "$(xprop -id "$main" _MOTIF_WM_HINTS | sed -n 's/.* = //p')" = "0x3, 0x2c, 0x3a, 0x0, 0x0" ] ||
  fail "Motif hints: $(xprop -id "$main" _MOTIF_WM_HINTS)"

xprop -id "$main" _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE &&
  fail "the window manager offers to maximize: $(xprop -id "$main" _NET_WM_ALLOWED_ACTIONS)"
size_before=$(xwininfo -id "$main" | grep -E 'Width|Height' | tr -d ' \n')
wmctrl -i -r "$main" -b add,maximized_vert,maximized_horz
# A second request whose effect shows: once it has been granted, openbox (which handles requests
# in order) has handled the first.
wmctrl -i -r "$main" -b add,above
for _ in $(seq 100); do
  xprop -id "$main" _NET_WM_STATE | grep -q ABOVE && break
  sleep 0.05
done
xprop -id "$main" _NET_WM_STATE | grep -q ABOVE || fail "openbox did not handle the requests"
kill -0 "$pid" 2>/dev/null || fail "a maximize request ended the game: $(cat "$work/out.txt")"
xprop -id "$main" _NET_WM_STATE | grep -q MAXIMIZED && fail "the window was maximized"
[ "$(xwininfo -id "$main" | grep -E 'Width|Height' | tr -d ' \n')" = "$size_before" ] ||
  fail "a maximize request resized the window"

xdotool windowminimize "$main"
expect_title "$main" "Quorvella: gara in corso"
wmctrl -i -a "$main"
expect_title "$main" "Giocare con la tavola pitagorica"

xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key alt+x
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status"

# 2. The end of a race with a fast clock: the farewell and the confirmation of a beaten record,
#    both over the window; Enter held under load acts once under the window manager too.
if [ "$scale" = 1 ] && [ "$screen" = 1024x768 ]; then
  printf -- '-1\r\n' >"$work/records/a.txt"
  start 3  # no answer: a score of 0 beats the record of -1
  farewell=$(wait_window '^Data ')
  [[ "$(title "$farewell")" =~ ^Data\ [0-9][0-9./-]+[0-9]$ ]] ||
    fail "farewell titled '$(title "$farewell")'"
  has_icon "$farewell" || fail "the farewell has no icon"
  [ "$(transient_for "$farewell")" = "$(hex "$main")" ] || fail "the farewell is not over the window"
  xdotool windowfocus --sync "$farewell" 2>/dev/null || true
  xdotool key Return
  confirm=$(wait_window '^Quorvella$')
  box_checks "$confirm" "Quorvella"
  [ "$(transient_for "$confirm")" = "$(hex "$main")" ] ||
    fail "the confirmation is not over the window"
  xdotool windowfocus --sync "$confirm" 2>/dev/null || true
  xdotool key Return
  status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "exit status $status at the end of the race"
  QT_QPA_PLATFORM=xcb QUORVELLA_E2E_DIR="$work/records/" hold_enter_test "$program"
fi
echo "wm test (scale $scale, screen $screen): titles, icons, placement, no maximizing: ok"
