// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Sets system colours for every program of the Wine prefix, as a high-contrast theme would:
//   sys_colours.exe <index>=<RRGGBB>...      (<index> a COLOR_* number)
#include <windows.h>

#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  std::vector<INT> indexes;
  std::vector<COLORREF> colours;
  for (int i = 1; i < argc; ++i) {
    char* rest = nullptr;
    indexes.push_back(static_cast<INT>(std::strtol(argv[i], &rest, 10)));
    const unsigned long rgb = std::strtoul(rest + 1, nullptr, 16);
    colours.push_back(RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff));
  }
  return SetSysColors(static_cast<int>(indexes.size()), indexes.data(), colours.data()) ? 0 : 1;
}
