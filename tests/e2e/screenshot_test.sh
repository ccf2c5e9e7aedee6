#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Screenshot test of the real program under a virtual X server.
#
#   screenshot_test.sh <quorvella_e2e> <reference dir> <artefact dir> [--update]
#
# Starts the program at 100 % and at 200 % scaling (QT_SCALE_FACTOR=2) with a fixed seed for the
# factors, a clock too slow to tick, and a record directory holding a known record; answers the
# name box and the greeting; then photographs the client area twice: with the first question
# open, and after a wrong answer (black window, verdict, counters). Each photograph is compared
# with the reference of the same name in <reference dir>: a pixel counts as different when any
# channel is off by more than the fuzz, and the test fails when more than a small number of
# pixels differ, so font smoothing may drift but a moved, missing or recoloured control fails.
# The photographs, and a picture of the differences, go to <artefact dir>. With --update the
# photographs become the new references.
#
# Then the same in high contrast, photographed after a right answer (the first question, 4 x 9)
# and after a wrong one (the next question): at 100 % the desktop's setting is read from
# GSettings (a keyfile of the test's own) and turned on while the window is up, at 200 % it is
# on from the start by QUORVELLA_HIGH_CONTRAST. The runs without it have it off.
#
# Needs Xvfb, xdotool and ImageMagick (import, convert, compare, identify).
set -euo pipefail
# The tools' output (compare's pixel count) read the same whatever the caller's locale.
export LC_ALL=C.UTF-8

if [ $# -lt 3 ]; then
  echo "usage: $0 <quorvella_e2e> <reference dir> <artefact dir> [--update]" >&2
  exit 2
fi

for tool in Xvfb xdotool import convert compare identify; do
  command -v "$tool" >/dev/null || { echo "screenshot test: $tool is missing" >&2; exit 1; }
done

program=$(realpath "$1")
reference_dir=$2
artefact_dir=$3
update=${4:-}
mkdir -p "$artefact_dir"
artefact_dir=$(realpath "$artefact_dir")

# Fuzz per pixel (of the full channel range) and how many differing pixels are tolerated, per
# 100 % of scale; the count grows with the square of the scale.
fuzz=${QUORVELLA_SHOT_FUZZ:-25%}
tolerated=${QUORVELLA_SHOT_TOLERATED:-40}
# The seed fixes the first question (4 x 9 with this seed: the window tinted RGB(80, 180, 200));
# the answer 9999 is wrong for any question.
seed=${QUORVELLA_SHOT_SEED:-1}

work=$(mktemp -d)
pid=
xvfb=
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
cleanup() {
  local status=$?
  if [ "$status" -ne 0 ]; then
    for log in "$artefact_dir"/*.log; do
      [ -s "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }
    done
  fi
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

# A virtual X server of our own on the first free display, large enough for the window at
# 200 %, with 24-bit colour so that colours compare exactly.
start_xvfb 2200x1600x24 "$artefact_dir/xvfb.log" || exit 1

# The first visible window of process $1 whose name matches $2 and that is not $3; waits up to
# half a minute (a loaded CI machine can be slow to start the program).
wait_window() {
  local wid
  for _ in $(seq 300); do
    for wid in $(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null || true); do
      if [ "$wid" != "${3:-}" ]; then
        echo "$wid"
        return 0
      fi
    done
    kill -0 "$1" 2>/dev/null || { echo "screenshot test: the program ended" >&2; return 1; }
    sleep 0.1
  done
  echo "screenshot test: no window named '$2' appeared" >&2
  return 1
}

# The desktop's high-contrast switch in the GSettings keyfile of the test ($1: true or false).
gnome_high_contrast() {
  mkdir -p "$work/config/glib-2.0/settings"
  printf '[org/gnome/desktop/a11y/interface]\nhigh-contrast=%s\n' "$1" \
    >"$work/config/glib-2.0/settings/keyfile.new"
  mv "$work/config/glib-2.0/settings/keyfile.new" "$work/config/glib-2.0/settings/keyfile"
}

run_at_scale() {
  local scale=$1 contrast=${2:-}
  local w=$((792 * scale)) h=$((554 * scale))
  local records="$work/records-$scale$contrast"
  mkdir -p "$records"
  printf '123\r\n' >"$records/a.txt"
  printf 'Massimiliano\r\n' >"$records/n.txt"

  # Off, whatever the desktop of the one who runs the test; in high contrast as said above.
  local setting=(QUORVELLA_HIGH_CONTRAST=0)
  if [ -n "$contrast" ] && [ "$scale" = 1 ]; then
    gnome_high_contrast false
    setting=(GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$work/config")
  elif [ -n "$contrast" ]; then
    setting=(QUORVELLA_HIGH_CONTRAST=1)
  fi
  env -u QT_STYLE_OVERRIDE -u QT_FONT_DPI -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING \
    -u QUORVELLA_HIGH_CONTRAST -u GSETTINGS_BACKEND \
    QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= QT_SCALE_FACTOR="$scale" LC_ALL=C.UTF-8 \
    QUORVELLA_E2E_DIR="$records/" QUORVELLA_E2E_TICK_MS=3600000 QUORVELLA_E2E_SEED="$seed" \
    "${setting[@]}" "$program" >"$artefact_dir/program-$scale$contrast.log" 2>&1 &
  pid=$!
  # Keep the pointer off the window: no hover highlight, no tooltip.
  xdotool mousemove 0 0

  local box greeting main
  box=$(wait_window "$pid" '^Quorvella')
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool type --delay 20 "Ada"
  xdotool key Return
  greeting=$(wait_window "$pid" '^Quorvella' "$box")
  xdotool windowfocus --sync "$greeting" 2>/dev/null || true
  xdotool key Return
  main=$(wait_window "$pid" 'tavola pitagorica')
  xdotool windowfocus --sync "$main" 2>/dev/null || true

  if [ -n "$contrast" ]; then
    if [ "$scale" = 1 ]; then
      # The tint of the first question, then the switch: the window follows it as it is.
      wait_pixel "$main" 5 5 "$h" 50B4C8
      gnome_high_contrast true
    fi
    wait_pixel "$main" 5 5 "$h" FFFFFF
    photograph_contrast "$main" "$w" "$h" "$scale"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    return 0
  fi

  # With the question open the caret blinks in the answer box: its inside is left out.
  local caret="$(((544 + 3) * scale)),$((3 * scale)),$(((544 + 185 - 4) * scale)),$(((80 - 4) * scale))"
  photograph "$main" "$artefact_dir/question-$scale.png" "$w" "$h" "$caret"
  check "question-$scale" "$scale" "$caret"

  xdotool type --delay 20 "9999"
  xdotool key Return
  photograph "$main" "$artefact_dir/wrong-$scale.png" "$w" "$h"
  check "wrong-$scale" "$scale"

  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

run_at_scale 1
run_at_scale 2
run_at_scale 1 contrast
run_at_scale 2 contrast

if [ "$failures" -gt 0 ]; then
  echo "screenshot test: $failures photograph(s) differ from the reference" >&2
  exit 1
fi
echo "screenshot test: all photographs match"
