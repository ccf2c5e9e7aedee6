#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The conformance race in the Qt program, on an X server of its own (x11) or on Weston nested in
# one (wayland), heard through an AT-SPI bus of its own; its transcript compared with the golden.
#   qt_conformance.sh x11|wayland PROGRAM WORKDIR
set -euo pipefail
platform=$1 program=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/records"
printf '0\r\n' >"$work/records/a.txt"
printf 'Nessuno\r\n' >"$work/records/n.txt"
fail() { echo "FAIL: $*" >&2; exit 1; }

# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"
weston=
cleanup() {
  set +e
  [ -n "$weston" ] && kill "$weston" 2>/dev/null && wait "$weston" 2>/dev/null
  stop_xvfb
}
trap cleanup EXIT
start_xvfb 1280x1024x24 "$work/xvfb.log" || fail "no X server"
export LC_ALL=C.UTF-8 NO_AT_BRIDGE=0 GTK_MODULES=
unset QT_ACCESSIBILITY QT_LINUX_ACCESSIBILITY_ALWAYS_ON
producer=(/usr/bin/python3 "$here/qt_transcript.py" "$program" "$work" "$platform")
if [ "$platform" = wayland ]; then
  start_weston
  export WAYLAND_DISPLAY=quorvella-test
  producer+=("$work/weston.log")
fi
atspi_session "${producer[@]}"
bash "$here/compare.sh" "qt-$platform" "$here/transcript.golden" "$work/transcript"
