#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Whole races of the Windows program under Wine on a virtual X server of its own, played with
# the keyboard through xdotool, with the clock driven fast and the factors fixed. The record lies
# where the game keeps it: the Wine prefix's C:\windows.
#
#   race_test.sh <quorvella_e2e.exe> <work dir>
#
# Needs WINEPREFIX (made by wineboot when it is missing), Wine, Xvfb, xdotool and setxkbmap.
# Checks: with no record yet, the name box, the greeting, right and wrong answers on the clock's
# own ticks, the farewell, the new record written as Windows-1252 with CR LF and confirmed, exit
# status 0. Then a race that does not beat the record (nothing written, no confirmation); the
# new-race question answered Yes (a new name box); Alt+X; a record directory that cannot be made
# (error box, status 1). Box titles are read back from the screen, box texts from the end-to-end
# build's log of them. What a screen reader in another process hears of a race, the new-race
# question answered No and the captions after each step are the conformance race's
# (tests/conformance/win32_transcript.sh).
set -euo pipefail
program=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
# shellcheck source=tests/windows/e2e/wine.sh
source "$(dirname "$0")/wine.sh"

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}

wine_display 1280x1024x24 "$work/xvfb.log" || fail "no X server"
# An Italian keyboard, as the players have: "ò" is a key of its own. Each Wine program reads the
# layout when it starts.
setxkbmap -layout it

title() { xdotool getwindowname "$1"; }

# Every box the program shows is also written to this file (kind|title|prompt), so the texts
# can be read back.
boxes="$work/boxes.txt"
export QUORVELLA_E2E_BOXES
QUORVELLA_E2E_BOXES=$(winepath -w "$boxes" 2>/dev/null)
start() {
  rm -f "$boxes"
  # The race's length at these ticks, in whole seconds: the farewell is waited for five times
  # as long (a busy machine slows Wine's timers), the program's end failing the wait at once.
  race_seconds=$((900 * $1 / 1000 + 1))
  QUORVELLA_E2E_TICK_MS=$1 QUORVELLA_E2E_SEED=1 QUORVELLA_E2E_TRACE=1 \
    wine "$program" >"$work/out.txt" 2>&1 &
  pid=$!
}
# The boxes of the last run (not the lines that say they closed), the farewell's date and time
# (the system's) made generic, against the lines on standard input.
boxes_were() {
  local seen
  seen=$(grep -v '^closed|' "$boxes" |
    sed -E 's/^message\|Data [0-9][^|]*\|Ciao a presto\. Ore [0-9].*$/message|Data …|Ciao a presto. Ore …/')
  [ "$seen" = "$(cat)" ] || fail "the boxes were: $(cat "$boxes")"
}
# The name box and the greeting; leaves the main window's id in $main.
enter() {
  local box greeting
  box=$(window '^Quorvella$')
  typed "$box" "$1"
  keys "$box" Return
  gone "$box" "name box"
  greeting=$(window '^Quorvella$' "$box")
  keys "$greeting" Return
  gone "$greeting" greeting
  main=$(window '^Giocare con la tavola pitagorica$')
}
# The farewell (its title names the date), then the confirmation when $1 is "confirmed".
finish() {
  local farewell confirmation
  farewell=$(window '^Data ' '' $((30 + 5 * race_seconds)))
  [[ "$(title "$farewell")" =~ ^Data\ [0-9] ]] || fail "farewell titled '$(title "$farewell")'"
  keys "$farewell" Return
  gone "$farewell" farewell
  if [ "$1" = confirmed ]; then
    confirmation=$(window '^Quorvella$')
    keys "$confirmation" Return
  fi
  local status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/out.txt")"
}
bytes() { od -An -tx1 "$1" | tr -d ' \n'; }
# Answers $1 and goes on to the next question by Enter (the first Enter gives the new-question
# button the focus, the second draws the next question), then waits until it is drawn: the
# program traces each handler it calls.
answer() {
  local drawn
  drawn=$(grep -c '^cmdNext_Click' "$work/out.txt" || true)
  typed "$main" "$1"
  keys "$main" Return Return
  for _ in $(seq 100); do
    [ "$(grep -c '^cmdNext_Click' "$work/out.txt" || true)" -gt "$drawn" ] && return 0
    sleep 0.1
  done
  fail "no next question after $1"
}

