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

# In a D-Bus session of our own: the AT-SPI bus, switched on as a screen reader switches it on,
# then the reader, which starts the program.
dbus-run-session -- bash -c '
  set -euo pipefail
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$1/bus.log" 2>&1 &
  launcher=$!
  trap "kill $launcher 2>/dev/null; true" EXIT
  for _ in $(seq 100); do
    gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
      --method org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
    sleep 0.1
  done
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<true>" >/dev/null
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.freedesktop.DBus.Properties.Set org.a11y.Status ScreenReaderEnabled "<true>" \
    >/dev/null
  /usr/bin/python3 "$2/reader.py" "$3" "$1"
' a11y "$work" "$here" "$program"
