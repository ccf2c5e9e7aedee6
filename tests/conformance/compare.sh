#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Compares one binding's transcript of the conformance race with the golden one.
#   compare.sh BINDING GOLDEN TRANSCRIPT
# Exit status 0 when they are equal but for the lines the transcript names as gaps.
#
# The race (the same on every binding): QUORVELLA_E2E_SEED=5 fixes the factors; the record
# directory starts with a.txt "0\r\n" and n.txt "Nessuno\r\n", which the race's one right answer
# beats; the clock is held between steps and ticked by the test. Steps, each a line "== <step>":
#   start        the program starts; the name box is answered with "Ada", the greeting with OK
#   right        the right answer typed, then Enter
#   next-enter   Enter on "Nuovo calcolo"
#   wrong        the right answer plus one typed, then Enter
#   next-alt-n   Alt+N
#   new-race-no  the new-race command ("nuovo"), its question answered No
#   where-am-i   the reader asks where the focus is (the answer box)
#   minute       60 ticks: 00:15:00 -> 00:14:00
#   end          the remaining 841 ticks; the farewell and the confirmation answered OK; exit
# After each step, grouped in this order (within a group, in the order they happened):
#   caption <Control>=<text>   the window's caption (Tavola), then every label, button and text
#                              box of the description in its order, " [disabled]" after a
#                              disabled one; none after "end", when the window is gone
#   focus <Control>            each focus event on a control of the window (a box's own focus is
#                              not one); the focus coming back after a box counts
#   reader focus <Control> name=<name> description=<description>   what a reader got with it
#   reader says <text>         each announcement of the time left, once each; the where-am-I
#                              answer; for each box as it opens, its title then its text as a
#                              reader hears them
#   box title=<t> text=<x> buttons=<b,…>   each box opened; \n written as \\n; buttons accept
#                              before reject, yes before no, without "&"
# At the end: "exit status <n>" when the program did not end with 0, then "file <name> <bytes>"
# for each file of the record directory (the store's own files included), by name, the bytes
# with \r, \n, \\ and \xNN escapes.
# Normalised here, on both sides: a date "dd/mm/yyyy" becomes <date>, one in words ("8 dicembre
# 2026", "primo maggio 2027") <date in words>, "Ore hh:mm" becomes "Ore <time>".
# A binding that cannot show a golden line writes "gap <binding> <line>" (the golden line as
# normalised; a <line> ending in "*" stands for every golden line it starts): the comparison
# leaves those golden lines out and prints the gap. A gap that matches no golden line fails.
set -euo pipefail
binding=$1 golden=$2 transcript=$3

normalise() {
  sed -E -e 's#[0-9]{2}/[0-9]{2}/[0-9]{4}#<date>#g' \
    -e 's#(primo|[0-9]{1,2}) (gennaio|febbraio|marzo|aprile|maggio|giugno|luglio|agosto|settembre|ottobre|novembre|dicembre) [0-9]{4}#<date in words>#g' \
    -e 's#Ore [0-9]{1,2}[:.][0-9]{2}#Ore <time>#g' "$1"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
normalise "$golden" >"$work/golden"
normalise "$transcript" | grep -v '^gap ' >"$work/transcript" || true
grep "^gap $binding " "$transcript" | sed "s/^gap $binding //" >"$work/gaps" || true
if grep '^gap ' "$transcript" | grep -qv "^gap $binding "; then
  echo "FAIL: gap lines of another binding than $binding:" >&2
  grep '^gap ' "$transcript" | grep -v "^gap $binding " >&2
  exit 1
fi

# The golden without the lines the gaps name.
status=0
cp "$work/golden" "$work/expected"
while IFS= read -r gap; do
  if [[ "$gap" == *'*' ]]; then
    prefix=${gap%'*'}
    keep() { [[ "$1" != "$prefix"* ]]; }
  else
    keep() { [[ "$1" != "$gap" ]]; }
  fi
  : >"$work/next"
  matched=0
  while IFS= read -r line; do
    if keep "$line"; then printf '%s\n' "$line" >>"$work/next"; else matched=$((matched + 1)); fi
  done <"$work/expected"
  mv "$work/next" "$work/expected"
  if [ "$matched" -eq 0 ]; then
    echo "FAIL: the gap '$gap' names no line of the golden" >&2
    status=1
  else
    echo "gap $binding: $gap ($matched golden line(s) not shown)"
  fi
done <"$work/gaps"

if ! diff -u --label golden --label "$binding" "$work/expected" "$work/transcript"; then
  echo "FAIL: the $binding transcript differs from the golden (above: - golden, + $binding)" >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "conformance $binding: $(grep -c . "$work/transcript") lines equal to the golden"
exit "$status"
