#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# CI only, as root: builds the Debian package, validates its menu entry and software-centre
# description, installs it with apt, checks that the game holds no privilege and that only the
# record helper may write the record, lets two ordinary users each beat the shared record in a
# scripted race, makes one wait for a lock held past its deadline, starts the installed game as
# one of them under Xvfb (screenshot and a check of its groups while the window is up), then
# purges the package again.
#
# The scripted race: the installed game cannot be sped up and grows no test hooks, so the race
# is run by quorvella-race (packaging/race), built from the same tree with the same code for the
# record store and the window, installed without privilege into a scratch directory just for
# this check. Like the game, it asks the installed helper to read and write the package's record
# directory /var/games/quorvella.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive

[ "$(id -u)" -eq 0 ] || { echo "ci/package.sh: run as root" >&2; exit 1; }

build_dir=${PACKAGE_BUILD_DIR:-build-package}
scratch=/opt/quorvella-ci
users=(quorvella-anna quorvella-bruno)
game=/usr/games/quorvella
records=/var/games/quorvella

fail() {
  echo "ci/package.sh: FAIL: $*" >&2
  exit 1
}

cleanup() {
  rm -rf "$scratch"
  for u in "${users[@]}"; do
    if id "$u" >/dev/null 2>&1; then
      pkill -u "$u" 2>/dev/null || true
      userdel -r "$u" 2>/dev/null || true
    fi
  done
  if dpkg-query -W -f='${Status}' quorvella 2>/dev/null | grep -q installed; then
    apt-get purge -y -q quorvella >/dev/null || true
  fi
}
trap cleanup EXIT

# What this step needs besides the build tools: group "package" of ci/packages.txt.
bash ci/packages.sh install package

echo "== Package: build from the source package (debian/), twice"
# The build dependencies as debian/control lists them: a missing one fails the build below.
apt-get build-dep -y -q ./ >/dev/null
# Each build works on a copy of the tree (tracked and new files, as they stand): the first in one
# folder, the second later in another folder with every file's time set to now and another time
# zone. Both must give byte-identical packages (the changelog's date is SOURCE_DATE_EPOCH).
build_copy() {  # folder, extra environment...
  local dir=$1
  shift
  rm -rf "$dir"
  mkdir -p "$dir/quorvella"
  git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -x -C "$dir/quorvella"
  find "$dir/quorvella" -exec touch {} +
  (cd "$dir/quorvella" && env "$@" dpkg-buildpackage -us -uc -b -j"$(nproc)" >../build.log 2>&1) ||
    { tail -30 "$dir/build.log" >&2; fail "dpkg-buildpackage failed in $dir (log: $dir/build.log)"; }
}
first="$PWD/$build_dir/first"
second="$PWD/$build_dir/second-build/elsewhere"
build_copy "$first" TZ=UTC
build_copy "$second" TZ=Pacific/Auckland
for f in quorvella_1.0.0_amd64.deb quorvella-dbgsym_1.0.0_amd64.deb; do
  cmp -s "$first/$f" "$second/$f" ||
    fail "$f differs between the two builds (diffoscope $first/$f $second/$f tells how)"
