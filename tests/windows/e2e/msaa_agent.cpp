// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// A screen reader's ears for the end-to-end tests: run beside the program, it hears the window
// events of every program out of context and reads each event's object through Microsoft Active
// Accessibility from its own process, as a Windows screen reader does. It appends one line per
// event to the file its argument names, in UTF-8 (line ends in texts written as \r and \n):
//
//   focus|role|name|description        EVENT_OBJECT_FOCUS
//   box|title|text / text ...|how      also on a focus inside a dialog: its name (how: "named"),
//                                      or its shown title where it has none ("shown"), and its
//                                      static texts' names
//   name|..., description|...          EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_DESCRIPTIONCHANGE
//   live|role|name|description         EVENT_OBJECT_LIVEREGIONCHANGED
//   dialog|role|name|description       EVENT_SYSTEM_DIALOGSTART
//   at|<control>                       before a focus line: the control of the game's window that
//                                      took it (the window's "Name" property)
//   buttons|<button>,...               after a box line: its buttons by their role (OK, Annulla,
//                                      Sì, No; the system draws them in its own language)
//
// It writes "ready" once it listens, then runs until it is stopped. Given a second file, it
// also carries out the lines appended to it, each once, in order, between the events it hears:
//   step <name>      writes "step|<name>"
//   tick <n>         ticks the game's clock n times through its end-to-end build's driver window
//                    (QUORVELLA_E2E_DRIVER), each tick once the one before has run and its events
//                    have been heard; then writes "ticked|<n>"
//   captions         has the driver write the window's captions to its file; then "captions"
//   whereami         reads the object that has the focus in the game's window, as a reader's
//                    where-am-I does: "whereami|role|name|description"
//
//   msaa_agent.exe <file> [<commands>]
#include <windows.h>
// Windows headers first: oleacc.h needs their types.
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
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

// The control of the game's window that `window` is, by its "Name" property; empty for none.
std::string ControlName(HWND window) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(window, L"Name")));
  wchar_t name[64] = {};
  if (!atom || !GlobalGetAtomNameW(atom, name, 64)) return {};
  return Utf8(name);
}

// The buttons of a box by their role, in the order of their ids: OK before Annulla, Sì before No.
std::string Buttons(HWND box) {
  static const std::map<int, std::wstring> kRoles = {
      {IDOK, L"OK"}, {IDCANCEL, L"Annulla"}, {IDYES, L"S\u00ec"}, {IDNO, L"No"}};
  std::map<int, std::wstring> found;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t kind[16] = {};
    GetClassNameW(child, kind, 16);
    if (_wcsicmp(kind, L"Button") != 0) continue;
    const int id = GetDlgCtrlID(child);
    const auto role = kRoles.find(id);
    std::wstring text;
    if (role != kRoles.end()) {
      text = role->second;
    } else {
      wchar_t shown[64] = {};
      GetWindowTextW(child, shown, 64);
      for (const wchar_t* c = shown; *c; ++c) {
        if (*c != L'&') text += *c;
      }
    }
    found[id] = text;
  }
  std::wstring list;
  for (const auto& [id, text] : found) list += (list.empty() ? L"" : L",") + text;
  return Utf8(list);
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
  // Its name as a reader hears it, where the system gives one (a program may give its box a
  // name of its own); the shown title stands in where it gives none.
  const std::wstring name = NameOf(box, OBJID_WINDOW);
  Write("box|" + Utf8(name.empty() ? title : name) + "|" + Utf8(texts) + "|" +
        (name.empty() ? "shown" : "named"));
  Write("buttons|" + Buttons(box));
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
  if (event == EVENT_OBJECT_FOCUS) {
    if (const std::string control = ControlName(window); !control.empty()) Write("at|" + control);
  }
  Write(std::string(kind) + "|" + Read(object, which));
  object->Release();
  VariantClear(&which);
  if (event == EVENT_OBJECT_FOCUS) ReadBox(window);
}

// The commands of the second file (see the top of this file).
std::string commands;
std::streamoff done = 0;
bool busy = false;

// Lets the events that came meanwhile be heard.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

HWND Driver() {
  return FindWindowExW(HWND_MESSAGE, nullptr, L"QuorvellaE2E", nullptr);
}

void WhereAmI() {
  const HWND game = FindWindowW(L"Tavola", nullptr);
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!game || !GetGUIThreadInfo(GetWindowThreadProcessId(game, nullptr), &thread) ||
      !thread.hwndFocus) {
    Write("whereami|?||");
    return;
  }
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(thread.hwndFocus, static_cast<DWORD>(OBJID_CLIENT),
                                        __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&object)))) {
    Write("whereami|?||");
    return;
  }
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  if (const std::string control = ControlName(thread.hwndFocus); !control.empty()) {
    Write("at|" + control);
  }
  Write("whereami|" + Read(object, self));
  object->Release();
}

void Carry(const std::string& line) {
  if (line.rfind("step ", 0) == 0) {
    Write("step|" + line.substr(5));
  } else if (line.rfind("tick ", 0) == 0) {
    const int n = std::atoi(line.c_str() + 5);
    int ticked = 0;
    for (; ticked < n; ++ticked) {
      const HWND driver = Driver();
      if (!driver) break;
      SendMessageW(driver, WM_APP, 0, 0);
      Pump();
    }
    Write("ticked|" + std::to_string(ticked));
  } else if (line == "captions") {
    if (const HWND driver = Driver()) SendMessageW(driver, WM_APP + 1, 0, 0);
    Write("captions");
  } else if (line == "whereami") {
    WhereAmI();
  }
}

void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
  if (busy) return;
  busy = true;
  std::ifstream in(commands, std::ios::binary);
  in.seekg(done);
  std::string line;
  while (in && std::getline(in, line) && !in.eof()) {
    done = in.tellg();
    Carry(line);
  }
  busy = false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fputs("usage: msaa_agent.exe <file> [<commands>]\n", stderr);
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
  if (argc == 3) {
    commands = argv[2];
    SetTimer(nullptr, 0, 50, Poll);
  }
  Write("ready");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
