# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# The Windows installer, built by CPack's NSIS generator (Debian's nsis package gives makensis)
# from the script of our own beside this file, NSIS.template.in, which says what it installs,
# where, and what it writes in the registry; records.nsh prepares the record files in the
# Windows directory. The tests build it themselves (tests/windows/e2e).
#
#   cpack --config <build>/CPackConfig.cmake      (writes quorvella-<version>-setup.exe)
set(CPACK_GENERATOR NSIS)
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_PACKAGE_NAME Quorvella)
set(CPACK_PACKAGE_VENDOR "The Quorvella authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "La tavola pitagorica contro il tempo")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quorvella)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quorvella)
set(CPACK_PACKAGE_FILE_NAME quorvella-${PROJECT_VERSION}-setup)
set(CPACK_NSIS_PACKAGE_NAME Quorvella)
set(CPACK_NSIS_DISPLAY_NAME Quorvella)
# A 64-bit installer for a 64-bit program: it sees the real System32, Program Files and registry.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/quorvella.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/quorvella.ico)
set(CPACK_NSIS_COMPRESSOR lzma)
set(CPACK_QUORVELLA_COPYRIGHT "${QUORVELLA_COPYRIGHT}")

# The licence, shown by the installer and installed beside the program. NSIS shows a text file
# only with Windows line ends.
configure_file(${PROJECT_SOURCE_DIR}/COPYING ${PROJECT_BINARY_DIR}/COPYING.txt @ONLY
  NEWLINE_STYLE CRLF)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_BINARY_DIR}/COPYING.txt)
install(FILES ${PROJECT_BINARY_DIR}/COPYING.txt DESTINATION .)
include(CPack)
