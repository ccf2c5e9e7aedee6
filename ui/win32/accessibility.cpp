// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/accessibility.h"

// The GUIDs of the annotation service are defined here, not taken from a library.
#include <initguid.h>
#include <oleacc.h>

namespace quorvella::win32 {
namespace {

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
  if (!control || !Ready()) return;
  if (text.empty()) {
    MSAAPROPID prop = PROPID_ACC_DESCRIPTION;
    services_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &prop, 1);
  } else {
    services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                              PROPID_ACC_DESCRIPTION, text.c_str());
  }
}

}  // namespace quorvella::win32
