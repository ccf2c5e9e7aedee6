# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The Windows installer, built by CPack's NSIS generator (Debian's nsis package gives makensis):
# a 64-bit installer into Program Files with a Start-menu entry and an uninstaller, which also
# prepares the record files in the Windows directory (records.nsh).
#
#   cpack --config <build>/CPackConfig.cmake      (writes quorvella-<version>-setup.exe)
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Quorvella)
set(CPACK_PACKAGE_VENDOR Quorvella)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "La tavola pitagorica contro il tempo")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quorvella)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quorvella)
set(CPACK_PACKAGE_FILE_NAME quorvella-${PROJECT_VERSION}-setup)
set(CPACK_PACKAGE_EXECUTABLES quorvella Quorvella)
set(CPACK_NSIS_PACKAGE_NAME Quorvella)
set(CPACK_NSIS_DISPLAY_NAME Quorvella)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${CMAKE_CURRENT_LIST_DIR}/../../resources/quorvella.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_CURRENT_LIST_DIR}/../../resources/quorvella.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME quorvella.exe)
set(CPACK_NSIS_COMPRESSOR lzma)
# A 64-bit installer for a 64-bit program: it sees the real System32 and Program Files.
set(CPACK_NSIS_DEFINES "Target amd64-unicode\n  !include '${CMAKE_CURRENT_LIST_DIR}/records.nsh'")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro QuorvellaRecordFiles")
include(CPack)
