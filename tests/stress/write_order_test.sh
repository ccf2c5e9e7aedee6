#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The order in which one real write reaches the disk, as strace sees its system calls: neither
# a.txt nor n.txt changes (truncated, written, opened with O_TRUNC) before the journal holding
# the new record is synced, and the journal is emptied only once both files are synced. A killed
# process's writes stay in the page cache, so the kill tests cannot see a missing fsync; a power
# cut would.
#
#   write_order_test.sh <work dir> [emulator...] <record_write program>
#
# Exits 77 (skipped) where strace is missing.
set -euo pipefail
if ! command -v strace >/dev/null; then
  echo "SKIPPED write_order: strace is missing (apt-get install strace)"
  exit 77
fi
work=$1
shift
rm -rf "$work"
mkdir -p "$work/dir"
# strace names each descriptor's file by its real path.
dir=$(realpath "$work/dir")/
"$@" "$dir" 7 Anna
strace -f -y -o "$work/trace.txt" \
  -e trace=openat,write,pwrite64,ftruncate,fsync,fdatasync,close "$@" "$dir" 1234 Bruno
awk -v dir="$dir" -v trace="$work/trace.txt" '
  function fail(why) {
    print "FAIL: " why " (line " NR " of " trace ")" > "/dev/stderr"
    failed = 1
    exit 1
  }
  match($0, /(openat|write|pwrite64|ftruncate|fsync|fdatasync)\(/) {
    call = substr($0, RSTART, RLENGTH - 1)
    rest = substr($0, RSTART + RLENGTH)
    if (call == "openat") {
      if (rest !~ /O_TRUNC/ || !match(rest, /"[^"]*"/)) next
      file = substr(rest, RSTART + 1, RLENGTH - 2)
      sub(/.*\//, "", file)
      op = "change"
    } else {
      if (!match(rest, /^[0-9]+<[^>]*>/)) next
      file = substr(rest, RSTART, RLENGTH)
      sub(/^[0-9]+</, "", file)
      sub(/>$/, "", file)
      if (substr(file, 1, length(dir)) != dir) next
      file = substr(file, length(dir) + 1)
      op = call ~ /sync/ ? "sync" : "change"
    }
    if (file == ".quorvella.journal") {
      if (call ~ /write/) {
        written = 1
        journalSynced = 0
      } else if (op == "sync" && written) {
        journalSynced = 1
      } else if (call == "ftruncate" && written) {
        for (f in dirty) if (dirty[f]) fail("the journal was emptied before " f " was synced")
        if (!synced["a.txt"] || !synced["n.txt"])
          fail("the journal was emptied before a.txt and n.txt were written")
        emptied = 1
      }
    } else if (file == "a.txt" || file == "n.txt") {
      if (op == "sync") {
        if (dirty[file]) synced[file] = 1
        dirty[file] = 0
      } else {
        if (!journalSynced) fail(file " changed (" call ") before the journal was synced")
        dirty[file] = 1
      }
    }
  }
  END {
    if (!failed && !emptied)
      fail("no whole write in the trace (journal written and synced, a.txt and n.txt written" \
           " and synced, journal emptied)")
  }
' "$work/trace.txt"
echo "write_order: journal synced before a.txt and n.txt changed, emptied after both were synced" \
  "($(grep -cE 'ftruncate|pwrite64|fsync' "$work/trace.txt") calls traced)"
