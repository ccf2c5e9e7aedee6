#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Screenshots of the Windows program under Wine at 100 % and 200 % (Wine's LogPixels of 96 and
# 192 dots per inch) and at 150 % on a screen of 1366 x 768, where it is drawn at 125 %, compared
# with references, and a held Enter on a busy computer.
#
#   screenshot_test.sh <quorvella_e2e.exe> <reference dir> <artefact dir> <sys_colours.exe>
#                      [--update]
#
# Starts the program with a fixed seed (the first question is 4 x 9, the window tinted
# RGB(80, 180, 200)), a clock too slow to tick and a known record in the prefix's C:\windows;
# answers the name box and the greeting; photographs the client area with the first question
# open and after a wrong answer (black window, verdict, counters). At 100 % also: the wrong
# answer is typed after the new-race question answered No (it reaches the answer box only if the
# focus came back there); the question answered No again on the new-question button (the window
# as before); then, with one busy loop per core, Enter held for 2 s on the new-question button
# (one new question, 7 x 9, nothing judged) and in the answer box holding 63 (one verdict, the
# same question). After held keys the new-race question is opened and answered No before the
# photograph: it shows only once every key before it has been handled. The test waits for each
# box to close in the program's box log (QUORVELLA_E2E_BOXES), not for Wine. A pixel differs when
# a channel is off by more than the fuzz; more than a few differing pixels (growing with the
# square of the scale) fail the test. The answer box, where the caret blinks, is left out where
# it has the focus. With --update the photographs become the references.
#
# Then in high contrast at 100 % and 200 %, after a right answer (4 x 9) and after a wrong one
# (the next question): the system colours of Windows' "High Contrast Black" are set for the
# prefix with SetSysColors (sys_colours.exe) and the flag, which Wine always reports off, is
# given by the test build's QUORVELLA_E2E_HIGH_CONTRAST. The colours are set before the program
# starts: under Wine 8.0 a running program keeps the colours it read first, so the window's
# following a change is tested in tests/win32 by the messages that tell of it. The colours live
# in the prefix's server only, which the test stops before the other runs and at its end.
#
# Needs WINEPREFIX (made by wineboot when it is missing), Wine, Xvfb, xdotool and ImageMagick.
set -euo pipefail
if [ $# -lt 4 ]; then
  echo "usage: $0 <quorvella_e2e.exe> <reference dir> <artefact dir> <sys_colours.exe> [--update]" >&2
  exit 2
fi
program=$(realpath "$1")
reference_dir=$2
artefact_dir=$3
sys_colours=$(realpath "$4")
update=${5:-}
mkdir -p "$artefact_dir"
artefact_dir=$(realpath "$artefact_dir")
# shellcheck source=tests/windows/e2e/wine.sh
source "$(dirname "$0")/wine.sh"
fuzz=${QUORVELLA_SHOT_FUZZ:-25%}
tolerated=${QUORVELLA_SHOT_TOLERATED:-40}

work=$(mktemp -d)
pid=
xvfb=
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
busy=()
cleanup() {
  [ ${#busy[@]} -gt 0 ] && kill "${busy[@]}" 2>/dev/null
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  set_dpi 96 || true
  wineserver -k 2>/dev/null || true
  stop_xvfb
  rm -rf "$work"
  true
}
trap cleanup EXIT

start_xvfb 2200x1600x24 "$artefact_dir/xvfb.log" || exit 1


boxes="$work/boxes.txt"
export QUORVELLA_E2E_BOXES
QUORVELLA_E2E_BOXES=$(winepath -w "$boxes" 2>/dev/null)
# Waits until the program's box log has a line matching $1 beyond the first $2 lines.
logged() {
  for _ in $(seq 600); do
    tail -n +"$(($2 + 1))" "$boxes" 2>/dev/null | grep -q "$1" && return 0
    sleep 0.1
  done
  echo "FAIL: no box line '$1' in $(cat "$boxes" 2>/dev/null)" >&2
  exit 1
}
# The new-race question from the menu, answered No, until it has closed.
new_race_no() {
  local before
  before=$(wc -l <"$boxes")
  xdotool key F10 Right Return
  logged '^message|INIZIARE NUOVA GARA|' "$before"
  xdotool windowfocus --sync "$(window '^INIZIARE NUOVA GARA$')" 2>/dev/null || true
  xdotool key Return
  logged '^closed|INIZIARE NUOVA GARA|7$' "$before"
  xdotool windowfocus --sync "$main" 2>/dev/null || true
}
# Enter held for 2 s (the length of the press, not a wait for the program), then every key handled.
hold_enter() {
  xdotool keydown Return
  sleep 2
  xdotool keyup Return
  new_race_no
}

# Starts the program at $1 dpi (its log named by $2) with the known record, answers the name box
# and the greeting, and gives the window, whose id it leaves in $main, the keyboard.
# The system colours of "High Contrast Black" for every program of the prefix, as long as its
# server runs: window, window text, highlight, highlighted text, button face, grey text, button
# text.
high_contrast_black() {
  wineserver -p 2>/dev/null || true
  wine "$sys_colours" 5=000000 8=FFFFFF 13=1AEBFF 14=000000 15=000000 17=3FF23F 18=FFFFFF \
    >>"$artefact_dir/sys-colours.log" 2>&1
}

# With $3 set, in high contrast: the colours of high_contrast_black and the flag on.
start_race() {
  printf '123\r\n' >"$windir/a.txt"
  printf 'Massimiliano\r\n' >"$windir/n.txt"
  : >"$boxes"
  wineserver -k 2>/dev/null || true
  set_dpi "$1"
  local contrast=()
  if [ -n "${3:-}" ]; then
    high_contrast_black
    contrast=(QUORVELLA_E2E_HIGH_CONTRAST=1)
  fi
  xdotool mousemove 0 0  # no hover, no tooltip
  env "${contrast[@]}" QUORVELLA_E2E_TICK_MS=3600000 QUORVELLA_E2E_SEED=1 wine "$program" \
    >"$artefact_dir/program-$2.log" 2>&1 &
  pid=$!

  local box greeting
  box=$(window '^Quorvella$')
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool type --delay 40 "Ada"
  xdotool key Return
  greeting=$(window '^Quorvella$' "$box")
  xdotool windowfocus --sync "$greeting" 2>/dev/null || true
  xdotool key Return
  logged '^closed|Quorvella|1$' 0
  main=$(window 'tavola pitagorica')
  xdotool windowfocus --sync "$main" 2>/dev/null || true
}

run_at_scale() {
  local scale=$1
  local w=$((792 * scale)) h=$((554 * scale))
  start_race $((96 * scale)) "$scale"

  local caret="$((544 * scale + 2)),$((2 * scale)),$(((544 + 185) * scale - 3)),$((80 * scale - 3))"
  photograph "$main" "$artefact_dir/question-$scale.png" "$w" "$h" "$caret"
  check "question-$scale" "$scale" "$caret"

  [ "$scale" -eq 1 ] && new_race_no
  xdotool type --delay 40 "9999"
  xdotool key Return
  photograph "$main" "$artefact_dir/wrong-$scale.png" "$w" "$h"
  check "wrong-$scale" "$scale"

  if [ "$scale" -eq 1 ]; then
    new_race_no
    photograph "$main" "$artefact_dir/box-closed-$scale.png" "$w" "$h"
    check_as "box-closed-$scale" "wrong-$scale" "$scale"

    for _ in $(seq "$(nproc)"); do
      (SECONDS=0; while [ "$SECONDS" -lt 120 ]; do :; done) &  # ends by itself, whatever happens
      busy+=($!)
    done
    hold_enter
    photograph "$main" "$artefact_dir/held-enter-$scale.png" "$w" "$h" "$caret"
    check "held-enter-$scale" "$scale" "$caret"
    xdotool type --delay 40 "63"
    hold_enter
    photograph "$main" "$artefact_dir/held-answer-$scale.png" "$w" "$h"
    check "held-answer-$scale" "$scale"
    kill "${busy[@]}" 2>/dev/null
    busy=()
  fi

  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

# A screen of 1366 x 768 at 150 % (144 dpi), where the window would not fit: it is drawn whole at
# 125 %, inside the screen, and looks as its reference.
run_fitted() {
  wineserver -k 2>/dev/null || true
  stop_xvfb
  start_xvfb 1366x768x24 "$artefact_dir/xvfb-fitted.log" || exit 1
  local geometry
  start_race 144 fitted
  # x y width height of the window's client area and menu bar, which must lie on the screen.
  geometry=$(xwininfo -id "$main" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ {
    y = $4 } /Width/ { w = $2 } /Height/ { h = $2 } END { print x, y, w, h }')
  read -r x y w h <<<"$geometry"
  if [ "$w" -ne 990 ] || [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt 1366 ] ||
    [ $((y + h)) -gt 768 ]; then
    echo "FAIL fitted: the window is at $geometry on 1366 x 768, not 990 wide and on the screen" >&2
    failures=$((failures + 1))
  fi
  photograph "$main" "$artefact_dir/question-fitted.png" 990 692 "682,2,908,97"
  check "question-fitted" 1 "682,2,908,97"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

# High contrast at 100 % or 200 % ($1): after a right answer and after a wrong one.
run_contrast() {
  local scale=$1
  local w=$((792 * scale)) h=$((554 * scale))
  start_race $((96 * scale)) "contrast-$scale" contrast
  wait_pixel "$main" 5 5 "$h" 000000
  photograph_contrast "$main" "$w" "$h" "$scale"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
  wineserver -k 2>/dev/null || true  # and the system colours with it
}

run_at_scale 1
run_at_scale 2
run_contrast 1
run_contrast 2
run_fitted
[ "$failures" -eq 0 ] || exit 1
echo "windows screenshots: 100 % and 200 % match their references, also in high contrast, and" \
  "125 % on a small screen"
