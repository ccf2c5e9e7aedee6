// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What screen readers hear beyond what the controls say themselves: a description set on a
// control's window through the system's Dynamic Annotation (IAccPropServices::SetHwndPropStr),
// which is how a Win32 program gives a standard control a description of its own. The
// annotation service is a COM object, so ole32 is loaded the first time a description is set,
// not at start-up: the name box comes up without it, and a system without it still plays.
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

 private:
  bool Ready();

  bool tried_ = false;
  HMODULE ole32_ = nullptr;
  IAccPropServices* services_ = nullptr;
};

}  // namespace quorvella::win32
