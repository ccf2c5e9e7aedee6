#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The installer under Wine: a silent install (/S) into Program Files with the Start-menu entry,
# the record files prepared in the Windows directory (a record already there is kept), the
# installed program started and its windows found by title, then a silent uninstall that removes
# the program and leaves the record.
#
#   installer_test.sh <quorvella-*-setup.exe> <work dir>
#
# Needs WINEPREFIX (made by wineboot when it is missing), Wine, Xvfb and xdotool.
set -euo pipefail
setup=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
# shellcheck source=tests/windows/e2e/wine.sh
source "$(dirname "$0")/wine.sh"
programs="$WINEPREFIX/drive_c/Program Files/Quorvella"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

wine_display 1280x1024x24 "$work/xvfb.log" || fail "no X server"

# A record from before the installation; the other files are missing.
printf '7\r\n' >"$windir/a.txt"
rm -f "$windir/n.txt" "$windir/.quorvella.lock" "$windir/.quorvella.journal"

wine "$setup" /S >"$work/setup.log" 2>&1 || fail "the installer failed: $(cat "$work/setup.log")"
[ -f "$programs/quorvella.exe" ] || fail "no quorvella.exe in Program Files"
[ -f "$programs/Uninstall.exe" ] || fail "no uninstaller"
find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name 'Quorvella.lnk' | grep -q . \
  || fail "no Start-menu entry"
for f in n.txt .quorvella.lock .quorvella.journal; do
  [ -f "$windir/$f" ] && [ ! -s "$windir/$f" ] || fail "$f was not created empty"
done
[ "$(od -An -tx1 "$windir/a.txt" | tr -d ' \n')" = "370d0a" ] || fail "the installer changed a.txt"

# The installed program, found by the titles of its name box and its window.
wine "$programs/quorvella.exe" >"$work/program.log" 2>&1 &
pid=$!
box=$(window '^Quorvella$')
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
greeting=$(window '^Quorvella$' "$box")
xdotool windowfocus --sync "$greeting" 2>/dev/null || true
xdotool key Return
main=$(window '^Giocare con la tavola pitagorica$')
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key alt+x
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the installed program ended with $status"

# The uninstaller copies itself away and returns at once; the copy has done its work when every
# process of the prefix has ended.
wine "$programs/Uninstall.exe" /S >"$work/uninstall.log" 2>&1 || fail "the uninstaller failed"
timeout 120 wineserver -w || fail "the uninstaller did not end"
[ ! -e "$programs/quorvella.exe" ] || fail "quorvella.exe is still installed"
[ "$(od -An -tx1 "$windir/a.txt" | tr -d ' \n')" = "370d0a" ] || fail "the uninstaller changed a.txt"
[ -f "$windir/n.txt" ] || fail "the uninstaller removed n.txt"

echo "windows installer: installed, started, uninstalled; the record stays"
