// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/accessibility.h"

#include <commctrl.h>
// The GUIDs of the annotation service are defined here, not taken from a library.
#include <initguid.h>
#include <oleacc.h>

#include <utility>

namespace quorvella::win32 {
namespace {

// UI Automation's LiveSetting property, which the annotation service also takes, and its value
// Polite.
DEFINE_GUID(kLiveSetting, 0xc12bcd8e, 0x2a8e, 0x4950, 0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58,
            0xeb);
constexpr LONG kPolite = 1;

using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);

// A function of a loaded library as its own type (by way of the generic function type, as the
// compiler wants for such casts).
template <class Fn>
Fn Function(HMODULE library, const char* name) {
  return library ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)))
                 : nullptr;
}

// The COM functions the window's thread uses, loaded with its apartment entered the first time
// they are asked for; each is nullptr where its library or the apartment is missing.
struct Com {
  CoCreateInstanceFn create = nullptr;
  CreateStdAccessibleObjectFn standardObject = nullptr;
  LresultFromObjectFn lresult = nullptr;
  SysAllocStringFn allocString = nullptr;
};

const Com& ComOfThisThread() {
  thread_local const Com com = [] {
    Com c;
    const HMODULE ole32 = LoadLibraryW(L"ole32.dll");
    const auto init = Function<CoInitializeExFn>(ole32, "CoInitializeEx");
    if (!init) return c;
    // The window's thread is a single-threaded apartment, as for any window's COM objects.
    const HRESULT hr = init(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) return c;
    c.create = Function<CoCreateInstanceFn>(ole32, "CoCreateInstance");
    const HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
    c.standardObject = Function<CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject");
    c.lresult = Function<LresultFromObjectFn>(oleacc, "LresultFromObject");
    c.allocString = Function<SysAllocStringFn>(LoadLibraryW(L"oleaut32.dll"), "SysAllocString");
    return c;
  }();
  return com;
}

bool IsSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object of a control with the name and the description of `texts` where they are
// not empty; everything else is the standard object's.
class Reworded final : public IAccessible {
 public:
  Reworded(IAccessible* standard, std::shared_ptr<const ReaderTexts> texts, SysAllocStringFn alloc)
      : standard_(standard), texts_(std::move(texts)), alloc_(alloc) {}
  Reworded(const Reworded&) = delete;
  Reworded& operator=(const Reworded&) = delete;

  // IUnknown. The object is itself as IUnknown, IDispatch and IAccessible; the standard object
  // answers for the window it stands for and its children.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    if (id == __uuidof(IOleWindow) || id == __uuidof(IEnumVARIANT))
      return standard_->QueryInterface(id, out);
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return standard_->GetTypeInfoCount(n);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return standard_->GetTypeInfo(i, l, t);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l,
                                          DISPID* d) override {
    return standard_->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                   EXCEPINFO* e, UINT* a) override {
    return standard_->Invoke(d, r, l, f, p, v, e, a);
  }

  // IAccessible: the name and the description are the program's, the rest the standard's.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (IsSelf(child) && !texts_->name.empty()) return Text(texts_->name, name);
    return standard_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    if (IsSelf(child) && !texts_->description.empty()) {
      return Text(texts_->description, description);
    }
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override {
    return standard_->get_accParent(p);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override {
    return standard_->get_accChildCount(n);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override {
    return standard_->get_accChild(c, p);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override {
    return standard_->get_accValue(c, v);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override {
    return standard_->get_accRole(c, r);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override {
    return standard_->get_accState(c, s);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override {
    return standard_->get_accHelp(c, h);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, LONG* t) override {
    return standard_->get_accHelpTopic(f, c, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
    return standard_->get_accKeyboardShortcut(c, k);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override { return standard_->get_accFocus(c); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override {
    return standard_->get_accSelection(c);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
    return standard_->get_accDefaultAction(c, a);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT c) override {
    return standard_->accSelect(f, c);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
    return standard_->accLocation(x, y, w, h, c);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT s, VARIANT* e) override {
    return standard_->accNavigate(d, s, e);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* c) override {
    return standard_->accHitTest(x, y, c);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override {
    return standard_->accDoDefaultAction(c);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override {
    return standard_->put_accName(c, n);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override {
    return standard_->put_accValue(c, v);
  }

 private:
  ~Reworded() { standard_->Release(); }
  HRESULT Text(const std::wstring& text, BSTR* out) const {
    if (!out) return E_POINTER;
    *out = alloc_(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  IAccessible* standard_;
  std::shared_ptr<const ReaderTexts> texts_;
  SysAllocStringFn alloc_;
  LONG refs_ = 1;
};

LRESULT CALLBACK ServeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                           DWORD_PTR data) {
  auto* texts = reinterpret_cast<std::shared_ptr<const ReaderTexts>*>(data);
  if (msg == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
    const Com& com = ComOfThisThread();
    void* standard = nullptr;
    if (com.standardObject && com.lresult && com.allocString &&
        SUCCEEDED(com.standardObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible), &standard))) {
      auto* object = new Reworded(static_cast<IAccessible*>(standard), *texts, com.allocString);
      const LRESULT result = com.lresult(__uuidof(IAccessible), wParam, object);
      object->Release();  // the result holds its own reference
      if (result > 0) return result;
    }
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ServeProc, id);
    delete texts;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void ServeReaderTexts(HWND control, std::shared_ptr<const ReaderTexts> texts) {
  if (!control || !texts) return;
  auto* data = new std::shared_ptr<const ReaderTexts>(std::move(texts));
  if (!SetWindowSubclass(control, ServeProc, 0, reinterpret_cast<DWORD_PTR>(data))) delete data;
}

Annotations::~Annotations() {
  if (services_) services_->Release();
}

bool Annotations::Ready() {
  if (tried_) return services_ != nullptr;
  tried_ = true;
  const Com& com = ComOfThisThread();
  void* object = nullptr;
  if (!com.create || FAILED(com.create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IAccPropServices, &object))) {
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
