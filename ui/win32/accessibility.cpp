// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/accessibility.h"

// The GUIDs of the annotation service are defined here, not taken from a library.
#include <initguid.h>
#include <oleacc.h>

namespace quorvella::win32 {
namespace {

// UI Automation's LiveSetting property, which the annotation service also takes, and its value
// Polite.
DEFINE_GUID(kLiveSetting, 0xc12bcd8e, 0x2a8e, 0x4950, 0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58,
            0xeb);
constexpr LONG kPolite = 1;

using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

// A function of a loaded library as its own type (by way of the generic function type, as the
// compiler wants for such casts).
template <class Fn>
Fn Function(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

Annotations::~Annotations() {
  if (services_) services_->Release();
}

bool Annotations::Ready() {
  if (tried_) return services_ != nullptr;
  tried_ = true;
  ole32_ = LoadLibraryW(L"ole32.dll");
  if (!ole32_) return false;
  const auto init = Function<CoInitializeExFn>(ole32_, "CoInitializeEx");
  const auto create = Function<CoCreateInstanceFn>(ole32_, "CoCreateInstance");
  if (!init || !create) return false;
  // The window's thread is a single-threaded apartment, as for any window's COM objects.
  const HRESULT hr = init(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) return false;
  void* object = nullptr;
  if (FAILED(create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                    &object))) {
    return false;
  }
  services_ = static_cast<IAccPropServices*>(object);
  return true;
}

void Annotations::SetDescription(HWND control, const std::wstring& text) {
  SetText(control, PROPID_ACC_DESCRIPTION, text);
}

void Annotations::SetName(HWND control, const std::wstring& text) {
  SetText(control, PROPID_ACC_NAME, text);
}

void Annotations::SetText(HWND control, const GUID& property, const std::wstring& text) {
  if (!control || !Ready()) return;
  if (text.empty()) {
    MSAAPROPID prop = property;
    services_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &prop, 1);
  } else {
    services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property,
                              text.c_str());
  }
}

void Annotations::MakeLiveRegion(HWND control) {
  if (!control || !Ready()) return;
  VARIANT polite;
  polite.vt = VT_I4;
  polite.lVal = kPolite;
  services_->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSetting,
                         polite);
}

}  // namespace quorvella::win32
