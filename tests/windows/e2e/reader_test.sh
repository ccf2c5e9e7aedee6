#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# What a screen reader hears of a race of the Windows program, read from another process under
# Wine: the agent (msaa_agent.exe) hears the window events out of context and reads their objects
# through Microsoft Active Accessibility, one line each (kind|role|name|description). The race is
# played with the keyboard through xdotool on a virtual X server, the factors fixed and the clock
# fast (slower in the last ten seconds, so the agent reads each before the next): the name, a
# right answer, Enter for the next question, a wrong one, Enter, then the clock runs out with no
# record yet, so the farewell is followed by the record's confirmation.
#
#   reader_test.sh <quorvella_e2e.exe> <msaa_agent.exe> <work dir>
#
# Checks: every focus of the answer box names its question, and after "Nuovo calcolo" the focus
# goes straight there (one event, the new question); the button's focus carries the verdict and
# the counts as its description; the time left arrives as the live region's text, each time once
# and counting down, the minutes and the last seconds; the farewell's text tells the result.
set -euo pipefail
program=$(realpath "$1")
agent=$(realpath "$2")
work=$3
rm -rf "$work"
mkdir -p "$work"
# shellcheck source=tests/windows/e2e/wine.sh
source "$(dirname "$0")/wine.sh"

fail() {
  echo "FAIL: $*" >&2
  echo "--- heard:" >&2
  cat "$heard" >&2 || true
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}
wine_display 1280x1024x24 "$work/xvfb.log" || fail "no X server"
agent_pid=
trap '[ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null; wine_cleanup' EXIT

heard="$work/heard.txt"
: >"$heard"
wine "$agent" "$(winepath -w "$heard" 2>/dev/null)" >"$work/agent.txt" 2>&1 &
agent_pid=$!
# Waits until the agent has written a line matching $1 (an extended regular expression) after
# line $2; fails naming $3.
heard_after() {
  for _ in $(seq 600); do
    tail -n +"$(($2 + 1))" "$heard" | grep -qE "$1" && return 0
    kill -0 "$agent_pid" 2>/dev/null || fail "the agent ended: $(cat "$work/agent.txt")"
    sleep 0.1
  done
  fail "the agent never heard $3"
}
heard_after '^ready$' 0 "itself start"
lines() { wc -l <"$heard"; }
keys() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  shift
  xdotool key --delay 40 "$@"
}
typed() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool type --delay 40 "$2"
}

rm -f "$windir/a.txt" "$windir/n.txt"
QUORVELLA_E2E_TICK_MS=40 QUORVELLA_E2E_END_TICK_MS=300 QUORVELLA_E2E_SEED=1 wine "$program" >"$work/out.txt" 2>&1 &
pid=$!
box=$(window '^Quorvella$')
typed "$box" "Ada"
keys "$box" Return
greeting=$(window '^Quorvella$' "$box")
keys "$greeting" Return
main=$(window '^Giocare con la tavola pitagorica$')
# The fixed seed asks 4 x 9, then 7 x 9.
heard_after '^focus\|[^|]*\|Quanto fa 4 per 9\?\|' 0 "the first question"
mark=$(lines)
typed "$main" 36
keys "$main" Return
heard_after '^focus\|[^|]*\|Nuovo calcolo\|' "$mark" "the focus on 'Nuovo calcolo' after 36"
mark=$(lines)
keys "$main" Return
heard_after '^focus\|[^|]*\|Quanto fa 7 per 9\?\|' "$mark" "the second question"
mark=$(lines)
typed "$main" 1
keys "$main" Return
heard_after '^focus\|[^|]*\|Nuovo calcolo\|' "$mark" "the focus on 'Nuovo calcolo' after 1"
mark=$(lines)
keys "$main" Return
heard_after '^focus\|[^|]*\|Quanto fa ' "$mark" "the third question"
farewell=$(window '^Data ')
heard_after '^box\|Data ' 0 "the farewell"
keys "$farewell" Return
confirmation=$(window '^Quorvella$' "$farewell")
keys "$confirmation" Return
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/out.txt")"
kill "$agent_pid" 2>/dev/null || true
agent_pid=
cp "$heard" "$work/heard-race.txt"

# 1. The focus in the window, from the first question to the farewell (whose button is left
#    out): the answer box named with each question, the button with the verdict and the counts
#    (their numbers, whatever the words), each move heard once.
focus=$(sed -n '/^focus|[^|]*|Quanto fa 4 per 9?/,/^box|Data /p' "$heard" |
  grep -E '^focus\|' | grep -vE '^focus\|[^|]*\|OK\|' | sed -E 's/^focus\|[^|]*\|//')
# The numbers of a text, blanks between them.
counts() { sed -E 's/[^0-9]+/ /g; s/^ //; s/ $//' <<<"$1"; }
mapfile -t moves <<<"$focus"
[ "${#moves[@]}" -eq 5 ] || fail "the focus moved ${#moves[@]} times, not 5: $focus"
[ "${moves[0]}" = "Quanto fa 4 per 9?|" ] || fail "first focus: ${moves[0]}"
[[ "${moves[1]}" =~ ^Nuovo\ calcolo\|Esatt && "$(counts "${moves[1]#*|}")" =~ (^| )1\ 0\ 1$ ]] ||
  fail "the button after a right answer: ${moves[1]}"
[ "${moves[2]}" = "Quanto fa 7 per 9?|" ] || fail "second question: ${moves[2]}"
[[ "${moves[3]}" =~ ^Nuovo\ calcolo\|Sbagliat && "$(counts "${moves[3]#*|}")" =~ (^| )1\ 1\ 2$ ]] ||
  fail "the button after a wrong answer: ${moves[3]}"
[[ "${moves[4]}" =~ ^Quanto\ fa\ [0-9]+\ per\ [0-9]+\?\|$ ]] || fail "third question: ${moves[4]}"

# 2. The time left: the live region's texts, each once and counting down (minutes, then
#    seconds), the last minute and the last seconds among them, all before the farewell.
live=$(sed -n '/^box|Data /q; /^live|/p' "$heard" | cut -d'|' -f3)
[ "$(grep -cE '^live\|' "$heard")" -eq "$(grep -c . <<<"$live")" ] ||
  fail "time left announced after the farewell"
previous=1000000
while read -r sentence; do
  number=$(grep -oE '[0-9]+' <<<"$sentence" | head -1)
  [ -n "$number" ] || fail "an announcement without a time: '$sentence'"
  seconds=$number
  [[ "$sentence" =~ minut ]] && seconds=$((number * 60))
  [ "$seconds" -lt "$previous" ] || fail "announcements out of order or repeated: $live"
  previous=$seconds
done <<<"$live"
grep -qE '1 minuto' <<<"$live" || fail "the last minute was not announced: $live"
[ "$previous" -le 10 ] || fail "the last seconds were not announced: $live"

# 3. The end: the farewell's text, as a reader reads it, holds the race's result (its counts).
end=$(grep -E '^box\|Data ' "$heard" | head -1 | cut -d'|' -f3)
[[ "$end" =~ ^Ciao\ a\ presto && "$(counts "$end")" =~ 1\ 1\ 2 ]] ||
  fail "the farewell as a reader reads it: $end"

echo "windows reader: $(grep -c '^focus|' "$heard") focus events, $(grep -c . <<<"$live")" \
  "time announcements, the farewell: $end"
