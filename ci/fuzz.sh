#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on)
# and runs each from its committed corpus for a bounded time. Fails on any crash or report.
#   ci/fuzz.sh [seconds per target, default 25]
# Needs: clang (Debian package clang, which brings libFuzzer).
# A failing input is written to build-fuzz/artifacts/; replay it with
#   build-fuzz/fuzz_<target> build-fuzz/artifacts/<file>
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-25}"
build=build-fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_val fuzz_cp1252 fuzz_record_read

mkdir -p "$build/artifacts"
total=0
for target in val cp1252 record_read; do
  # Work on a copy, so that new inputs found here do not change the committed corpus.
  work="$build/corpus/$target"
  rm -rf "$work" && mkdir -p "$work" && cp fuzz/corpus/"$target"/* "$work"/
  log="$build/fuzz_$target.log"
  "$build/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$work" >"$log" 2>&1 || {
    tail -40 "$log"
    echo "fuzz_$target FAILED (log: $log)"
    exit 1
  }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  total=$((total + runs))
  echo "fuzz_$target: $runs executions in ${seconds}s, no report"
done
echo "fuzzing: $total executions in all"
