#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The conformance race played by the Windows program under Wine, on a virtual X server of its
# own, with the keyboard through xdotool; writes its transcript (the race and the lines: see
# compare.sh). The clock is held (a tick interval of 24 days) and ticked by the test through the
# end-to-end build's driver window; the captions come from that window, the boxes' titles and
# texts from the build's log of them (QUORVELLA_E2E_BOXES); focus moves, what a reader gets and
# the boxes' buttons from the screen reader's agent in another process (msaa_agent.exe, through
# Microsoft Active Accessibility and win events), which also carries out the ticks so that it
# reads each announcement before the next tick.
#
#   win32_transcript.sh <quorvella_e2e.exe> <msaa_agent.exe> <work dir> <transcript> [<golden>]
#
# Given a golden transcript, compares the transcript with it (compare.sh) and fails on a
# difference.
# Needs WINEPREFIX (made by wineboot when it is missing), Wine, Xvfb and xdotool.
set -euo pipefail
program=$(realpath "$1")
agent=$(realpath "$2")
work=$3
out=$4
golden=${5:+$(realpath "$5")}
rm -rf "$work"
mkdir -p "$work/records"
# shellcheck source=tests/windows/e2e/wine.sh
source "$(dirname "$0")/../windows/e2e/wine.sh"

heard="$work/heard.txt" commands="$work/commands.txt" boxes="$work/boxes.txt"
captions="$work/captions.txt"
fail() {
  echo "FAIL: $*" >&2
  [ -s "$heard" ] && echo "--- the agent heard:" >&2 && cat "$heard" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}
wine_display 1280x1024x24 "$work/xvfb.log" || fail "no X server"
agent_pid=
trap '[ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null; wine_cleanup' EXIT

# The record the race beats: 0 by "Nessuno", as the game writes it on Windows.
printf '0\r\n' >"$work/records/a.txt"
printf 'Nessuno\r\n' >"$work/records/n.txt"

: >"$heard"
: >"$commands"
wine "$agent" "$(winepath -w "$heard" 2>/dev/null)" "$(winepath -w "$commands" 2>/dev/null)" \
  >"$work/agent.txt" 2>&1 &
agent_pid=$!
# Waits until the agent has written a line matching $1 (an extended regular expression) after
# line $2 of what it heard; fails naming $3.
heard_after() {
  for _ in $(seq 600); do
    tail -n +"$(($2 + 1))" "$heard" | grep -qE "$1" && return 0
    kill -0 "$agent_pid" 2>/dev/null || fail "the agent ended: $(cat "$work/agent.txt")"
    sleep 0.1
  done
  fail "the agent never heard $3"
}
heard_after '^ready$' 0 "itself start"
# Has the agent carry out command $1 and waits until it has written a line matching $2.
agent_does() {
  local mark
  mark=$(wc -l <"$heard")
  echo "$1" >>"$commands"
  heard_after "$2" "$mark" "'$1' done"
}
# Waits for the focus on control $1 after line $2 of what the agent heard.
focus_on() { heard_after "^at\|$1\$" "$2" "the focus on $1"; }
caption() { sed -n "s/^caption $1=\([^ ]*\).*/\1/p" "$work/step-captions.txt"; }
product() { echo $(($(caption lblNum1) * $(caption lblNum2))); }

# Each step: its mark in what the agent heard and in the log of the boxes; at its end the
# captions (none once the program has ended).
step() {
  agent_does "step $1" "^step\|$1\$"
  wc -l <"$boxes" >"$work/boxes-at-$1"
}
step_done() {
  agent_does captions '^captions$'
  cp "$captions" "$work/step-captions.txt"
  cp "$captions" "$work/captions-$1.txt"
}

: >"$boxes"
QUORVELLA_E2E_BOXES=$(winepath -w "$boxes" 2>/dev/null) \
  QUORVELLA_E2E_DRIVER=$(winepath -w "$captions" 2>/dev/null) \
  QUORVELLA_E2E_DIR="$(winepath -w "$work/records" 2>/dev/null)\\" \
  QUORVELLA_E2E_TICK_MS=2147483647 QUORVELLA_E2E_SEED=5 \
  wine "$program" >"$work/out.txt" 2>&1 &
pid=$!

step start
mark=$(wc -l <"$heard")
box=$(window '^Quorvella$')
typed "$box" Ada
keys "$box" Return
gone "$box"
greeting=$(window '^Quorvella$' "$box")
keys "$greeting" Return
gone "$greeting"
main=$(window '^Giocare con la tavola pitagorica$')
focus_on txtAnswer "$mark"
step_done start

step right
mark=$(wc -l <"$heard")
typed "$main" "$(product)"
keys "$main" Return
focus_on cmdNext "$mark"
step_done right

step next-enter
mark=$(wc -l <"$heard")
keys "$main" Return
focus_on txtAnswer "$mark"
step_done next-enter

step wrong
mark=$(wc -l <"$heard")
typed "$main" "$(($(product) + 1))"
keys "$main" Return
focus_on cmdNext "$mark"
step_done wrong

