#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Sets up a Debian 12 machine for Quorvella, builds it, and plays or tests it.
#   ./build.sh play   install what is missing, build, prepare the record directory, start the game
#   ./build.sh test   install what is missing, build, run the whole test suite
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-play}
build_dir=${BUILD_DIR:-build}
record_dir=/var/games/quorvella

# The Debian packages to build, run and test the game: groups "build", "test" and
# "desktop-a11y" of ci/packages.txt (the one list of packages; add new ones there).
bash ci/packages.sh install build test desktop-a11y

# CI sets QUORVELLA_WARNINGS_AS_ERRORS=ON: a warning then fails the build.
cmake -S . -B "$build_dir" -G Ninja \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${QUORVELLA_WARNINGS_AS_ERRORS:-OFF}"
cmake --build "$build_dir"

case "$mode" in
  play)
    # A build from the source tree is not set-group-id: the record directory must let this
    # player create and replace the record files. It is given to the player's own group,
    # writable by the group and by nobody else, without the sticky bit (which would stop one
    # player from replacing a record another player wrote).
    if [ ! -d "$record_dir" ] || [ ! -w "$record_dir" ]; then
      sudo_cmd=()
      [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
      echo "== Preparing $record_dir"
      "${sudo_cmd[@]}" install -d -m 2775 -g "$(id -g)" "$record_dir"
    fi
    exec "./$build_dir/quorvella"
    ;;
  test)
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac
