#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quorvella, builds it, and plays or tests it.
#   ./build.sh play   install what is missing, build, prepare the record directory, start the game
#   ./build.sh test   install what is missing, build, run the whole test suite
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-play}
build_dir=${BUILD_DIR:-build}
record_dir=/var/games/quorvella

# Debian packages needed to build, run and test the game.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n libgtest-dev
  fonts-liberation fonts-liberation2 fonts-dejavu-core
  xvfb xauth x11-xkb-utils xdotool imagemagick x11-utils
  openbox wmctrl
  dbus at-spi2-core libglib2.0-bin python3-gi gir1.2-atspi-2.0
  weston qt6-wayland
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "build.sh: run as root or install sudo" >&2; exit 1; }
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== Installing: ${missing[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir"

case "$mode" in
  play)
    # A build from the source tree is not set-group-id: the record directory must let this
    # player create and replace the record files. It is given to the player's own group,
    # writable by the group and by nobody else, without the sticky bit (which would stop one
    # player from replacing a record another player wrote).
    if [ ! -d "$record_dir" ] || [ ! -w "$record_dir" ]; then
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
