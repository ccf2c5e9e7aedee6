// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Quorvella for Windows: the multiplication table against the clock.
#include "app/win32_game.h"

int main() {
  return quorvella::app::RunWin32Game(GetModuleHandleW(nullptr));
}
