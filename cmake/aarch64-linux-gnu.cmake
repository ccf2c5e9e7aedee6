# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Cross build for 64-bit ARM Debian (arm64) with Debian's cross compilers and the arm64 libraries
# installed beside the machine's own (multiarch: dpkg --add-architecture arm64). Test programs,
# and GoogleTest's discovery of the tests they hold, run under qemu-user, called directly: no
# binfmt_misc registration is needed. The tests that start a program themselves start it through
# the same emulator (tests/CMakeLists.txt passes it on).
#
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(QUORVELLA_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${QUORVELLA_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVELLA_CROSS_TRIPLET}-g++)
set(PKG_CONFIG_EXECUTABLE /usr/bin/${QUORVELLA_CROSS_TRIPLET}-pkg-config)

# The arm64 libraries and their CMake packages are in the multiarch folders of the machine's own
# tree (/usr/lib/aarch64-linux-gnu), which CMake searches for this target by itself; programs
# (moc and Qt's other tools, qemu) are the machine's own.

# The emulator. It finds the arm64 dynamic loader and C library where libc6:arm64 put them (the
# arm64 libraries depend on it), as on an arm64 machine; the cross run-time's copy
# (-L /usr/aarch64-linux-gnu) is not used: with it, a forked child spins for ever under qemu 7.2.
find_program(QUORVELLA_QEMU_AARCH64 qemu-aarch64)
if(QUORVELLA_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVELLA_QEMU_AARCH64})
endif()
