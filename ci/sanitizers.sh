#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Builds the whole program and test suite a second time with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test; any report fails the test that made it.
# Qt tests run offscreen. Leak detection is off: Qt's plugins and fonts keep allocations alive
# until the process ends, which LeakSanitizer would report on every Qt test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-sanitizers
# GCC reports false "may be used uninitialized" warnings in instrumented code (std::regex,
# member-function pointers in lambdas); the normal build keeps that warning on.
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
warn="-Wno-maybe-uninitialized"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags $warn" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
echo "sanitizers: the whole suite passed under AddressSanitizer and UndefinedBehaviorSanitizer"
