#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# CI only, as root: builds the Debian package, validates its menu entry and software-centre
# description, installs it with apt, checks that the game holds no privilege, that only root may
# change the record directory and only the record helper may write the record, lets two ordinary
# users each beat the shared record in a scripted race, stops one player's helper while it holds
# the lock and sees the other player's record wait and arrive at his next start, removes the
# record files as an administrator would and plays on, resets the record as root and as a player,
# starts the installed game as one of the players under Xvfb (screenshot and a check of its groups
# while the window is up), reinstalls over links planted at the record's names, then purges the
# package again.
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
  rm -rf "$scratch" "${lint_dir:-}"
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
# The package's file names carry the build's architecture.
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
first="$PWD/$build_dir/first"
second="$PWD/$build_dir/second-build/elsewhere"
build_copy "$first" TZ=UTC
build_copy "$second" TZ=Pacific/Auckland
for f in quorvella_1.0.0_${arch}.deb quorvella-dbgsym_1.0.0_${arch}.deb; do
  cmp -s "$first/$f" "$second/$f" ||
    fail "$f differs between the two builds (diffoscope $first/$f $second/$f tells how)"
done
sha256sum "$first"/*.deb | sed "s|$first/||"
echo "ok  two builds in different folders at different times gave identical packages"
deb="$first/quorvella_1.0.0_${arch}.deb"
echo "built $deb ($(stat -c %s "$deb") bytes)"
dpkg-deb -f "$deb" Depends

echo "== Package: lintian"
# No error, no warning, no hardening tag; what lintian says is shown whole. It runs as nobody,
# as lintian prefers, on a copy of the upload in a folder of its own: the tree may lie where
# nobody cannot go (a clone in /root), and lintian then stops at once, saying nothing about the
# package. The override it lists shows that it did read the game's binary.
lint_dir=$(mktemp -d /tmp/quorvella-lintian.XXXXXX)
cp "$first"/quorvella_1.0.0_${arch}.{changes,buildinfo} "$first"/*.deb "$lint_dir"
chmod -R a+rX "$lint_dir"
lint=$(cd "$lint_dir" && runuser -u nobody -- lintian -I --pedantic --show-overrides \
  --fail-on error,warning quorvella_1.0.0_${arch}.changes 2>&1) ||
  { printf '%s\n' "$lint" >&2; fail "lintian failed"; }
[ -n "$lint" ] && printf '%s\n' "$lint"
grep -E '^(E|W): ' <<<"$lint" && fail "lintian reports errors or warnings"
grep -E 'hardening' <<<"$lint" && fail "lintian reports missing hardening"
grep -q '^O: quorvella: spelling-error-in-binary forse' <<<"$lint" ||
  fail "lintian did not list the package's override: it did not read the package"
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
check_stat "$records" "root:games 755"
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

play() {  # user, name, right answers: what the race printed; its status is the race's
  runuser -u "$1" -- env -i HOME="/home/$1" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$scratch/quorvella-race" "$2" "$3" 5 2>&1
}
race() {  # user, name, right answers: a new record
  local out
  out=$(play "$@") || fail "race of $1 ended with status $?: $out"
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
out=$(play quorvella-anna Anna 1)
grep -q "registrato" <<<"$out" && fail "a lower score was registered"
check_stat "$records/a.txt" "root:games 664"

echo "== Package: a player stops his helper while it holds the lock"
# Any player may stop his own set-group-id helper (SIGSTOP): Anna's helper, writing a record of 6
# (between the 5 there and the 8 Bruno is about to make: its syncs hold the lock long enough),
# is let on a few instructions at a time until it holds the lock, and stopped there. Bruno's race
# that beats the record then finds the lock busy at its end: the error box names the lock and who
# holds it and says his record is kept; once the administrator ends the stopped helper, Bruno's
# next start writes his record.
stop_helper_holding_lock() {  # user; prints the pid of the stopped helper and the tries
  local inode pid state try=0
  inode=$(stat -c %i "$records/.quorvella.lock")
  cp "$records/a.txt" "$scratch/a.txt.before"
  cp "$records/n.txt" "$scratch/n.txt.before"
  while [ "$try" -lt 2000 ]; do
    try=$((try + 1))
    # A try whose write went through is undone, in place.
    cat "$scratch/a.txt.before" >"$records/a.txt"
    cat "$scratch/n.txt.before" >"$records/n.txt"
    setpriv --reuid="$1" --regid="$1" --init-groups "$helper" write 6 Intrusa >/dev/null 2>&1 &
    pid=$!
    kill -STOP "$pid" 2>/dev/null || continue
    for _ in $(seq 3000); do
      if grep -qE "^[0-9]+: FLOCK +ADVISORY +WRITE +$pid [0-9a-f]+:[0-9a-f]+:$inode " /proc/locks; then
        echo "$pid $try"
        return 0
      fi
      # Gone (the shell reaps its children) or about to go: the next try.
      read -r _ _ state _ 2>/dev/null <"/proc/$pid/stat" || break
      [ "$state" = Z ] && break
      kill -CONT "$pid" 2>/dev/null || break
      kill -STOP "$pid" 2>/dev/null || break
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  return 1
}
read -r stopped tries < <(stop_helper_holding_lock quorvella-anna) ||
  fail "no helper could be stopped holding the lock"
echo "ok  quorvella-anna's helper $stopped stopped holding the lock (try $tries)"
started=$(date +%s)
status=0
out=$(play quorvella-bruno Bruno 8) || status=$?
waited=$(($(date +%s) - started))
[ "$status" -ne 0 ] || fail "the race ended with status 0 although the record could not be written"
grep -q "^race: window up" <<<"$out" || fail "the busy lock kept the game from starting: $out"
grep -q "^box: Ciao a presto" <<<"$out" || fail "the race did not reach its end: $out"
for expected in "quorvella.lock" "occupati" "processo $stopped dell'utente quorvella-anna" \
  "il tuo record è conservato"; do
  grep -qF "$expected" <<<"$out" || fail "the error box does not say '$expected': $out"
done
[ "$waited" -lt 60 ] || fail "the race took $waited s"
grep -q "^8" "$records/a.txt" && fail "the record was written although the lock was held"
pending=/home/quorvella-bruno/.local/state/quorvella/pending-record
check_stat "$pending" "quorvella-bruno:quorvella-bruno 600"
echo "ok  busy lock at the end of the race: status $status after $waited s, the holder named, the record kept"
grep -A2 "^box: Errore di run-time" <<<"$out" | sed 's/^/    /'
kill -KILL "$stopped"
out=$(play quorvella-bruno Bruno 0) || fail "the next start ended with status $?: $out"
cmp -s <(printf '8\r\n') "$records/a.txt" || fail "a.txt holds '$(od -An -c "$records/a.txt")'"
cmp -s <(printf 'Bruno\r\n') "$records/n.txt" || fail "n.txt holds '$(od -An -c "$records/n.txt")'"
[ ! -e "$pending" ] || fail "the kept record is still waiting after it was written"
check_stat "$records/a.txt" "root:games 664"
echo "ok  the next start of quorvella-bruno wrote his kept record 8"

echo "== Package: the administrator removes a.txt and n.txt"
rm "$records/a.txt" "$records/n.txt"
out=$(play quorvella-anna Anna 0) || fail "a race without record files ended with status $?: $out"
grep -q "^race: window up" <<<"$out" || fail "the game did not reach its window: $out"
[ -z "$(find "$records" -user quorvella-anna)" ] || fail "a player owns $(find "$records" -user quorvella-anna)"
[ ! -e "$records/a.txt" ] && [ ! -e "$records/n.txt" ] || fail "a player's game made a record file"
echo "ok  without a.txt and n.txt the game plays, and no file in $records is a player's"
status=0
out=$(play quorvella-anna Anna 3) || status=$?
[ "$status" -ne 0 ] || fail "a record was reported as written without a.txt: $out"
grep -qF "$records/a.txt" <<<"$out" || fail "the error box does not name a.txt: $out"
grep -qF "$helper reset" <<<"$out" || fail "the error box does not say how to reset: $out"
echo "ok  a beaten record without a.txt: status $status, the error box names a.txt and the reset"
grep -A2 "^box: Errore di run-time" <<<"$out" | sed 's/^/    /'

echo "== Package: reset"
listing=$(ls -la --time-style=full-iso "$records")
runuser -u quorvella-anna -- "$helper" reset 2>/dev/null && fail "a player could reset the record"
[ "$(ls -la --time-style=full-iso "$records")" = "$listing" ] || fail "a player's reset changed $records"
echo "ok  reset by a player: refused, nothing changed"
"$helper" reset >/dev/null || fail "root's reset failed"
for f in a.txt n.txt; do
  check_stat "$records/$f" "root:games 664"
  [ ! -s "$records/$f" ] || fail "$f is not empty after the reset"
done
check_stat "$records/.quorvella.lock" "root:games 660"
check_stat "$records/.quorvella.journal" "root:games 660"
race quorvella-anna Anna 2

echo "== Package: a start while a stopped helper holds the lock and a record is waiting"
# The start waits for the record one deadline in all (ten seconds), the delivery of a waiting
# record included, and that wait is not the player's time: the race has its whole length from the
# moment the window appears. Root's reset, which cannot take the lock either, names the process
# to end; once that process is ended, as README says, the reset works.
start_while_lock_held() {
  local stopped tries out status stamped window_ms end_ms
  local kept=/home/quorvella-bruno/.local/state/quorvella/pending-record
  read -r stopped tries < <(stop_helper_holding_lock quorvella-anna) ||
    fail "no helper could be stopped holding the lock"
  echo "ok  quorvella-anna's helper $stopped stopped holding the lock (try $tries)"
  # 7 beats both the record of the files (2) and the one of the stopped helper's journal (6), so
  # Bruno's record is kept out by the lock at the end of his race and waits for his next start.
  status=0
  out=$(play quorvella-bruno Bruno 7) || status=$?
  [ "$status" -ne 0 ] && [ -s "$kept" ] || fail "Bruno's record was not kept waiting: $out"
  # That next start, its lines stamped with the milliseconds since it began: 20 ms ticks, so the
  # race's 900 ticks last 18 s; no right answer, so nothing is written at its end.
  local t0
  t0=$(date +%s%N)
  stamped=$({
    runuser -u quorvella-bruno -- env -i HOME=/home/quorvella-bruno PATH=/usr/bin:/bin \
      QT_QPA_PLATFORM=offscreen "$scratch/quorvella-race" Bruno 0 20 2>&1
    echo "race: status $?"
  } | while IFS= read -r line; do echo "$((($(date +%s%N) - t0) / 1000000)) $line"; done)
  window_ms=$(awk '($2 " " $3 " " $4) == "race: window up" {print $1; exit}' <<<"$stamped")
  end_ms=$(awk '($2 " " $3 " " $4) == "box: Ciao a" {print $1; exit}' <<<"$stamped")
  grep -q "^[0-9]* race: status 0$" <<<"$stamped" && [ -n "$window_ms" ] && [ -n "$end_ms" ] ||
    fail "the start with the lock held did not run its race to the end: $stamped"
  [ "$window_ms" -ge 10000 ] && [ "$window_ms" -lt 15000 ] ||
    fail "the window appeared after $window_ms ms, not once after the 10 s deadline"
  [ $((end_ms - window_ms)) -ge 17500 ] ||
    fail "the race lasted $((end_ms - window_ms)) ms from its window, not its 18 s"
  [ -s "$kept" ] || fail "the kept record was dropped although the lock was still held"
  echo "ok  lock held, record waiting: window after $window_ms ms, race of $((end_ms - window_ms)) ms from it (900 ticks of 20 ms)"
  status=0
  out=$("$helper" reset 2>&1) || status=$?
  [ "$status" -ne 0 ] || fail "root's reset went through a lock a stopped process holds"
  grep -qF "processo $stopped dell'utente quorvella-anna" <<<"$out" && grep -qF "kill -KILL" <<<"$out" ||
    fail "root's reset does not say which process to end, and how: $out"
  echo "ok  root's reset with the lock held: status $status, it names the process:"
  sed 's/^/    /' <<<"$out"
  kill -KILL "$stopped"
  "$helper" reset >/dev/null || fail "root's reset failed once the process was ended"
  [ ! -s "$records/a.txt" ] && [ ! -s "$records/n.txt" ] || fail "the reset left a record"
  out=$(play quorvella-bruno Bruno 0) || fail "the next start ended with status $?: $out"
  cmp -s <(printf '7\r\n') "$records/a.txt" || fail "a.txt holds '$(od -An -c "$records/a.txt")'"
  echo "ok  the process ended, root's reset works, and Bruno's next start writes his kept 7"
}
start_while_lock_held

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

echo "== Package: reinstall over links at the record's names"
# Links planted at each of the four names (by a member of games of an older version, whose
# directory was 0775): symbolic links at the lock and the journal, hard links to root's secret
# files at a.txt and n.txt. The reinstall follows none of them, copies no secret into the record
# files (which everyone may read) and makes the directory root's again.
victims="$scratch/victims"
mkdir -p "$victims"
for f in a.txt n.txt .quorvella.lock .quorvella.journal; do
  printf 'not the record\n' >"$victims/$f"
  chmod 0600 "$victims/$f"
  rm -f "$records/$f"
  case $f in
    *.txt) ln "$victims/$f" "$records/$f" ;;
    *) chown nobody:nogroup "$victims/$f" && ln -s "$victims/$f" "$records/$f" ;;
  esac
done
chmod 0775 "$records"
before=$(stat -c '%n %U:%G %a %s' "$victims"/* /etc/shadow /etc/passwd)
apt-get install --reinstall -y -q "$deb" >/dev/null
[ "$(stat -c '%n %U:%G %a %s' "$victims"/* /etc/shadow /etc/passwd)" = "$before" ] ||
  fail "the reinstall changed a file outside $records"
grep -l "not the record" "$records"/* "$records"/.quorvella.* 2>/dev/null &&
  fail "the reinstall copied a linked file's contents into the record"
check_stat "$records" "root:games 755"
for f in a.txt:664 n.txt:664 .quorvella.lock:660 .quorvella.journal:660; do
  [ -f "$records/${f%%:*}" ] && [ ! -L "$records/${f%%:*}" ] || fail "${f%%:*} is not a regular file"
  check_stat "$records/${f%%:*}" "root:games ${f##*:}"
done
echo "ok  nothing outside $records changed owner or mode, no linked file's contents copied"

echo "== Package: reinstall over entries a member of games planted"
# The first release left the directory 0775: the games account plants, as any member of games
# could, directories at the temporary names older scripts used, a FIFO, a 0777 directory that a
# player then fills, links to a file and a directory outside, and its own a.txt holding a record
# (and a name in root's n.txt, which games may write). The reinstall is unpacked and configured
# in two steps, to see the directory root's alone (0755) once the unpack is done.
reinstall_over_planted() {
  local outside="$scratch/outside" before out names
  mkdir -p "$outside/dir"
  printf 'outside\n' >"$outside/file"
  printf 'outside\n' >"$outside/dir/file"
  before=$(stat -c '%n %U:%G %a %s' "$outside" "$outside"/* "$outside/dir/file")
  chmod 0775 "$records"
  setpriv --reuid=games --regid=games --init-groups sh -euc '
    cd "$1"
    mkdir .a.txt.postinst .a.txt.tmpX
    : >.a.txt.postinst/inside
    mkfifo fifo
    mkdir -m 0777 foreign
    ln -s "$2/file" link-to-file
    ln -s "$2/dir" link-to-dir
    rm a.txt
    printf "7\r\n" >a.txt
    printf "Gina\r\n" >n.txt' sh "$records" "$outside" ||
    fail "the games account could not plant its entries"
  runuser -u quorvella-anna -- sh -c "printf 'anna\n' >'$records/foreign/file'" ||
    fail "a player could not write into the 0777 directory"
  echo "planted:"
  ls -la --time-style=+ "$records" | sed 's/^/    /'
  dpkg --unpack "$deb" >/dev/null
  check_stat "$records" "root:games 755"
  [ -d "$records/.a.txt.tmpX" ] || fail "the unpack removed a planted entry: the check proves nothing"
  out=$(dpkg --configure quorvella 2>&1) || { printf '%s\n' "$out" >&2; fail "configure failed"; }
  printf '%s\n' "$out" | sed 's/^/    configure: /'
  [ "$(dpkg-query -W -f='${db:Status-Abbrev}' quorvella)" = "ii " ] || fail "quorvella is not configured"
  names=$(cd "$records" && find . -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ')
  [ "$names" = ".quorvella.journal .quorvella.lock a.txt n.txt " ] ||
    fail "$records holds $names after the reinstall"
  for f in a.txt:664 n.txt:664 .quorvella.lock:660 .quorvella.journal:660; do
    [ -f "$records/${f%%:*}" ] && [ ! -L "$records/${f%%:*}" ] || fail "${f%%:*} is not a regular file"
    check_stat "$records/${f%%:*}" "root:games ${f##*:}"
  done
  [ "$(stat -c '%n %U:%G %a %s' "$outside" "$outside"/* "$outside/dir/file")" = "$before" ] ||
    fail "the reinstall changed what the links led to"
  out=$(runuser -u quorvella-anna -- "$helper" open) || fail "a player's helper cannot read the record: $out"
  [ "$out" = "$(printf 'ok 3 6\n7\r\nGina\r\n')" ] ||
    fail "the helper read '$out', not the games member's record 7 by Gina"
  echo "ok  configure exited 0: only the four files remain, root's, the links' targets untouched,"
  echo "    and a player's helper reads the games member's record 7 by Gina"
  ls -la --time-style=+ "$records" | sed 's/^/    /'
}
reinstall_over_planted

echo "== Package: purge"
# Whatever is in the record directory goes with it; a link in it is removed, never followed.
mkdir -m 0777 "$records/foreign" && : >"$records/foreign/file" && mkfifo "$records/fifo"
ln -s "$scratch/outside/dir" "$records/link-to-dir"
apt-get purge -y -q quorvella >/dev/null
[ ! -e "$game" ] || fail "$game left after purge"
[ ! -e "$records" ] || fail "$records left after purge"
[ -f "$scratch/outside/dir/file" ] || fail "the purge removed a file a link in $records led to"
[ ! -e /usr/share/applications/org.quorvella.Quorvella.desktop ] || fail "menu entry left"
echo "ok  package removed"
