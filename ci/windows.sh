#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Windows check: cross-builds every plain C++ room and its tests with MinGW-w64, the Win32 binding
# and quorvella.exe, and runs the tests under Wine in a Wine prefix of the build's own: the unit
# tests headless, then whole races of the program on a virtual X server. The Qt binding is not
# part of it (Debian ships no Qt built for MinGW).
#
# Needs the Debian packages of groups "build" and "windows" of ci/packages.txt; it installs
# nothing itself (bash ci/packages.sh install build windows).
#
#   bash ci/windows.sh [build-dir]      (default: build-windows)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-"$root/build-windows"}
start=$(date +%s)

for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver cmake ninja makensis Xvfb \
  xdotool setxkbmap import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "ci/windows.sh: $tool is missing (apt-get install g++-mingw-w64-x86-64-posix wine" \
      "wine64 googletest cmake ninja-build nsis xvfb xdotool x11-xkb-utils imagemagick)" >&2
    exit 1
  fi
done
if [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
  echo "ci/windows.sh: /usr/src/googletest is missing (apt-get install googletest)" >&2
  exit 1
fi

# Warnings are errors here as in the Linux build: the Windows-only code (the Win32 binding, the
# operating system's seam) is compiled nowhere else.
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  -DQUORVELLA_WITH_QT=OFF
cmake --build "$build" -j "$(nproc)"
built=$(date +%s)

# A private, headless Wine: its own prefix, no display, no debug chatter, no Mono or Gecko
# installer dialogs, no menu entries or icons written into the home folder.
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

# Start the server and let wineboot build the prefix before any test runs, all output sent away:
# Wine's background processes otherwise inherit ctest's pipes and keep a test "running" after it
# has ended. The tests that use C:\windows take turns through a lock of their own, so ctest may
# run tests side by side.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null
wineboot -i >/dev/null 2>&1 </dev/null
# The unit tests that make windows run without a display: with no X server, Wine's null display
# driver stands in (the end-to-end tests have an X server of their own). The desktop takes its
# driver when the server starts, so the server starts again, and its background processes with
# it, their output sent away as above.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f >/dev/null 2>&1 </dev/null
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 </dev/null
wineboot >/dev/null 2>&1 </dev/null

ready=$(date +%s)
ctest --test-dir "$build" --output-on-failure --timeout 120 -j "$(nproc)" -LE wine-e2e </dev/null |
  tee "$build/ctest-wine.log"
# Then the program itself (label wine-e2e): whole races, the conformance race (conformance_win32:
# its transcript against the golden one), screenshots and the installer (which
# cpack builds first, quorvella-<version>-setup.exe in the build directory), each on a virtual X
# server of its own, one at a time; each stops the prefix's server when it is done.
[[ "$(ctest --test-dir "$build" -N -R '^conformance_win32$')" == *"Total Tests: 1"* ]] ||
  { echo "ci/windows.sh: conformance_win32 is not registered" >&2; exit 1; }
ctest --test-dir "$build" --output-on-failure -L wine-e2e </dev/null | tee "$build/ctest-e2e.log"
# What the Windows program cannot show of the golden transcript under Wine, by name.
grep -h '^gap ' "$build/tests/windows/e2e/transcript.win32" 2>/dev/null || true

end=$(date +%s)
echo "ci/windows.sh: $(grep -E 'tests passed' "$build/ctest-wine.log" | tail -1) under Wine;" \
  "the program: $(grep -E 'tests passed' "$build/ctest-e2e.log" | tail -1)"
echo "ci/windows.sh: $((end - start)) s in all: build $((built - start)) s," \
  "Wine prefix $((ready - built)) s, tests $((end - ready)) s"
