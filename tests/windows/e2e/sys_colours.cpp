// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Sets system colours for every program of the Wine prefix, as a high-contrast theme would:
//
//   sys_colours.exe <index>=<RRGGBB>...
//
// with <index> a COLOR_* number; prints the colours it replaced in the same form, to set them
// back with.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  std::vector<INT> indexes;
  std::vector<COLORREF> colours;
  for (int i = 1; i < argc; ++i) {
    char* rest = nullptr;
    const long index = std::strtol(argv[i], &rest, 10);
    if (*rest != '=') {
      std::fprintf(stderr, "usage: sys_colours.exe <index>=<RRGGBB>...\n");
      return 2;
    }
    const unsigned long rgb = std::strtoul(rest + 1, nullptr, 16);
    indexes.push_back(static_cast<INT>(index));
    colours.push_back(RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff));
    const COLORREF old = GetSysColor(static_cast<int>(index));
    std::printf("%ld=%02X%02X%02X ", index, GetRValue(old), GetGValue(old), GetBValue(old));
  }
  std::printf("\n");
  if (!SetSysColors(static_cast<int>(indexes.size()), indexes.data(), colours.data())) {
    std::fprintf(stderr, "SetSysColors failed: %lu\n", GetLastError());
    return 1;
  }
  return 0;
}