done
sha256sum "$first"/*.deb | sed "s|$first/||"
echo "ok  two builds in different folders at different times gave identical packages"
deb="$first/quorvella_1.0.0_amd64.deb"
echo "built $deb ($(stat -c %s "$deb") bytes)"
dpkg-deb -f "$deb" Depends

echo "== Package: lintian"
# No error, no warning, no hardening tag; what lintian says is shown whole. It runs as nobody,
# as lintian prefers.
chmod -R a+rX "$first"
lint=$(runuser -u nobody -- lintian -I --pedantic "$first"/quorvella_1.0.0_amd64.changes 2>&1) || true
[ -n "$lint" ] && printf '%s\n' "$lint"
grep -E '^(E|W): ' <<<"$lint" && fail "lintian reports errors or warnings"
grep -E 'hardening' <<<"$lint" && fail "lintian reports missing hardening"
echo "ok  lintian: no error, no warning, no hardening tag ($(grep -c . <<<"$lint") lines in all)"

# The scripted race of the installation check, built in the first build's tree with the same
# code (not part of the package).
obj_dir="$first/quorvella/obj-$(dpkg-architecture -qDEB_HOST_GNU_TYPE)"
cmake --build "$obj_dir" --target quorvella_race >/dev/null
race_program="$obj_dir/quorvella-race"

echo "== Package: validate menu entry and metainfo"
desktop-file-validate resources/org.quorvella.Quorvella.desktop
appstreamcli validate --no-net resources/org.quorvella.Quorvella.metainfo.xml

echo "== Package: install with apt"
apt-get purge -y -q quorvella >/dev/null 2>&1 || true
apt-get install -y -q "$deb" >/dev/null

check_stat() {  # path, expected "owner:group mode"
  local got
  got=$(stat -c '%U:%G %a' "$1")
  [ "$got" = "$2" ] || fail "$1 is $got, expected $2"
  echo "ok  $1  $got"
}
helper=/usr/lib/games/quorvella/quorvella-record
check_stat "$game" "root:root 755"
check_stat "$helper" "root:games 2755"
check_stat "$records" "root:games 775"
check_stat "$records/a.txt" "root:games 664"
check_stat "$records/n.txt" "root:games 664"
check_stat "$records/.quorvella.lock" "root:games 660"
check_stat "$records/.quorvella.journal" "root:games 660"
objdump -p "$helper" | grep NEEDED | grep -qiv -E 'libc\.|libstdc\+\+|libm\.|libgcc_s' &&
  fail "the helper links more than the C and C++ run-time: $(objdump -p "$helper" | grep NEEDED)"
echo "ok  the helper links only: $(objdump -p "$helper" | awk '/NEEDED/ {printf "%s ", $2}')"
for f in /usr/share/applications/org.quorvella.Quorvella.desktop \
  /usr/share/metainfo/org.quorvella.Quorvella.metainfo.xml \
  /usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/org.quorvella.Quorvella.png \
  /usr/share/man/man6/quorvella.6.gz; do
  [ -f "$f" ] || fail "$f not installed"
done
desktop-file-validate /usr/share/applications/org.quorvella.Quorvella.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.quorvella.Quorvella.metainfo.xml >/dev/null
echo "ok  menu entry, metainfo, icons 16/32/48, man page"

echo "== Package: two players beat the record in turn"
install -d -m 0755 "$scratch"
install -o root -g root -m 0755 "$race_program" "$scratch/quorvella-race"
for u in "${users[@]}"; do
  id "$u" >/dev/null 2>&1 || useradd -m -s /bin/bash "$u"
  id -nG "$u" | grep -qw games && fail "$u must not be in the games group"
done
# A player can read the record but can neither write it nor open the lock (which would let them
# block every other game's write).
for f in a.txt n.txt .quorvella.lock .quorvella.journal; do
  runuser -u quorvella-anna -- sh -c "exec 3>>'$records/$f'" 2>/dev/null &&
    fail "a player could open $f for writing"
done
runuser -u quorvella-anna -- sh -c "exec 3<'$records/.quorvella.lock'" 2>/dev/null &&
  fail "a player could open the lock"
runuser -u quorvella-anna -- cat "$records/a.txt" >/dev/null || fail "a player cannot read a.txt"
echo "ok  players read a.txt and n.txt, write nothing and cannot open the lock"

race() {  # user, name, right answers
  local out
  out=$(runuser -u "$1" -- env -i HOME="/home/$1" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$scratch/quorvella-race" "$2" "$3" 5 2>&1) || fail "race of $1 ended with status $?: $out"
  grep -q "^box: Ok ho registrato il tuo record" <<<"$out" || fail "no new record for $1: $out"
  cmp -s <(printf '%s\r\n' "$3") "$records/a.txt" ||
    fail "a.txt holds '$(od -An -c "$records/a.txt")' after $1's race"
  cmp -s <(printf '%s\r\n' "$2") "$records/n.txt" ||
    fail "n.txt holds '$(od -An -c "$records/n.txt")' after $1's race"
  echo "ok  record $3 by $2 in a.txt and n.txt"
  check_stat "$records/a.txt" "root:games 664"
  check_stat "$records/n.txt" "root:games 664"
  [ -s "$records/.quorvella.journal" ] && fail "the journal was not emptied"
  [ "$(ls -A "$records" | wc -l)" -eq 4 ] || fail "unexpected files in $records: $(ls -A "$records")"
}
race quorvella-anna Anna 3
race quorvella-bruno Bruno 5
check_stat "$records/.quorvella.lock" "root:games 660"
# A lower score leaves the record alone.
out=$(runuser -u quorvella-anna -- env -i HOME=/home/quorvella-anna PATH=/usr/bin:/bin \
  QT_QPA_PLATFORM=offscreen "$scratch/quorvella-race" Anna 1 5 2>&1)
grep -q "registrato" <<<"$out" && fail "a lower score was registered"
check_stat "$records/a.txt" "root:games 664"

echo "== Package: a lock held past the deadline"
# Another process takes the lock once the race is under way and keeps it: at the end of the race
# the game waits about ten seconds, then says the record files are busy and names the lock.
out_file=$(mktemp)
runuser -u quorvella-anna -- env -i HOME=/home/quorvella-anna PATH=/usr/bin:/bin \
  QT_QPA_PLATFORM=offscreen "$scratch/quorvella-race" Anna 9 10 >"$out_file" 2>&1 &
race_pid=$!
for _ in $(seq 600); do
  grep -q "^race: window up" "$out_file" && break
  kill -0 "$race_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q "^race: window up" "$out_file" || fail "the race did not start: $(cat "$out_file")"
flock --no-fork -x "$records/.quorvella.lock" sleep 60 &
holder=$!
started=$(date +%s)
status=0
wait "$race_pid" || status=$?
waited=$(($(date +%s) - started))
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
out=$(cat "$out_file")
rm -f "$out_file"
[ "$status" -ne 0 ] || fail "the race ended with status 0 although the record could not be written"
grep -q "^box: Ciao a presto" <<<"$out" || fail "the race did not reach its end: $out"
grep -q "occupati" <<<"$out" || fail "no error box about the busy record files: $out"
grep -q "quorvella.lock" <<<"$out" || fail "the error box does not name the lock file: $out"
[ "$waited" -lt 45 ] || fail "the game waited $waited s"
check_stat "$records/a.txt" "root:games 664"
grep -q "^9" "$records/a.txt" && fail "the record was written although the lock was held"
echo "ok  busy lock at the end of the race: error box naming the lock, status $status, record kept"

echo "== Package: the installed game as an ordinary user under Xvfb"
shot_dir="$build_dir/screenshots"
mkdir -p "$shot_dir"
probe=$(mktemp -d)
chmod 0777 "$probe"
# A plugin the player plants through QT_PLUGIN_PATH: it tries to take the games group.
cmake -S ci/probe -B "$scratch/probe" -G Ninja >/dev/null
cmake --build "$scratch/probe" >/dev/null
chmod -R a+rX "$scratch"
# Each box is waited for by its state: the greeting is a new window titled like the name box,
# so it is told apart by its id. Every wait has a deadline (timeout).
runuser -u quorvella-anna -- env -i HOME=/home/quorvella-anna PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
  QT_PLUGIN_PATH="$scratch/probe/plugins" QUORVELLA_PROBE_DIR="$probe" \
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
    set -u
    '"$game"' >/dev/null 2>&1 &
    pid=$!
    box=$(timeout 60 xdotool search --sync --all --onlyvisible --pid $pid --name "^Quorvella$" | head -1)
    grep "^Gid:" /proc/$pid/status > "$0/gid-name-box"
    xdotool windowfocus --sync "$box" type --delay 20 "Anna"
    xdotool key --delay 50 Return
    greeting=
    for _ in $(seq 600); do
      greeting=$(xdotool search --all --onlyvisible --pid $pid --name "^Quorvella$" | grep -vx "$box" | head -1)
      [ -n "$greeting" ] && break
      sleep 0.05
    done
    [ -n "$greeting" ] || exit 1
    xdotool windowfocus --sync "$greeting" key Return
    timeout 60 xdotool search --sync --all --onlyvisible --pid $pid --name "tavola pitagorica" >/dev/null
    grep "^Gid:" /proc/$pid/status > "$0/gid-window"
    # A moment for the first paint: the picture is an artefact to look at, compared with nothing.
    sleep 1
    import -window root "$0/quorvella.png"
    kill $pid
  ' "$probe" || fail "the installed game did not show its boxes and window under Xvfb"
player_gid=$(id -g quorvella-anna)
games_gid=$(getent group games | cut -d: -f3)
for when in name-box window; do
  read -r _ real eff saved fs <"$probe/gid-$when"
  [ "$real $eff $saved $fs" = "$player_gid $player_gid $player_gid $player_gid" ] ||
    fail "groups with the $when up: real $real effective $eff saved $saved fs $fs (games: $games_gid)"
  echo "ok  with the $when up: real, effective, saved and file-system group all $eff (the player's)"
done
[ -e "$probe/loaded" ] || fail "the planted plugin was never loaded: the check proves nothing"
[ -e "$probe/regained" ] && fail "a plugin in the game took the games group"
[ -e "$probe/planted" ] || [ -e "$records/planted" ] && fail "a plugin in the game wrote the record directory"
echo "ok  a plugin loaded through QT_PLUGIN_PATH could neither take games nor write the record"
cp "$probe/quorvella.png" "$shot_dir/quorvella.png"
rm -rf "$probe"
echo "screenshot: $shot_dir/quorvella.png"

echo "== Package: purge"
apt-get purge -y -q quorvella >/dev/null
[ ! -e "$game" ] || fail "$game left after purge"
[ ! -e "$records" ] || fail "$records left after purge"
[ ! -e /usr/share/applications/org.quorvella.Quorvella.desktop ] || fail "menu entry left"
echo "ok  package removed"
