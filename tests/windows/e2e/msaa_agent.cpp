// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// A screen reader's ears for the end-to-end tests: run beside the program, it hears the window
// events of every program out of context and reads each event's object through Microsoft Active
// Accessibility from its own process, as a Windows screen reader does. It appends one line per
// event to the file its argument names, in UTF-8 (line ends in texts written as \r and \n):
//
//   focus|role|name|description        EVENT_OBJECT_FOCUS
//   box|title|text / text ...          also on a focus inside a dialog: its static texts' names
//   name|..., description|...          EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_DESCRIPTIONCHANGE
//   live|role|name|description         EVENT_OBJECT_LIVEREGIONCHANGED
//   dialog|role|name|description       EVENT_SYSTEM_DIALOGSTART
//
// It writes "ready" once it listens, then runs until it is stopped.
//
//   msaa_agent.exe <file>
#include <windows.h>
// Windows headers first: oleacc.h needs their types.
#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

std::FILE* out = nullptr;

std::string Utf8(const std::wstring& text) {
  std::string escaped;
  for (const wchar_t c : text) {
    if (c == L'\r' || c == L'\n') {
      escaped += c == L'\r' ? "\\r" : "\\n";
      continue;
    }
    char bytes[8];
    const int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, bytes, sizeof bytes, nullptr, nullptr);
    escaped.append(bytes, static_cast<std::size_t>(n > 0 ? n : 0));
  }
  return escaped;
}

void Write(const std::string& line) {
  std::fputs((line + "\n").c_str(), out);
  std::fflush(out);
}

std::wstring Taken(BSTR text) {
  std::wstring s = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return s;
}

// role|name|description of a child of an object, as a reader reads them.
std::string Read(IAccessible* object, const VARIANT& child) {
  std::wstring role;
  VARIANT r;
  VariantInit(&r);
  if (SUCCEEDED(object->get_accRole(child, &r)) && r.vt == VT_I4) {
    wchar_t text[128] = {};
    GetRoleTextW(static_cast<DWORD>(r.lVal), text, 128);
    role = text;
  }
  VariantClear(&r);
  BSTR name = nullptr, description = nullptr;
  if (FAILED(object->get_accName(child, &name))) name = nullptr;
  if (FAILED(object->get_accDescription(child, &description))) description = nullptr;
  return Utf8(role) + "|" + Utf8(Taken(name)) + "|" + Utf8(Taken(description));
}

std::wstring NameOf(HWND window, LONG id) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(id), __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&object)))) {
    return {};
  }
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  if (FAILED(object->get_accName(self, &name))) name = nullptr;
  object->Release();
  return Taken(name);
}

// The title of the dialog around `window` and what its static texts say to a reader, if it is in
// one (a window's own object has no name under Wine: the title is its text).
void ReadBox(HWND window) {
  const HWND box = GetAncestor(window, GA_ROOT);
  wchar_t kind[16] = {};
  if (!box || !GetClassNameW(box, kind, 16) || std::wstring(kind) != L"#32770") return;
  std::wstring texts;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t childKind[16] = {};
    GetClassNameW(child, childKind, 16);
    if (_wcsicmp(childKind, L"Static") != 0) continue;
    const std::wstring name = NameOf(child, OBJID_CLIENT);
    if (name.empty()) continue;
    texts += (texts.empty() ? L"" : L" / ") + name;
  }
  std::wstring title(256, L'\0');
  title.resize(static_cast<std::size_t>(GetWindowTextW(box, title.data(), 256)));
  Write("box|" + Utf8(title) + "|" + Utf8(texts));
}

void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND window, LONG id, LONG child, DWORD, DWORD) {
  const char* kind = event == EVENT_OBJECT_FOCUS               ? "focus"
                     : event == EVENT_OBJECT_NAMECHANGE        ? "name"
                     : event == EVENT_OBJECT_DESCRIPTIONCHANGE ? "description"
                     : event == EVENT_OBJECT_LIVEREGIONCHANGED ? "live"
                     : event == EVENT_SYSTEM_DIALOGSTART       ? "dialog"
                                                               : nullptr;
  if (!kind) return;
  IAccessible* object = nullptr;
  VARIANT which;
  VariantInit(&which);
  if (FAILED(AccessibleObjectFromEvent(window, static_cast<DWORD>(id), static_cast<DWORD>(child),
                                       &object, &which)) ||
      !object) {
    Write(std::string(kind) + "|?||");
    return;
  }
  Write(std::string(kind) + "|" + Read(object, which));
  object->Release();
  VariantClear(&which);
  if (event == EVENT_OBJECT_FOCUS) ReadBox(window);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: msaa_agent.exe <file>\n", stderr);
    return 2;
  }
  out = std::fopen(argv[1], "ab");
  if (!out) {
    std::fprintf(stderr, "msaa_agent: cannot write %s\n", argv[1]);
    return 1;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  const HWINEVENTHOOK objects = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_LIVEREGIONCHANGED,
                                                nullptr, Heard, 0, 0, flags);
  const HWINEVENTHOOK dialogs = SetWinEventHook(EVENT_SYSTEM_DIALOGSTART, EVENT_SYSTEM_DIALOGSTART,
                                                nullptr, Heard, 0, 0, flags);
  if (!objects || !dialogs) {
    std::fprintf(stderr, "msaa_agent: SetWinEventHook failed, error %lu\n", GetLastError());
    return 1;
  }
  Write("ready");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
