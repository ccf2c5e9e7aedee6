// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What screen readers hear beyond what the controls say themselves: a name or a description set
// on a control's window through the system's Dynamic Annotation (IAccPropServices), which is how
// a Win32 program gives a standard control a name or a description of its own, and a static
// window made a polite live region, whose new text a reader speaks when it is told of the change
// (EVENT_OBJECT_LIVEREGIONCHANGED) without moving the focus and after what it is saying. The
// annotation service is a COM object, so ole32 is loaded the first time it is needed, not at
// start-up: the name box comes up without it, and a system without it still plays.
#pragma once

#include <string>

#include "platform/windows_api.h"

struct IAccPropServices;

namespace quorvella::win32 {

class Annotations {
 public:
  Annotations() = default;
  ~Annotations();
  Annotations(const Annotations&) = delete;
  Annotations& operator=(const Annotations&) = delete;

  // The accessible description of `control` (its client object); an empty text clears it.
  void SetDescription(HWND control, const std::wstring& text);
  // The accessible name of `control`, in place of its window text; an empty text clears it.
  void SetName(HWND control, const std::wstring& text);
  // Makes a static window a polite live region.
  void MakeLiveRegion(HWND control);

 private:
  bool Ready();
  void SetText(HWND control, const GUID& property, const std::wstring& text);

  bool tried_ = false;
  HMODULE ole32_ = nullptr;
  IAccPropServices* services_ = nullptr;
};

}  // namespace quorvella::win32
