# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# shellcheck shell=bash disable=SC2154  # work, artefact_dir, ... are the caller's
# Sourced by the end-to-end scripts (Linux and Windows): a virtual X server of the test's own,
# and the photographs compared with reference pictures. Plain functions; the caller sets `work`
# (a scratch directory) and, for the photographs, `artefact_dir`, `reference_dir`, `update`,
# `fuzz` and `tolerated`.

# Starts Xvfb on the first free display (Xvfb picks it: no race with other servers started at the
# same moment) with a screen of $1 (WxHxD), its log in $2; waits for it, sets `xvfb` to its pid
# and exports DISPLAY. Returns 1 when it gives no display.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1" -dpi 96 -nolisten tcp -noreset 3>"$work/display" \
    >"$2" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb gave no display: $(cat "$2")" >&2
    return 1
  fi
  DISPLAY=":$(head -n1 "$work/display")"
  export DISPLAY
}

# Stops the server and waits until it is gone: one still shutting down removes the sockets of the
# next server given the same display number, whose clients then cannot connect.
stop_xvfb() {
  if [ -n "${xvfb:-}" ]; then kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null; fi
  true
}

# The number of pixels of $1 and $2 that differ by more than fuzz $3, outside the rectangles
# given as x0,y0,x1,y1 after it. A difference in size counts as every pixel.
masked_difference() {
  local a=$1 b=$2 f=$3
  shift 3
  local draw=()
  for r in "$@"; do draw+=(-draw "rectangle $r"); done
  if [ "$(identify -format %wx%h "$a")" != "$(identify -format %wx%h "$b")" ]; then
    identify -format '%[fx:w*h]' "$a"
    return 0
  fi
  convert "$a" -fill '#ff00ff' "${draw[@]}" "$work/ma.png"
  convert "$b" -fill '#ff00ff' "${draw[@]}" "$work/mb.png"
  # compare prints the count on standard error and exits 1 when the images differ.
  compare -metric AE -fuzz "$f" "$work/ma.png" "$work/mb.png" "$work/diff.png" 2>&1 >/dev/null |
    awk '{ printf "%d\n", $1 }' || true
}

# Writes the client area of window $1 to $2: its bottom $3 x $4 pixels, below the menu bar. Takes
# photographs until two in a row agree outside the masked rectangles $5..., so the window has
# finished painting.
photograph() {
  local wid=$1 out=$2 w=$3 h=$4
  shift 4
  local previous="$work/previous.png" current="$work/current.png"
  rm -f "$previous"
  for _ in $(seq 100); do
    import -silent -window "$wid" "$work/window.png"
    convert "$work/window.png" -gravity SouthWest -crop "${w}x${h}+0+0" +repage "$current"
    if [ -f "$previous" ] && [ "$(masked_difference "$previous" "$current" 0 "$@")" = 0 ]; then
      cp "$current" "$out"
      return 0
    fi
    mv "$current" "$previous"
    sleep 0.2
  done
  echo "screenshot test: the window did not settle" >&2
  return 1
}

failures=0

# Checks photograph $1 (a name, at scale $2) against its reference, or makes it the reference;
# rectangles after it are left out of the comparison.
check() {
  local name=$1
  check_as "$name" "$@"
}

# Checks photograph $1 against the reference named $2, at scale $3 (a photograph that must look
# like another one has no reference of its own).
check_as() {
  local name=$1 reference=$2 scale=$3
  shift 3
  local shot="$artefact_dir/$name.png" ref="$reference_dir/$reference.png"
  if [ "$update" = "--update" ]; then
    if [ "$name" = "$reference" ]; then
      mkdir -p "$reference_dir"
      cp "$shot" "$ref"
      echo "updated $ref"
    fi
    return 0
  fi
  if [ ! -f "$ref" ]; then
    echo "FAIL $name: no reference $ref" >&2
    failures=$((failures + 1))
    return 0
  fi
  local differing allowed=$((tolerated * scale * scale))
  differing=$(masked_difference "$ref" "$shot" "$fuzz" "$@")
  [ -f "$work/diff.png" ] && cp "$work/diff.png" "$artefact_dir/$name-diff.png"
  if [ "$differing" -gt "$allowed" ]; then
    echo "FAIL $name: $differing pixels differ from the reference (at most $allowed allowed)," \
      "see $artefact_dir/$name-diff.png" >&2
    failures=$((failures + 1))
  else
    echo "ok   $name: $differing pixels differ (at most $allowed allowed)"
  fi
}

