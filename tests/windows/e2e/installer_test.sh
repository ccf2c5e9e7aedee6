#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The installer under Wine, as a player and as an administrator use it:
#   1. by hand, every page taking its default: into Program Files, no desktop shortcut, and the
#      finish page starts the game;
#   2. silently into another folder (/S /D=): the installation in Program Files goes;
#   3. silently again, without /D=: it stays in the folder of the one already there;
#   4. the game started through its Start-menu shortcut, whose target is the installed
#      quorvella.exe, and played to its window; the uninstall entry as Windows' list of
#      installed programs and deployment tools read it; the program's icon and copyright;
#   5. uninstalled silently by the entry's QuietUninstallString: program, shortcut and entry go.
# Throughout, the record files are prepared in the Windows directory (the local Users group may
# read them and write their data: the icacls command is checked) and a record already there is
# kept, by the installer and the uninstaller alike; when one cannot be made, the installer stops
# before installing anything.
#
#   installer_test.sh <quorvella-VERSION-setup.exe> <work dir> <windres>
#
# Needs WINEPREFIX (made by wineboot when it is missing), Wine, Xvfb, xdotool and the MinGW
# windres, which reads the resources of the installed program.
set -euo pipefail
setup=$(realpath "$1")
work=$2
windres=$3
version=$(basename "$setup" | sed -E 's/^quorvella-(.*)-setup\.exe$/\1/')
rm -rf "$work"
mkdir -p "$work"
# shellcheck source=tests/windows/e2e/wine.sh
source "$(dirname "$0")/wine.sh"
drive_c="$WINEPREFIX/drive_c"
default_dir="$drive_c/Program Files/Quorvella"
other='C:\Giochi\Quorvella'
other_dir="$drive_c/Giochi/Quorvella"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvella.lnk"
desktop="$drive_c/users/Public/Desktop/Quorvella.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvella'

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}

# The record as the installer found it, and the files the installer creates, empty.
record_kept() {
  [ "$(od -An -tx1 "$windir/a.txt" | tr -d ' \n')" = "370d0a" ] || fail "$1 changed a.txt"
  for f in n.txt .quorvella.lock .quorvella.journal; do
    [ -f "$windir/$f" ] && [ ! -s "$windir/$f" ] || fail "$f is missing or not empty after $1"
  done
}

# The target of a shell link: the local path in its LinkInfo, which follows the 76-byte header
# and, when the first flag says there is one, the list of item ids.
lnk_target() {
  local flags at
  flags=$(od -An -tu4 -j 20 -N 4 "$1" | tr -d ' ')
  at=76
  ((flags & 1)) && at=$((at + 2 + $(od -An -tu2 -j 76 -N 2 "$1" | tr -d ' ')))
  ((flags & 2)) || return 1
  at=$((at + $(od -An -tu4 -j $((at + 16)) -N 4 "$1" | tr -d ' ')))
  tail -c +$((at + 1)) "$1" | tr '\0' '\n' | head -n 1
}

# Runs the installer silently with the arguments given, its log in setup.log.
silently() {
  wine "$setup" /S "$@" >"$work/setup.log" 2>&1
}

# Gives window $1 the keyboard and presses key $2.
press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key "$2"
}

# Stops every program of the prefix and waits until they have ended.
stop_programs() {
  wineserver -k 2>/dev/null || true
  wineserver -w
}

wine_display 1280x1024x24 "$work/xvfb.log" || fail "no X server"

# A computer without Quorvella, whatever an earlier run left in the prefix, with a record from
# before the installation; the other record files are missing.
wine reg delete "$key" /f >/dev/null 2>&1 || true
rm -rf "$default_dir" "$drive_c/Giochi" "$start_menu" "$desktop"
printf '7\r\n' >"$windir/a.txt"
rm -f "$windir/n.txt" "$windir/.quorvella.lock" "$windir/.quorvella.journal"

# A record file that cannot be made (a folder in its place): the installer stops with status 2
# before it has installed anything.
mkdir "$windir/n.txt"
status=0
silently || status=$?
rmdir "$windir/n.txt"
[ "$status" -eq 2 ] || fail "the installer blocked by n.txt ended with $status"
[ ! -e "$default_dir" ] || fail "the installer blocked by n.txt installed the program"

# 1. By hand: Enter takes each page's default button (Avanti on the welcome, licence and
# components pages, Installa, then Chiudi with "Avvia Quorvella" ticked) until the installer ends.
wine "$setup" >"$work/setup-by-hand.log" 2>&1 &
pid=$!
installer=$(window '^Installazione di Quorvella$')
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  xdotool windowfocus --sync "$installer" 2>/dev/null && xdotool key Return
  sleep 0.2
done
! kill -0 "$pid" 2>/dev/null || fail "the installer by hand did not end"
wait "$pid" || fail "the installer by hand failed: $(cat "$work/setup-by-hand.log")"
pid=
window '^Quorvella$' >/dev/null || fail "the finish page did not start the game"
stop_programs
[ -f "$default_dir/quorvella.exe" ] || fail "no quorvella.exe in Program Files"
! find "$drive_c/users" -name 'Quorvella.lnk' | grep -q . || fail "a desktop shortcut unasked for"
record_kept "the installer"

