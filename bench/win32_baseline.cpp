// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The bare Windows program the start-up of quorvella.exe is measured against: one dialog, the
// system's message box, titled as the name box is. Built with the same compiler and flags.
#include "platform/windows_api.h"

int main() {
  MessageBoxW(nullptr, L"Come ti chiami?", L"Quorvella", MB_OK);
  return 0;
}
