#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Start-up of the Windows program under Wine: the time from starting quorvella.exe to its name
# box on the screen, against the bare program that shows one dialog (bench/win32_baseline.cpp),
# in interleaved runs on a virtual X server of its own. Prints both medians and their ratio.
#
#   WINEPREFIX=<prefix> bench/win32_startup.sh <quorvella.exe> <baseline.exe> [rounds]
set -euo pipefail
game=$(realpath "$1")
baseline=$(realpath "$2")
rounds=${3:-9}
: "${WINEPREFIX:?WINEPREFIX must name a Wine prefix}"
export LC_ALL=C.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"
# One server for all runs, started before them, as on a machine where Windows is up.
wineserver -k 2>/dev/null || true
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

# Milliseconds from start to a visible window titled Quorvella.
once() {
  local t0 t1 pid
  t0=$(date +%s%N)
  wine "$1" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name '^Quorvella$' >/dev/null 2>&1; do sleep 0.005; done
  t1=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  while xdotool search --onlyvisible --name '^Quorvella$' >/dev/null 2>&1; do sleep 0.01; done
  echo $(((t1 - t0) / 1000000))
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

for _ in $(seq "$rounds"); do
  once "$game" >>"$work/game"
  once "$baseline" >>"$work/baseline"
done
g=$(median <"$work/game")
b=$(median <"$work/baseline")
echo "game:     $(tr '\n' ' ' <"$work/game")ms, median $g ms"
echo "baseline: $(tr '\n' ' ' <"$work/baseline")ms, median $b ms"
awk -v g="$g" -v b="$b" 'BEGIN { printf "ratio of medians: %.2f\n", g / b }'
