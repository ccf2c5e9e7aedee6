# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers, posix-threads variant (the
# win32 variant lacks std::thread and friends). Everything is linked statically, so the programs
# need no MinGW DLL beside them; tests run through Wine.
#
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQUORVELLA_WITH_QT=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVELLA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVELLA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVELLA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVELLA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVELLA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs, and GoogleTest's discovery of the tests they hold, run under Wine.
find_program(QUORVELLA_WINE NAMES wine wine64)
if(QUORVELLA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVELLA_WINE})
endif()
