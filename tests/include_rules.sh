#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The rooms' include rules, checked on the source tree: every `#include "room/..."` of a room
# must point to a room it may depend on, and only the Qt binding and the composition root
# include Qt headers (<QWidget>, <QtWidgets/QWidget> or the lower-case <qdrawutil.h>). Fails
# listing each include that breaks a rule. The build enforces the same graph (each library
# exposes only its own folder); this is its readable statement, and it sees the tests too.
#
#   include_rules.sh <source dir>     check the tree
#   include_rules.sh --self-check     plant one break of each kind in a scratch tree and check
#                                     that every one is reported and an allowed include is not
#
# The allowed graph (anything may include its own room):
#   game -> records, platform        records -> platform        window -> platform
#   ui/qt -> window, platform        ui/win32 -> window, platform
#   main.cpp, app/ -> everything (app/services.*, shared by every binding: no binding, no Qt);
#   nothing else includes app/
#   tests/<room>/ -> what they test and what that room may include; tests/qt, tests/e2e and
#   other test folders compose the whole program. Programs that compose (bench/, packaging/,
#   fuzz/) are not checked.
set -euo pipefail
export LC_ALL=C.UTF-8

self_check() {
  local tree status=0 out
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' RETURN
  mkdir -p "$tree"/{ui/qt,ui/win32,platform,window,records,game,app,tests/platform,tests/game}
  plant() { printf '#include %s\n' "$2" >"$tree/$1"; }
  # Breaks, one per rule.
  plant ui/qt/form.cpp '"game/tavola.h"'
  plant ui/win32/form.cpp '"records/records.h"'
  plant platform/files.cpp '"ui/qt/widgets.h"'
  plant platform/runtime.cpp '"window/description.h"'
  plant records/records.cpp '"game/tavola.h"'
  plant window/description.cpp '"records/records.h"'
  plant game/tavola.cpp '"app/services.h"'
  plant game/tavola.h '"ui/qt/qt_form.h"'
  plant app/services.h '<QApplication>'
  plant window/description.h '<QtWidgets/QWidget>'
  plant window/sentences.cpp '<qdrawutil.h>'
  plant ui/win32/paint.cpp '<qglobal.h>'
  plant tests/platform/runtime_test.cpp '"fake/fake_form.h"'
  plant records/records.h '"../game/tavola.h"'
  # Allowed.
  plant game/ok.cpp '"records/records.h"'
  plant game/queue.cpp '<queue>'
  plant ui/qt/ok.cpp '"window/description.h"'
  plant ui/qt/draw.cpp '<qdrawutil.h>'
  plant app/qt_game.h '"ui/qt/qt_form.h"'
  plant app/win32_game.cpp '"ui/win32/form.h"'
  plant tests/game/ok_test.cpp '"fake/fake_form.h"'
  out=$("$0" "$tree" 2>&1) && { echo "FAIL: the planted breaks passed"; return 1; }
  for f in ui/qt/form.cpp ui/win32/form.cpp platform/files.cpp platform/runtime.cpp \
    records/records.cpp window/description.cpp game/tavola.cpp game/tavola.h app/services.h \
    window/description.h window/sentences.cpp ui/win32/paint.cpp tests/platform/runtime_test.cpp \
    records/records.h; do
    grep -q "^$f:1: " <<<"$out" || { echo "FAIL: not reported: $f"; status=1; }
  done
  for f in game/ok.cpp game/queue.cpp ui/qt/ok.cpp ui/qt/draw.cpp app/qt_game.h app/win32_game.cpp \
    tests/game/ok_test.cpp; do
    grep -q "^$f:" <<<"$out" && { echo "FAIL: allowed include reported: $f"; status=1; }
  done
  [ "$status" -eq 0 ] && echo "include rules: every planted break reported, allowed includes pass"
  return "$status"
}

if [ "${1:-}" = "--self-check" ]; then
  self_check
  exit
fi
cd "${1:?usage: $0 <source dir> | --self-check}"

# The room a file belongs to, for the rules; "any" for code that composes the whole program.
room_of_file() {
  case $1 in
    app/services.*) echo app-plain ;;  # shared by every binding: knows none of them
    main.cpp | app/*) echo any ;;
    ui/qt/*) echo ui/qt ;;
    ui/win32/*) echo ui/win32 ;;
    platform/* | window/* | records/* | game/*) echo "${1%%/*}" ;;
    tests/platform/*) echo test-platform ;;
    tests/records/*) echo test-records ;;
    tests/window/*) echo test-window ;;
    tests/qt/* | tests/e2e/*) echo any ;;
    tests/common/*) echo test-common ;;
    tests/game/* | tests/fake/* | tests/stress/*) echo test-game ;;  # the whole plain game
    tests/windows/*) echo test-windows ;;
    tests/win32/*) echo test-win32 ;;
    *) echo any ;;  # other test folders compose, as tests/qt does
  esac
}

# The rooms a room may include, itself among them.
allowed_for() {
  case $1 in
    platform | test-platform) echo "platform" ;;
    records | test-records) echo "records platform" ;;
    window | test-window) echo "window platform" ;;
    game) echo "game records platform" ;;
    ui/qt) echo "ui/qt window platform" ;;
    ui/win32) echo "ui/win32 window platform" ;;
    app-plain) echo "app game records platform" ;;
    test-common) echo "records platform" ;;  # the record directory as the record tests see it
    test-game) echo "game records platform window fake" ;;
    test-windows) echo "game records platform window fake" ;;
    test-win32) echo "ui/win32 window platform" ;;
  esac
}

# The room an included path points into; empty for headers outside the rooms.
room_of_include() {
  case $1 in
    ../*) echo parent ;;
    ui/qt/*) echo ui/qt ;;
    ui/win32/*) echo ui/win32 ;;
    platform/* | window/* | records/* | game/* | app/*) echo "${1%%/*}" ;;
    fake/*) echo fake ;;  # the tests' fake window: the game with the window's description
    *) echo "" ;;
  esac
}

# Rooms that must build without Qt.
plain() {
  case $1 in
    platform | window | records | game | ui/win32 | app-plain | test-*) return 0 ;;
    *) return 1 ;;
  esac
}

failures=0
while IFS= read -r file; do
  room=$(room_of_file "$file")
  [ "$room" = any ] && continue
  allowed=" $(allowed_for "$room") "
  while IFS=: read -r line text; do
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
      target=${BASH_REMATCH[1]}
      to=$(room_of_include "$target")
      [ -z "$to" ] && continue
      if [[ $allowed != *" $to "* ]]; then
        echo "$file:$line: $room may not include $target (it may include:${allowed% })"
        failures=$((failures + 1))
      fi
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z/]*|q[a-z0-9_]*\.h)\> ]] &&
      plain "$room"; then
      echo "$file:$line: $room builds without Qt and may not include <${BASH_REMATCH[1]}>"
      failures=$((failures + 1))
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find main.cpp app platform window records game ui tests -type f \
  \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) 2>/dev/null | sed 's|^\./||' | sort)

if [ "$failures" -gt 0 ]; then
  echo "include rules: $failures include(s) break the rooms' dependency rules" >&2
  exit 1
fi
echo "include rules: every include follows the rooms' dependency rules"
