// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Painting with GDI: the scene of labels and the picture on the window's background, and the
// picture buttons. Labels and the picture are owner-drawn static windows that each paint their
// part of the same scene, so transparent labels show the background and whatever lies under
// them, whatever their stacking.
#pragma once

#include "platform/windows_api.h"
#include "ui/win32/win32_form.h"

namespace quorvella::win32 {

// Whether the system's high-contrast setting says it is on.
bool HighContrastOn(const HIGHCONTRASTW& setting);
// The system's colours (GetSysColor).
window::SystemPalette SystemColours();

// Paints the scene's `area` (client coordinates) into `target` at `at`: the window's background
// colour, then every label and picture from the bottom up, drawn off the screen first.
void PaintScene(const Win32Form::Loaded& l, HDC target, const RECT& area, POINT at);

// Paints an owner-drawn picture button: its face colour inside a raised edge (sunken while
// pressed), the picture of its state centred in the upper part, the caption below it.
void DrawButton(const Win32Form::Loaded& l, const DRAWITEMSTRUCT& item);

}  // namespace quorvella::win32
