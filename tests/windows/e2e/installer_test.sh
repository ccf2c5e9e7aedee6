#!/usr/bin/env bash
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
: "${WINEPREFIX:?WINEPREFIX must name a Wine prefix}"
rm -rf "$work"
mkdir -p "$work"
export LC_ALL=C.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 </dev/null
# The prefix's server may have started without a display (the unit tests run headless): the
# programs of this test start a new one on the X server of their own.
wineserver -k 2>/dev/null || true
windir="$WINEPREFIX/drive_c/windows"
programs="$WINEPREFIX/drive_c/Program Files/Quorvella"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/../../e2e/lib.sh"
xvfb=
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT
start_xvfb 1280x1024x24 "$work/xvfb.log" || fail "no X server"

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
window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || fail "the program ended waiting for '$1'"
    sleep 0.1
  done
  fail "no window named '$1'"
}
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
