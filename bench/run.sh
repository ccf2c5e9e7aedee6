#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The benchmark of the game against a bare Qt 6 program. One command:
#
#   bench/run.sh            # 9 interleaved rounds, 20 s idle, 60 s of clock (about 20 minutes)
#   bench/run.sh --short    # one quick round, to prove the benchmark still works (CI)
#
# Options: --rounds N, --startups N (extra start-up-only runs of each program per round),
# --clock SECONDS, --build DIR (default build-bench), --out FILE.
# Needs Xvfb, xdotool and the X DAMAGE extension (libxcb-damage0-dev to build the watcher).
set -euo pipefail
# xdotool's typing and the figures' decimal points the same whatever the caller's locale.
export LC_ALL=C.UTF-8

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build="$root/build-bench"
rounds=9 startups=4 afterMap=3000 idle=20000 steady=12000 clock=60000 short=0 out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --short) short=1 rounds=1 startups=1 afterMap=1000 idle=3000 steady=11000 clock=5000 ;;
    --rounds) rounds=$2; shift ;;
    --startups) startups=$2; shift ;;
    --clock) clock=$(($2 * 1000)); shift ;;
    --build) build=$2; shift ;;
    --out) out=$2; shift ;;
    *) echo "bench/run.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
for tool in Xvfb xdotool cmake; do
  command -v "$tool" >/dev/null || { echo "bench/run.sh: $tool is missing" >&2; exit 2; }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVELLA_BENCH=ON >/dev/null
cmake --build "$build" --target quorvella_e2e quorvella_baseline quorvella_xwatch \
  quorvella_answer_bench >/dev/null

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A private X server at 96 dpi on the first free display number.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset 2>"$work/xvfb.log" &
xvfb=$!
exec 5>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "bench/run.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
export XDG_RUNTIME_DIR="$work/xdg" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

watch() {
  "$build/bench/quorvella_xwatch" --after-map "$afterMap" --idle "$idle" --steady-after "$steady" \
    --clock "$clock" -- "$@"
}
# A run that only looks at the start: the start-up figures are the noisiest, so each round adds
# some of these, still interleaved, and keeps only their start-up figures.
startup() {
  "$build/bench/quorvella_xwatch" --after-map 100 --idle 100 --steady-after 100 --clock 200 -- "$@" |
    sed -n 's/^\(first_map_ms=[^ ]* ok_to_main_ms=[^ ]*\).*/\1/p'
}

# One run of one program ("game" or "baseline") under a watcher ("watch" or "startup"); the game
# gets a fresh record directory each time.
measure() {
  local who=$1 how=$2 run=$3 line
  local program="$build/bench/quorvella_baseline"
  if [ "$who" = game ]; then
    program="$build/quorvella_e2e"
    rm -rf "$work/rec" && mkdir "$work/rec"
  fi
  line=$(QUORVELLA_E2E_DIR="$work/rec/" "$how" "$program" 2>>"$work/err") ||
    { cat "$work/err" >&2; echo "bench/run.sh: $who $how $run failed: $line" >&2; exit 1; }
  echo "$who $line" >>"$work/runs"
}

# Game and baseline interleaved, A B A B ...
: >"$work/runs"
for i in $(seq "$rounds"); do
  measure game watch "$i"
  measure baseline watch "$i"
  for j in $(seq "$startups"); do
    measure game startup "$i.$j"
    measure baseline startup "$i.$j"
  done
  echo "round $i/$rounds done" >&2
done

# The answer path and the tick in process; milliseconds per iteration (QBENCHMARK) or
# nanoseconds per tick.
QT_QPA_PLATFORM=offscreen "$build/bench/quorvella_answer_bench" $([ $short = 1 ] && echo -minimumvalue 5) \
  >"$work/answer" 2>&1 || { cat "$work/answer" >&2; exit 1; }
awk '
  /^RESULT :/ { match($0, /"[^"]*"/); row = substr($0, RSTART + 1, RLENGTH - 2);
                fn = $3; sub(/^AnswerBench::/, "", fn); sub(/\(\):.*/, "", fn); next }
  /(msecs|nsecs)/ && row != "" { split(row, w, " "); who = w[1]; what = fn (w[2] ? "_" w[2] : "");
                v = $1; gsub(/,/, "", v); print who, what "_us=" ($2 ~ /^nsecs/ ? v / 1000 : v * 1000); row = "" }' "$work/answer" |
  awk '{ k[$1] = k[$1] " " $2 } END { for (w in k) print w k[w] }' >>"$work/runs"

# The table: median [min..max] per program, and the ratio of the medians.
table=$(awk -v rounds="$rounds" -v clock="$clock" -v idle="$idle" -v after="$afterMap" -v steady="$steady" '
  function sorted(list, a,   n, i, j, t) { n = split(list, a, " ")
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n }
  function median(list,   a, n) { n = sorted(list, a); return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
  function lo(list,   a, n) { n = sorted(list, a); return a[1] }
  function hi(list,   a, n) { n = sorted(list, a); return a[n] }
  { for (i = 2; i <= NF; i++) { split($i, kv, "="); if (kv[2] != "nan" && kv[2] != "-1" && kv[2] != "-1.0") v[$1, kv[1]] = v[$1, kv[1]] " " kv[2]; seen[kv[1]] = 1 } }
  END {
    n = split("first_map_ms ok_to_main_ms rss_kib pss_kib idle_cpu_ms idle_vcsw steady_cpu_ms steady_vcsw drift_ms_per_min jitter_ms tick_us question_us round_right_us round_wrong_us", keys, " ")
    split("start-up to the name box (ms)|greeting OK to main window (ms)|RSS " after / 1000 " s after map (KiB)|PSS " after / 1000 " s after map (KiB)|CPU over " idle / 1000 " s idle race from " after / 1000 " s (ms)|voluntary context switches over the same " idle / 1000 " s|CPU over " idle / 1000 " s idle race from " steady / 1000 " s, caret resting (ms)|voluntary context switches over the same " idle / 1000 " s|clock drift over " clock / 1000 " s (ms per minute)|clock jitter, worst tick (ms)|one tick until painted (us, in process)|drawing a question (us, in process)|question + right answer (us, in process)|question + wrong answer (us, in process)", names, "|")
    printf "| figure | game | baseline | ratio |\n|---|---|---|---|\n"
    for (i = 1; i <= n; i++) {
      k = keys[i]; g = v["game", k]; b = v["baseline", k]
      if (g == "" || b == "") continue
      gm = median(g); bm = median(b)
      # Drift and jitter are compared against zero, not against the baseline.
      ratio = (bm != 0 && k !~ /^(drift|jitter)/) ? sprintf("%.2f", gm / bm) : "-"
      printf "| %s | %.1f [%.1f..%.1f] | %.1f [%.1f..%.1f] | %s |\n", names[i], gm, lo(g), hi(g), bm, lo(b), hi(b), ratio
    }
  }' "$work/runs")

{
  echo "bench/run.sh $([ $short = 1 ] && echo --short) --rounds $rounds --startups $startups --clock $((clock / 1000))  ($(date -u +%Y-%m-%d), $(nproc) CPUs, Xvfb 96 dpi)"
  echo
  echo "Start-up rows: $((rounds * (startups + 1))) runs of each program; other rows: $rounds runs."
  echo
  echo "$table"
} | tee ${out:+"$out"}
cp "$work/runs" "$build/bench/last-runs.txt"
