#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# CI only, as root: the arm64 build on this (amd64) machine. Cross-builds the Debian package
# from the source package with Debian's cross compilers and the arm64 build dependencies
# installed beside the machine's own (multiarch), checks that both programs are aarch64 and that
# lintian finds nothing, then builds the tests with cmake/aarch64-linux-gnu.cmake and runs the
# unit tests under qemu-user, called directly (no binfmt_misc registration is needed).
#
# The tests run for arm64: every test that needs no display server: the plain C++ rooms' suites,
# the record helper, the stress programs and the Qt tests (offscreen). Not run: the tests that
# drive the program on an X or Wayland server or through a screen reader (e2e_*, a11y_*,
# conformance_qt_*, screenshot_test) and the include rules (a check of the sources, the same on
# every machine): the main build runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive
export QT_QPA_PLATFORM=offscreen

[ "$(id -u)" -eq 0 ] || { echo "ci/arm64.sh: run as root" >&2; exit 1; }

build_dir=${ARM64_BUILD_DIR:-build-arm64}
not_for_arm64='^(e2e_|a11y_|conformance_qt_|screenshot_test$|include_rules)'
started=$(date +%s)

fail() {
  echo "ci/arm64.sh: FAIL: $*" >&2
  exit 1
}
elapsed() { echo "$(( $(date +%s) - started )) s"; }

echo "== arm64: packages"
# The arm64 libraries come from the arm64 half of the archive, which apt reads only once the
# architecture is added; the build dependencies are those of debian/control, for arm64.
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  dpkg --add-architecture arm64
  apt-get update -q >/dev/null
fi
bash ci/packages.sh install arm64
apt-get build-dep -y -q -a arm64 ./ >/dev/null
echo "packages ready ($(elapsed))"

echo "== arm64: Debian package, cross-built from the source package"
# On a copy of the tree (tracked and new files, as they stand), as ci/package.sh builds.
pkg_dir="$PWD/$build_dir/package"
rm -rf "$pkg_dir"
mkdir -p "$pkg_dir/quorvella"
git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -x -C "$pkg_dir/quorvella"
# CC names the cross compiler for dpkg's check of the host type; the "cross" and "nocheck"
# profiles say that no test runs during the build (the tests run below, under qemu).
(cd "$pkg_dir/quorvella" &&
  CC=aarch64-linux-gnu-gcc CXX=aarch64-linux-gnu-g++ DEB_BUILD_OPTIONS=nocheck \
    dpkg-buildpackage -a arm64 -Pcross,nocheck -B -us -uc -j"$(nproc)" >../build.log 2>&1) ||
  { tail -30 "$pkg_dir/build.log" >&2; fail "dpkg-buildpackage -a arm64 failed (log: $pkg_dir/build.log)"; }
grep -E '(^|: )warning:' "$pkg_dir/build.log" && fail "the arm64 package build warns (log: $pkg_dir/build.log)"
deb="$pkg_dir/quorvella_1.0.0_arm64.deb"
[ -f "$deb" ] || fail "no $deb"
[ "$(dpkg-deb -f "$deb" Architecture)" = arm64 ] || fail "$deb is not Architecture: arm64"
echo "built $deb ($(stat -c %s "$deb") bytes, $(elapsed))"

echo "== arm64: both programs are aarch64"
unpacked="$pkg_dir/unpacked"
dpkg-deb -x "$deb" "$unpacked"
for program in usr/games/quorvella usr/lib/games/quorvella/quorvella-record; do
  what=$(file -b "$unpacked/$program")
  echo "$program: $what"
  grep -q 'ELF 64-bit LSB .*ARM aarch64' <<<"$what" || fail "$program is not an aarch64 program"
done

echo "== arm64: lintian"
# As in ci/package.sh: as nobody, on a copy of the upload in a folder of its own; no error, no
# warning.
lint_dir=$(mktemp -d /tmp/quorvella-lintian-arm64.XXXXXX)
trap 'rm -rf "$lint_dir"' EXIT
cp "$pkg_dir"/quorvella_1.0.0_arm64.{changes,buildinfo} "$pkg_dir"/*.deb "$lint_dir"
chmod -R a+rX "$lint_dir"
lint=$(cd "$lint_dir" && runuser -u nobody -- lintian -I --pedantic --show-overrides \
  --fail-on error,warning quorvella_1.0.0_arm64.changes 2>&1) ||
  { printf '%s\n' "$lint" >&2; fail "lintian failed"; }
[ -n "$lint" ] && printf '%s\n' "$lint"
grep -E '^(E|W): ' <<<"$lint" && fail "lintian reports errors or warnings"
grep -q '^O: quorvella: spelling-error-in-binary forse' <<<"$lint" ||
  fail "lintian did not list the package's override: it did not read the package"
echo "ok  lintian: no error, no warning ($(elapsed))"

echo "== arm64: unit tests under qemu-user"
tests_dir="$build_dir/tests"
cmake -S . -B "$tests_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$build_dir/tests-configure.log" ||
  { cat "$build_dir/tests-configure.log" >&2; fail "configuring the arm64 tests failed"; }
cmake --build "$tests_dir" >"$build_dir/tests-build.log" ||
  { tail -40 "$build_dir/tests-build.log" >&2; fail "building the arm64 tests failed"; }
file -b "$tests_dir/tests/platform_tests" | grep -q 'ARM aarch64' ||
  fail "the test programs are not aarch64"
echo "built ($(elapsed))"
ctest --test-dir "$tests_dir" -E "$not_for_arm64" --no-tests=error --output-on-failure \
  -j "$(nproc)" | tee "$build_dir/ctest.log" || fail "unit tests failed under qemu-user"
summary=$(grep -E '^[0-9]+% tests passed' "$build_dir/ctest.log")
echo "ok  arm64 under qemu-user: $summary ($(elapsed) in all)"