# (The caller defines fail.) Waits (up to half a minute: a loaded or instrumented build starts slowly) until process $1
# shows a window whose title matches $2 and that is not window $3 -- two boxes in a row may bear
# the same title, and the one just answered may still be on the screen for a moment -- gives it
# the keyboard focus and prints its id.
focus_window() {
  local pid=$1 pattern=$2 previous=${3:-} id
  for _ in $(seq 1 600); do
    for id in $(xdotool search --all --onlyvisible --pid "$pid" --name "$pattern" 2>/dev/null || true); do
      if [ "$id" != "$previous" ]; then
        xdotool windowfocus --sync "$id" 2>/dev/null || true
        echo "$id"
        return 0
      fi
    done
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for '$pattern': $(cat "$work/out.txt" 2>/dev/null)"
    sleep 0.05
  done
  fail "no window titled '$pattern'"
}

# Holds Enter for 2 s (xdotool keydown, keyup: the X server repeats it meanwhile) with every
# core kept busy, in the program $1 (the end-to-end build, QUORVELLA_E2E_DIR set by the caller):
# from the answer box one verdict and no new question, from "Nuovo calcolo" one new question
# and no verdict; a deliberate second press still acts. Counts the handlers the window called
# (QUORVELLA_E2E_TRACE). The caller defines fail.
hold_enter_test() {
  local trace="$work/trace.txt" pid busy=() box mark
  QUORVELLA_E2E_TRACE=1 QUORVELLA_E2E_TICK_MS=3600000 QUORVELLA_E2E_SEED=1 "$1" >"$trace" 2>&1 &
  pid=$!
  box=$(focus_window "$pid" '^Quorvella$')
  xdotool type --delay 20 "Ada"
  xdotool key Return
  focus_window "$pid" '^Quorvella$' "$box" >/dev/null
  xdotool key Return
  focus_window "$pid" '^Giocare con la tavola pitagorica$' >/dev/null
  trace_wait() {  # until line $1 on of the trace holds $2 (a whole line)
    for _ in $(seq 600); do
      tail -n "+$1" "$trace" | grep -qx "$2" && return 0
      sleep 0.05
    done
    fail "the window never called '$2': $(cat "$trace")"
  }
  # How often $2 (a whole line) comes from line $1 on, before the first $3 there.
  trace_count() { tail -n "+$1" "$trace" | sed "/^$3\$/q" | grep -cx "$2" || true; }
  trace_wait 1 Form_Activate
  # Each loop ends by itself after a minute, should the test fail before it stops them.
  for _ in $(seq "$(nproc)"); do
    (SECONDS=0; while [ "$SECONDS" -lt 60 ]; do :; done) &
    busy+=($!)
  done
  # 1. From the answer box, empty: one verdict, then the focus is on "Nuovo calcolo", which a
  #    second press clicks.
  mark=$(($(wc -l <"$trace") + 1))
  xdotool keydown Return
  sleep 2
  xdotool keyup Return
  xdotool key Return
  trace_wait "$mark" cmdNext_Click
  [ "$(trace_count "$mark" 'txtAnswer_KeyPress 13' cmdNext_Click)" = 1 ] ||
    fail "held Enter in the answer box: $(tail -n "+$mark" "$trace" | sort | uniq -c)"
  # 2. From "Nuovo calcolo": one new question, then the answer box, where a second press judges.
  xdotool type --delay 20 "1"
  xdotool key Return
  trace_wait "$mark" 'txtAnswer_KeyPress 13'
  mark=$(($(wc -l <"$trace") + 1))
  xdotool keydown Return
  sleep 2
  xdotool keyup Return
  xdotool key Return
  trace_wait "$mark" 'txtAnswer_KeyPress 13'
  [ "$(trace_count "$mark" cmdNext_Click 'txtAnswer_KeyPress 13')" = 1 ] ||
    fail "held Enter on 'Nuovo calcolo': $(tail -n "+$mark" "$trace" | sort | uniq -c)"
  kill "${busy[@]}" 2>/dev/null
  wait "${busy[@]}" 2>/dev/null || true
  # 3. Resized from outside (as a window manager that ignores its fixed size does), the window
  #    takes its own size again.
  local main size
  main=$(focus_window "$pid" '^Giocare con la tavola pitagorica$')
  size=$(xwininfo -id "$main" | grep -E 'Width|Height' | tr -d ' \n')
  xdotool windowsize "$main" 1000 700
  for _ in $(seq 100); do
    [ "$(xwininfo -id "$main" | grep -E 'Width|Height' | tr -d ' \n')" = "$size" ] && break
    sleep 0.05
  done
  [ "$(xwininfo -id "$main" | grep -E 'Width|Height' | tr -d ' \n')" = "$size" ] ||
    fail "resized from outside, the window stays $(xwininfo -id "$main" | grep -E 'Width|Height')"
  xdotool key alt+x
  wait "$pid" || fail "the program ended with status $?"
}

