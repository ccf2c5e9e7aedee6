#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# What a screen reader hears of a race: an X server, a D-Bus session and an AT-SPI bus of the
# test's own, a reader listening from before the program starts (reader.py).
#   a11y_test.sh PROGRAM WORKDIR
set -euo pipefail
program=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/records"
# A record of 0: the race's one right answer beats it, and the confirmation box comes.
printf '0\r\n' >"$work/records/a.txt"
printf 'Nessuno\r\n' >"$work/records/n.txt"

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"
trap stop_xvfb EXIT
start_xvfb 1280x1024x24 "$work/xvfb.log" || exit 1
export LC_ALL=C.UTF-8 NO_AT_BRIDGE=0 GTK_MODULES=
unset QT_ACCESSIBILITY QT_LINUX_ACCESSIBILITY_ALWAYS_ON

# In a D-Bus session of our own, with the AT-SPI bus on, the reader, which starts the program.
atspi_session /usr/bin/python3 "$here/reader.py" "$program" "$work"