step next-alt-n
mark=$(wc -l <"$heard")
keys "$main" alt+n
focus_on txtAnswer "$mark"
step_done next-alt-n

step new-race-no
mark=$(wc -l <"$heard")
keys "$main" F10 Right Return
question=$(window '^INIZIARE NUOVA GARA$')
keys "$question" Return # No is the default button
gone "$question"
focus_on txtAnswer "$mark"
step_done new-race-no

# Where-am-I: what the answer box tells a reader who asks, once the quiet after its focus is over
# and its name also tells the time left (the agent asks until the name has changed).
step where-am-i
asked=$(awk '/^at\|txtAnswer$/ { getline; name = $0 } END { print name }' "$heard" | cut -d'|' -f3)
for _ in $(seq 40); do
  agent_does whereami '^whereami\|'
  [ "$(grep -E '^whereami\|' "$heard" | tail -1 | cut -d'|' -f3)" != "$asked" ] && break
  sleep 0.25
done
step_done where-am-i

step minute
agent_does "tick 60" '^ticked\|'
step_done minute

# The end: the agent ticks until the program has ended; it hears the boxes meanwhile.
step end
mark=$(wc -l <"$heard")
echo "tick $((15 * 60 + 1))" >>"$commands"
farewell=$(window '^Data ')
heard_after '^box\|Data ' "$mark" "the farewell"
keys "$farewell" Return
gone "$farewell"
confirmation=$(window '^Quorvella$')
heard_after '^box\|Quorvella\|Ok ho registrato' "$mark" "the confirmation"
keys "$confirmation" Return
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/out.txt")"
heard_after '^ticked\|' "$mark" "the end of the ticks"

# The transcript, step by step: captions, focus moves, what the reader got at each, what it was
# told, the boxes.
one_line() { sed -e 's/\\r//g'; }
{
  for s in start right next-enter wrong next-alt-n new-race-no where-am-i minute end; do
    echo "== $s"
    # What the agent heard in this step.
    sed -n "/^step|$s\$/,/^step|/p" "$heard" | sed '1d;/^step|/d' | one_line >"$work/heard-$s.txt"
    [ -f "$work/captions-$s.txt" ] && [ "$s" != end ] && one_line <"$work/captions-$s.txt"
    awk -F'|' '/^at\|/ { at = $2; next }
      /^focus\|/ && at != "" { print "focus " at; at = "" }' "$work/heard-$s.txt"
    awk -F'|' '/^at\|/ { at = $2; next }
      /^focus\|/ && at != "" {
        print "reader focus " at " name=" $3 " description=" $4; at = "" }' "$work/heard-$s.txt"
    awk -F'|' '/^live\|/ { print "reader says " $3 }
      /^whereami\|/ { last = "reader says " $3 }
      /^box\|/ && $0 != box {
        box = $0
        # A box without a name of its own is heard by its shown title; the farewell names the day
        # in words for a reader through a Dynamic Annotation, which Wine 8.0 stubs: its title is
        # heard as shown only here.
        if ($4 == "shown" && $2 ~ /[0-9][0-9]\/[0-9][0-9]\/[0-9][0-9][0-9][0-9]/) {
          gsub(/[0-9][0-9]\/[0-9][0-9]\/[0-9][0-9][0-9][0-9]/, "<date in words>", $2)
          print "gap win32 reader says " $2
        } else {
          print "reader says " $2
        }
        print "reader says " $3
      }
      END { if (last != "") print last }' "$work/heard-$s.txt"
    # The boxes of the step: titles and texts from the log, buttons from the agent.
    from=$(cat "$work/boxes-at-$s")
    tail -n +"$((from + 1))" "$boxes" | grep -vE '^(closed|shown)\|' | one_line |
      head -n "$(awk '/^box\|/ && $0 != b { b = $0; n++ } END { print n + 0 }' \
        "$work/heard-$s.txt")" >"$work/boxes-$s.txt" || true
    awk -F'|' '/^box\|/ { dup = $0 == b; b = $0 } /^buttons\|/ && !dup { print $2 }' \
      "$work/heard-$s.txt" >"$work/buttons-$s.txt"
    paste -d'|' "$work/boxes-$s.txt" "$work/buttons-$s.txt" |
      awk -F'|' 'NF >= 3 { print "box title=" $2 " text=" $3 " buttons=" $4 }'
  done
  for name in $(LC_ALL=C ls -A "$work/records"); do
    f="$work/records/$name"
    printf 'file %s %s\n' "$name" "$(perl -0777 -ne 'print join "", map {
      $_ == 13 ? "\\r" : $_ == 10 ? "\\n" : $_ == 92 ? "\\\\" :
      ($_ < 32 || $_ >= 127) ? sprintf("\\x%02x", $_) : chr } unpack "C*"' "$f")"
  done
} >"$out"
echo "win32 transcript: $(grep -c . "$out") lines in $out"
[ -z "$golden" ] || bash "$(dirname "$0")/compare.sh" win32 "$golden" "$out"
