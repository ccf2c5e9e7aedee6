// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What screen readers hear beyond what the controls say themselves, by two roads that carry the
// same texts. A control's window answers a reader's request for its object (WM_GETOBJECT, from
// this process or another, as Microsoft Active Accessibility readers ask) with the system's
// standard object of the control wearing a name or a description of the program's; and the same
// texts are set on the window through the system's Dynamic Annotation (IAccPropServices), which
// UI Automation readers take. A static window made a polite live region has its new text spoken
// when a reader is told of the change (EVENT_OBJECT_LIVEREGIONCHANGED) without moving the focus
// and after what it is saying. The COM libraries (ole32, oleacc, oleaut32) are loaded the first
// time a reader or an annotation needs them, not at start-up: the name box comes up without them,
// and a system without them still plays.
#pragma once

#include <memory>
#include <string>

#include "platform/windows_api.h"

struct IAccPropServices;

namespace quorvella::win32 {

// What a reader gets as a control's name and description in place of the standard object's;
// an empty text leaves the standard one.
struct ReaderTexts {
  std::wstring name;
  std::wstring description;
};

// Makes `control` answer readers' requests for its client object with its standard object (role,
// state, place, navigation and default action as the system gives them) wearing `texts`, as they
// are at each request, until the window is destroyed. Once per window.
void ServeReaderTexts(HWND control, std::shared_ptr<const ReaderTexts> texts);

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
  IAccPropServices* services_ = nullptr;
};

}  // namespace quorvella::win32
