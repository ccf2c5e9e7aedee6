# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
# What each room's library gets from the build: its warnings, and the one folder of the source
# tree that it shows its users as include path.
#
# Warnings, as targets to link: quorvella_warnings (-Wall -Wextra -Wpedantic) for every target of
# ours, quorvella_warnings_strict (also -Wconversion -Wshadow -Wold-style-cast) for the rooms
# and the two bindings (ui/qt, ui/win32: the toolkit's and the system's headers are system
# headers, whose own casts and macros do not warn). A warning fails the build with
# CMAKE_COMPILE_WARNING_AS_ERROR=ON, as CI builds.
add_library(quorvella_warnings INTERFACE)
add_library(quorvella_warnings_strict INTERFACE)
target_link_libraries(quorvella_warnings_strict INTERFACE quorvella_warnings)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(quorvella_warnings INTERFACE -Wall -Wextra -Wpedantic)
  target_compile_options(quorvella_warnings_strict INTERFACE -Wconversion -Wshadow
                                                             -Wold-style-cast)
endif()

# quorvella_room(<target> [FOLDER <folder>] [STRICT])
#   Links the target with its warnings (STRICT: the strict set), and with FOLDER makes <folder>
#   the only folder of the source tree that the target and its users see, included as
#   "<folder>/file.h": an include of a room the target does not link then fails to compile.
#   The include path is a folder of the build tree holding one link, <folder>, to the source.
function(quorvella_room target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "STRICT" "FOLDER" "")
  if(arg_STRICT)
    target_link_libraries(${target} PRIVATE quorvella_warnings_strict)
  else()
    target_link_libraries(${target} PRIVATE quorvella_warnings)
  endif()
  if(arg_FOLDER)
    string(REPLACE "/" "_" key "${arg_FOLDER}")
    set(root ${PROJECT_BINARY_DIR}/rooms/${key})
    if(NOT IS_SYMLINK ${root}/${arg_FOLDER})
      get_filename_component(parent ${root}/${arg_FOLDER} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${arg_FOLDER} ${root}/${arg_FOLDER} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
