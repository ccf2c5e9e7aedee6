# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# shellcheck shell=bash disable=SC2154  # pid is the caller's
# Sourced by the Windows end-to-end scripts: the prefix made ready for programs on the caller's
# own X server, the Windows directory in `windir`, the virtual X server's functions
# (tests/e2e/lib.sh), `keys`, `typed` and `gone`, and `window`, which waits for a window of the
# program whose pid is in `pid`.
: "${WINEPREFIX:?WINEPREFIX must name a Wine prefix}"
# No Mono or Gecko installer dialogs, and no menu entries or icons written into the home folder
# for the programs' shortcuts.
export LC_ALL=C.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WAYLAND_DISPLAY
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 </dev/null
# The prefix's server may have started without a display (the unit tests run headless): the
# programs of these tests start a new one on the X server of their own.
wineserver -k 2>/dev/null || true
# shellcheck disable=SC2034  # the callers' variable
windir="$WINEPREFIX/drive_c/windows"
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../e2e/lib.sh"

# The id of the visible window whose name matches $1 and that is not $2, once there is one;
# gives up after $3 seconds (30 when not given) or as soon as the program has ended.
window() {
  local id
  for _ in $(seq $((${3:-30} * 10))); do
    for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
      [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
    done
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
      echo "FAIL: the program ended waiting for '$1'" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "FAIL: no window named '$1'" >&2
  return 1
}

# Waits until window $1 (what it is in $2) is gone, closed or hidden; the caller defines fail.
gone() {
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  fail "window $1${2:+ ($2)} did not close"
}
# Gives window $1 the keyboard and sends it the keys after it (keys) or the text $2 (typed).
keys() {
  local id=$1
  shift
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  xdotool key --delay 40 "$@"
}
typed() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool type --delay 40 "$2"
}

# Stops the program, the prefix's server and the X server.
wine_cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  stop_xvfb
}

# Starts the X server of the test (screen $1, log $2) with wine_cleanup to run at the end.
wine_display() {
  pid=
  trap wine_cleanup EXIT
  start_xvfb "$1" "$2"
}