# 1. No record yet. The fixed seed opens with 4 x 9, then 7 x 9; 9999 is wrong for any question.
#    Two right answers beat the empty record.
rm -f "$windir/a.txt" "$windir/n.txt"
start 15
enter "Nicolò"
answer 36
answer 63
answer 9999
finish confirmed
boxes_were <<'EOF2'
input|Quorvella|Come ti chiami?
message|Quorvella| Nicolò vediamo se sei un vero campione  
message|Data …|Ciao a presto. Ore …
shown||
message|Quorvella|Ok ho registrato il tuo record, C A M P I O N E"
EOF2
[ "$(bytes "$windir/a.txt")" = "320d0a" ] || fail "a.txt is not '2' with CR LF: $(od -c "$windir/a.txt")"
[ "$(bytes "$windir/n.txt")" = "4e69636f6cf20d0a" ] \
  || fail "n.txt is not 'Nicolò' in Windows-1252 with CR LF: $(od -c "$windir/n.txt")"

# 2. A second start shows the record the first one set; a race that does not beat it: nothing
#    written, no confirmation (a box titled Quorvella after the farewell would be one; the
#    program must end without it).
cp "$windir/a.txt" "$work/a.before"
cp "$windir/n.txt" "$work/n.before"
start 15
enter "Bruno"
typed "$main" 9999
keys "$main" Return
finish none
boxes_were <<'EOF2'
input|Quorvella|Come ti chiami?
message|Quorvella| Bruno vediamo se sei un vero campione  
message|Data …|Ciao a presto. Ore …
shown|2\r\n|Nicolò\r\n
EOF2
cmp -s "$windir/a.txt" "$work/a.before" || fail "a.txt changed"
cmp -s "$windir/n.txt" "$work/n.before" || fail "n.txt changed"

# 3. The new-race question from the menu (F10, then the second item): Yes asks the name again;
#    Alt+X then ends the program at once with status 0.
start 60000
enter "Carla"
keys "$main" F10 Right Return
question=$(window '^INIZIARE NUOVA GARA$')
keys "$question" shift+Tab Return  # Yes
gone "$question" "new-race question"
enter "Dario"
keys "$main" alt+x
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status after Alt+X"
boxes_were <<'EOF2'
input|Quorvella|Come ti chiami?
message|Quorvella| Carla vediamo se sei un vero campione  
message|INIZIARE NUOVA GARA|INIZIAMO UNA NUOVA GARA  ?
input|Quorvella|Come ti chiami?
message|Quorvella| Dario vediamo se sei un vero campione  
EOF2
cmp -s "$windir/a.txt" "$work/a.before" || fail "a.txt changed after Alt+X"

# 4. A record directory that cannot be made (a file stands in its way): after the greeting a box
#    names it, and the program ends with status 1.
touch "$WINEPREFIX/drive_c/blocco"
rm -f "$boxes"
QUORVELLA_E2E_DIR='C:\blocco\record\' QUORVELLA_E2E_SEED=1 wine "$program" \
  >"$work/out.txt" 2>&1 &
pid=$!
box=$(window '^Quorvella$')
keys "$box" Return
gone "$box" "name box"
greeting=$(window '^Quorvella$' "$box")
keys "$greeting" Return
gone "$greeting" greeting
error=$(window '^Quorvella$' "$greeting")
keys "$error" Return
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 1 ] || fail "exit status $status after the error, expected 1"
rm -f "$WINEPREFIX/drive_c/blocco"
# No name typed: the greeting starts with two blanks. The error box names the directory (its
# number and reason are the record store's).
sed -i -E 's/^(error\|Quorvella\|).*(C:\\blocco\\record\\).*$/\1…\2…/' "$boxes"
boxes_were <<'EOF2'
input|Quorvella|Come ti chiami?
message|Quorvella|  vediamo se sei un vero campione  
error|Quorvella|…C:\blocco\record\…
EOF2

echo "windows race: record kept when beaten and confirmed, left alone when not; new race Yes;" \
  "Alt+X; a missing record directory named in an error box, status 1"
