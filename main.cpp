// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Quorvella: the multiplication table against the clock.
#include "app/qt_game.h"

int main(int argc, char** argv) {
  return quorvella::app::RunGame(argc, argv);
}
