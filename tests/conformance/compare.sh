#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Compares one binding's transcript of the conformance race with the golden one.
#
#   compare.sh <binding> <golden> <transcript>
#
# Both are normalised first: a date dd/mm/yyyy or in words ("9 dicembre 2026", "primo maggio
# 2027") becomes <date>, "Ore hh:mm" becomes "Ore <time>". A line "gap <binding> <line>" of the
# transcript names a golden line the binding cannot show (a <line> ending in "*" every golden line
# it starts): those golden lines are left out, and the gap is printed. A gap that names no golden
# line, or a gap of another binding, fails. Exit status 0 when the rest is equal.
set -euo pipefail
binding=$1 golden=$2 transcript=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

months='gennaio|febbraio|marzo|aprile|maggio|giugno|luglio|agosto|settembre|ottobre|novembre'
normalise() {
  sed -E -e 's#[0-9]{2}/[0-9]{2}/[0-9]{4}#<date>#g' \
    -e "s#(primo|[0-9]{1,2}) ($months|dicembre) [0-9]{4}#<date>#g" \
    -e 's#Ore [0-9]{1,2}[:.][0-9]{2}#Ore <time>#g' "$1"
}
normalise "$golden" >"$work/golden"
normalise "$transcript" >"$work/all"
grep -v '^gap ' "$work/all" >"$work/transcript" || true
status=0
if grep '^gap ' "$work/all" | grep -v "^gap $binding " >"$work/foreign"; then
  echo "FAIL: gaps of another binding than $binding:" >&2
  cat "$work/foreign" >&2
  status=1
fi

# The golden without the lines the gaps name.
grep "^gap $binding " "$work/all" | sed "s/^gap $binding //" >"$work/gaps" || true
cp "$work/golden" "$work/expected"
while IFS= read -r gap; do
  awk -v gap="$gap" '
    BEGIN {
      star = substr(gap, length(gap)) == "*"
      if (star) gap = substr(gap, 1, length(gap) - 1)
    }
    (star && index($0, gap) == 1) || (!star && $0 == gap) { n++; next }
    { print }
    END { print n + 0 > "/dev/stderr" }' "$work/expected" >"$work/next" 2>"$work/count"
  mv "$work/next" "$work/expected"
  if [ "$(cat "$work/count")" -eq 0 ]; then
    echo "FAIL: the gap '$gap' names no line of the golden" >&2
    status=1
  else
    echo "gap $binding: $gap ($(cat "$work/count") golden line(s) not shown)"
  fi
done <"$work/gaps"

if ! diff -u --label golden --label "$binding" "$work/expected" "$work/transcript"; then
  echo "FAIL: the $binding transcript differs from the golden (- golden, + $binding)" >&2
  status=1
fi
[ "$status" -eq 0 ] &&
  echo "conformance $binding: $(grep -c . "$work/transcript") lines equal to the golden"
exit "$status"