# 2. and 3. Silently into another folder, then again where it already is. The first says what
# access it gives on the record files: Wine's icacls changes no ACL, it only names its arguments
# (fixme:icacls), so here the command is checked; what it grants shows only on Windows.
WINEDEBUG=-all,+icacls silently "/D=$other" ||
  fail "the installer into $other failed: $(cat "$work/setup.log")"
grep -F icacls "$work/setup.log" || true
for f in a.txt n.txt .quorvella.lock .quorvella.journal; do
  grep -Fq "\"C:\\\\windows\\\\$f\" \"/grant:r\" \"*S-1-5-32-545:(R,WD)\"" "$work/setup.log" ||
    fail "the installer did not run icacls $f /grant:r *S-1-5-32-545:(R,WD)"
done
[ -f "$other_dir/quorvella.exe" ] || fail "no quorvella.exe in $other"
[ ! -e "$default_dir" ] || fail "the installation in Program Files was left behind"
# As if the desktop shortcut had been ticked before: installing again keeps it, made anew.
touch "$desktop"
silently || fail "the second installer failed: $(cat "$work/setup.log")"
[ ! -e "$default_dir" ] || fail "installing again went to Program Files, not to $other"
[ "$(lnk_target "$desktop")" = "$other\\quorvella.exe" ] || fail "the desktop shortcut is wrong"
[ "$(find "$drive_c" -name 'Quorvella.lnk' | wc -l)" -eq 2 ] || fail "more shortcuts than two"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$other_dir/COPYING.txt" || fail "no licence installed"
record_kept "installing again"

# 4. The game through the Start-menu shortcut, as the shell starts it.
target=$(lnk_target "$start_menu") || fail "no Start-menu entry"
echo "Start-menu entry $start_menu -> $target"
[ "$target" = "$other\\quorvella.exe" ] || fail "the Start-menu entry starts $target"
wine start /unix "$start_menu" >"$work/program.log" 2>&1 || fail "the shortcut did not start"
box=$(window '^Quorvella$')
press "$box" Return
greeting=$(window '^Quorvella$' "$box")
press "$greeting" Return
main=$(window '^Giocare con la tavola pitagorica$')
press "$main" alt+x
timeout 60 wineserver -w || fail "the game did not end on Alt+X"

# The uninstall entry, value by value; the size is that of the installed files in KiB.
wine reg query "$key" 2>&1 | tr -d '\r' >"$work/uninstall-entry.txt" || fail "no uninstall entry"
cat "$work/uninstall-entry.txt"
size=$(find "$other_dir" -type f -printf '%s\n' | awk '{ n += $1 } END { printf "0x%x", n / 1024 }')
for row in "DisplayName    REG_SZ    Quorvella" \
  "DisplayVersion    REG_SZ    $version" \
  "Publisher    REG_SZ    The Quorvella authors" \
  "DisplayIcon    REG_SZ    $other\\quorvella.exe" \
  "InstallLocation    REG_SZ    $other" \
  "UninstallString    REG_SZ    \"$other\\Uninstall.exe\"" \
  "QuietUninstallString    REG_SZ    \"$other\\Uninstall.exe\" /S" \
  "EstimatedSize    REG_DWORD    $size" \
  "NoModify    REG_DWORD    0x1" \
  "NoRepair    REG_DWORD    0x1"; do
  grep -Fxq "    $row" "$work/uninstall-entry.txt" || fail "the uninstall entry lacks: $row"
done

# The program's first icon, which Explorer shows, in all four sizes; its copyright; and a setup
# that draws itself at the screen's scale.
"$windres" -i "$other_dir/quorvella.exe" -J coff -O rc -o "$work/quorvella.rc" \
  || fail "windres cannot read quorvella.exe"
sizes=$(awk '/RT_GROUP_ICON/ { n++ } n == 1 && /Element no/' "$work/quorvella.rc" |
  sed -nE 's/^ *"\\([0-7]{3}).*/\1/p' | while read -r o; do echo $((8#$o ? 8#$o : 256)); done |
  xargs)
[ "$sizes" = "16 32 48 256" ] || fail "the program's icon has the sizes $sizes"
grep -Eq 'VALUE "LegalCopyright", "Copyright \(C\) [0-9]{4} The Quorvella authors"' \
  "$work/quorvella.rc" || fail "no LegalCopyright in the version information"
grep -aq '<dpiAware[^>]*>true</dpiAware>' "$setup" || fail "the installer is not DPI-aware"

# 5. Uninstalled silently, as a deployment tool does: by the command the entry gives. The
# uninstaller copies itself away and returns at once; the copy has done its work when every
# process of the prefix has ended.
quiet=$(sed -n 's/^    QuietUninstallString    REG_SZ    //p' "$work/uninstall-entry.txt")
[[ $quiet =~ ^\"([^\"]+)\"\ (.+)$ ]] || fail "QuietUninstallString is not a quoted program: $quiet"
wine "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" >"$work/uninstall.log" 2>&1 \
  || fail "the uninstaller failed"
timeout 120 wineserver -w || fail "the uninstaller did not end"
[ ! -e "$other_dir" ] || fail "$other is still there: $(ls "$other_dir")"
[ ! -e "$start_menu" ] && [ ! -e "$desktop" ] || fail "a shortcut is still there"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
record_kept "the uninstaller"

echo "windows installer: by hand, silently elsewhere and again, started from the Start menu," \
  "uninstalled silently; the record stays"