# Runs "$@" in a D-Bus session of its own with an AT-SPI bus, switched on as a screen reader
# switches it on (the bus's log in $work/bus.log).
atspi_session() {
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
    for property in IsEnabled ScreenReaderEnabled; do
      gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
        --method org.freedesktop.DBus.Properties.Set org.a11y.Status "$property" "<true>" >/dev/null
    done
    shift
    # The program'"'"'s own status, said as it is: under load the session'"'"'s end without it could
    # come out as a failure after a run that passed.
    set +e
    "$@"
    status=$?
    exit "$status"
  ' atspi "$work" "$@" || {
    local status=$?
    echo "FAIL: the AT-SPI session of $* ended with status $status" >&2
    return "$status"
  }
}

# Starts Weston on the X server (its X window 1100 x 800, socket quorvella-test, protocol log in
# $work/weston.log, XDG_RUNTIME_DIR $work/run), sets `weston` to its pid and waits until its
# shell is ready; then gives Weston's X window the X keyboard once and for all (each change of
# the X focus makes Weston take the keyboard from the program's window and give it back, and
# keys in between are lost). The caller defines fail.
start_weston() {
  mkdir -p "$work/run"
  chmod 700 "$work/run"
  export XDG_RUNTIME_DIR="$work/run"
  # The pointer outside Weston's window, so that it enters it when moved there.
  xdotool mousemove 1270 1010
  # No on-screen keyboard (Weston starts one as its input method by default): it would cover
  # the window.
  printf '[input-method]\npath=\n' >"$work/weston.ini"
  weston --config="$work/weston.ini" --backend=x11-backend.so --socket=quorvella-test \
    --width=1100 --height=800 --idle-time=0 --logger-scopes=log,proto --log="$work/weston.log" \
    >"$work/weston.out" 2>&1 &
  weston=$!
  for _ in $(seq 300); do
    grep -q 'weston_desktop_shell@[0-9]*\.configure' "$work/weston.log" 2>/dev/null && break
    kill -0 "$weston" 2>/dev/null || fail "weston ended: $(tail -n 5 "$work/weston.out")"
    sleep 0.1
  done
  grep -q 'weston_desktop_shell@[0-9]*\.configure' "$work/weston.log" || fail "weston did not start"
  local output
  output=$(xwininfo -root -children | awk '/"Weston Compositor/ { print $1; exit }')
  [ -n "$output" ] || fail "no window of weston's on the X server"
  xdotool windowfocus --sync "$output"
}

# Waits until the pixel $2,$3 of window $1's client area (height $4) has the colour $5.
wait_pixel() {
  local colour
  for _ in $(seq 150); do
    import -silent -window "$1" "$work/probe.png"
    colour=$(convert "$work/probe.png" -gravity SouthWest -crop "1x1+$2+$(($4 - $3 - 1))" +repage \
      -format '%[hex:p{0,0}]' info:)
    [ "${colour:0:6}" = "$5" ] && return 0
    sleep 0.2
  done
  echo "screenshot test: the window never turned #$5 (it is #$colour)" >&2
  return 1
}

# In high contrast, with the seed of the screenshot tests: answers the first question (4 x 9)
# right and the next one wrong, photographing window $1 (client area $2 x $3, scale $4) after
# each as contrast-right-<scale> and contrast-wrong-<scale>.
photograph_contrast() {
  xdotool type --delay 40 "36"
  xdotool key Return
  photograph "$1" "$artefact_dir/contrast-right-$4.png" "$2" "$3"
  check "contrast-right-$4" "$4"
  xdotool key Return
  xdotool type --delay 40 "9999"
  xdotool key Return
  photograph "$1" "$artefact_dir/contrast-wrong-$4.png" "$2" "$3"
  check "contrast-wrong-$4" "$4"
}
