#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The Debian packages of ci/packages.txt, by group.
#   ci/packages.sh list GROUP...      prints the packages of the groups ("all": every group)
#   ci/packages.sh install GROUP...   installs those not installed yet (as root, or with sudo)
set -euo pipefail
export LC_ALL=C.UTF-8
list="$(dirname "${BASH_SOURCE[0]}")/packages.txt"

packages_of() {  # group... -> one package per line, each once
  awk -v want=" $* " '
    { sub(/#.*/, "") }
    /^\[[^]]+\]/ { match($0, /^\[[^]]+\]/); group = substr($0, 2, RLENGTH - 2); next }
    want ~ " all " || index(want, " " group " ") { for (i = 1; i <= NF; i++) if (!seen[$i]++) print $i }
  ' "$list"
}

usage() { echo "usage: $0 list|install GROUP..." >&2; exit 2; }
[ $# -ge 2 ] || usage
command=$1
shift
for group in "$@"; do
  [ "$group" = all ] || grep -q "^\[$group\]" "$list" || { echo "$0: no group [$group] in $list" >&2; exit 2; }
done

case $command in
  list) packages_of "$@" ;;
  install)
    missing=()
    while read -r p; do
      dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done < <(packages_of "$@")
    [ ${#missing[@]} -eq 0 ] && exit 0
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
      command -v sudo >/dev/null || { echo "$0: run as root or install sudo" >&2; exit 1; }
      sudo_cmd=(sudo)
    fi
    echo "== Installing: ${missing[*]}"
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    ;;
  *) usage ;;
esac
