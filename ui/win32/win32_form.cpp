// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/win32_form.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ui/win32/loaded.h"
#include "ui/win32/painting.h"
#include "ui/win32/rules.h"
#include "window/sentences.h"

namespace quorvella::win32 {
namespace {

using window::ControlKind;

constexpr wchar_t kWindowClass[] = L"Tavola";
constexpr UINT kFirstControlId = 100;
constexpr wchar_t kNameProperty[] = L"Name";
constexpr UINT kFirstMenuId = 1000;
// The timer of an announcement that waits for the reading the focus started (control timers
// are numbered by their controls' addresses).
constexpr UINT_PTR kAnnounceTimer = 1;
// The timer of the clock's name that waits for window::kClockQuietMs to pass.
constexpr UINT_PTR kClockNameTimer = 2;
// The timer of the quiet after a move of the focus: once it is over, the answer box's name also
// tells the time left, whether the clock has ticked since or not.
constexpr UINT_PTR kSettledTimer = 3;

HCURSOR SystemCursor(LPSTR id) {
  return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id));
}

std::wstring TextOf(HWND w) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
  return text;
}

class W32Label : public Label {
 public:
  W32Label(Control& c, std::function<void(const std::string&)> relabel)
      : c_(c), relabel_(std::move(relabel)) {}
  std::string Caption() const override { return c_.caption; }
  void SetCaption(const std::string& caption) override { relabel_(caption); }

 private:
  Control& c_;
  std::function<void(const std::string&)> relabel_;
};

class W32TextBox : public TextBox {
 public:
  explicit W32TextBox(Control& c) : c_(c) {}
  std::string Text() const override { return Narrow(TextOf(c_.hwnd)); }
  void SetText(const std::string& text) override { SetWindowTextW(c_.hwnd, Wide(text).c_str()); }
  void SetFocus() override { ::SetFocus(c_.hwnd); }

 private:
  Control& c_;
};

class W32Button : public CommandButton {
 public:
  W32Button(Control& c, std::function<void(bool)> enable) : c_(c), enable_(std::move(enable)) {}
  void SetEnabled(bool enabled) override { enable_(enabled); }
  void SetFocus() override { ::SetFocus(c_.hwnd); }

 private:
  Control& c_;
  std::function<void(bool)> enable_;
};

class W32Timer : public Timer {
 public:
  W32Timer(Control& c, HWND owner, UINT_PTR id, UINT interval)
      : c_(c), owner_(owner), id_(id), interval_(interval) {}
  void SetEnabled(bool enabled) override {
    if (enabled == c_.timerOn) return;
    c_.timerOn = enabled;
    if (enabled) {
      SetTimer(owner_, id_, interval_, nullptr);
    } else {
      KillTimer(owner_, id_);
    }
  }

 private:
  Control& c_;
  HWND owner_;
  UINT_PTR id_;
  UINT interval_;
};

template <class T>
T& Require(T* facade, std::string_view name, const char* kind) {
  if (!facade)
    throw std::logic_error(std::string("the window has no ") + kind + " " + std::string(name));
  return *facade;
}

}  // namespace

std::wstring ReaderText(const window::ControlDesc& d, const std::string& caption) {
  const std::wstring shown = Wide(caption);
  const auto spoken = window::SpokenName(d.name);
  if (spoken.empty() || Wide(spoken) == WithoutAccessMark(shown)) return shown;
  return Wide(spoken);
}

Win32Form::Win32Form(HINSTANCE instance, const window::WindowDesc& description, EventSink& sink,
                     Ui& ui, ErrorHandler onError, FormOptions options)
    : instance_(instance),
      desc_(description),
      sink_(sink),
      ui_(ui),
      onError_(std::move(onError)),
      options_(options) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = StaticWindowProc;
  wc.hInstance = instance_;
  wc.hCursor = SystemCursor(IDC_ARROW);
  wc.lpszClassName = kWindowClass;
  if (const int id = PictureResource(desc_.icon)) {
    wc.hIcon = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
  }
  RegisterClassExW(&wc);
}

Win32Form::~Win32Form() {
  Unload();
}

Label& Win32Form::label(std::string_view name) {
  if (!loaded_) throw std::logic_error("the window is not loaded");
  EnsureControls();
  Control* c = loaded_->find(name);
  return Require(c ? c->label.get() : nullptr, name, "label");
}

TextBox& Win32Form::textBox(std::string_view name) {
  if (!loaded_) throw std::logic_error("the window is not loaded");
  EnsureControls();
  Control* c = loaded_->find(name);
  return Require(c ? c->textBox.get() : nullptr, name, "text box");
}

CommandButton& Win32Form::commandButton(std::string_view name) {
  if (!loaded_) throw std::logic_error("the window is not loaded");
  EnsureControls();
  Control* c = loaded_->find(name);
  return Require(c ? c->button.get() : nullptr, name, "button");
}

Timer& Win32Form::timer(std::string_view name) {
  if (!loaded_) throw std::logic_error("the window is not loaded");
  Control* c = loaded_->find(name);
  return Require(c ? c->timer.get() : nullptr, name, "timer");
}

HWND Win32Form::hwnd() const {
  return loaded_ ? loaded_->window : nullptr;
}

int Win32Form::Dpi() const {
  return loaded_ ? loaded_->dpi : 96;
}

window::CaptionOf Win32Form::Captions() const {
  return [this](std::string_view name) {
    const Control* c = loaded_ ? loaded_->find(name) : nullptr;
    return c ? c->caption : std::string();
  };
}

std::int64_t Win32Form::Now() const {
  return options_.now ? options_.now() : static_cast<std::int64_t>(GetTickCount64());
}

HWND Win32Form::control(std::string_view name) const {
  if (!loaded_) return nullptr;
  const Control* c = loaded_->find(name);
  return c ? c->hwnd : nullptr;
}

void Win32Form::SetCaption(const std::string& caption) {
  if (loaded_) SetWindowTextW(loaded_->window, Wide(caption).c_str());
}

void Win32Form::SetBackColor(std::uint32_t rgb) {
  if (!loaded_) return;
  loaded_->asked = rgb;
  loaded_->back = ColorOf(loaded_->colours.Window(rgb));
  RedrawWindow(loaded_->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

int Win32Form::WindowState() const {
  if (!loaded_) return vbNormal;
  if (IsIconic(loaded_->window)) return vbMinimized;
  if (IsZoomed(loaded_->window)) return vbMaximized;
  return vbNormal;
}

void Win32Form::Unload() {
  if (!loaded_) return;
  std::unique_ptr<Loaded> old = std::move(loaded_);
  for (auto& c : old->controls) {
    if (c.hwnd) {
      GlobalDeleteAtom(
          static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropW(c.hwnd, kNameProperty))));
    }
    if (c.desc->kind == ControlKind::kTimer) KillTimer(old->window, reinterpret_cast<UINT_PTR>(&c));
    if (c.desc->kind == ControlKind::kTextBox && old->answerOriginal) {
      SetWindowLongPtrW(c.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old->answerOriginal));
      SetWindowLongPtrW(c.hwnd, GWLP_USERDATA, 0);
    }
  }
  // The handler that asked for the unload may be running inside a message of this window: it
  // no longer reaches the form, and the window goes now.
  SetWindowLongPtrW(old->window, GWLP_USERDATA, 0);
  DestroyWindow(old->window);
}

void Win32Form::Show() {
  if (!loaded_) Load();
  if (!loaded_) return;
  EnsureControls();
  const HWND w = loaded_->window;
  const bool wasShown = loaded_->shown;
  ShowWindow(w, SW_SHOWNORMAL);
  UpdateWindow(w);
  SetForegroundWindow(w);
  // The first resize and the activation follow each load and show, not a show of a window
  // that is already on the screen.
  if (wasShown) return;
  loaded_->shown = true;
  CallWindowHandler(window::Event::kResize);
  CallWindowHandler(window::Event::kActivate);
}

void Win32Form::Start() {
  Dispatch([this] { Show(); });
}

int Win32Form::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

UINT Win32Form::TickInterval(const window::ControlDesc& timer) const {
  return static_cast<UINT>(options_.tickInterval > 0 ? options_.tickInterval : timer.interval);
}

void Win32Form::WhileWaiting() {
  dispatch_.Waited();
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
    DispatchMessageW(&message);
  }
}

void Win32Form::Dispatch(const std::function<void()>& handler) {
  const window::AfterHandler after = dispatch_.Run(handler);
  if (!dispatch_.Running()) {
    DisableHeldButtons();
    const HWND w = loaded_ && loaded_->built ? loaded_->window : nullptr;
    if (w && !dispatch_.Ended() && IsWindowVisible(w) && !IsIconic(w) && GetActiveWindow() == w &&
        !loaded_->byHwnd(GetFocus())) {
      // A disabled button lost the focus and the handler gave it to no one.
      MoveFocus(true);
    }
  }
  if (after.next == window::AfterHandler::Next::kRestartTimers) RestartTimers();
  if (after.error) onError_(*after.error);
}

void Win32Form::RestartTimers() {
  if (!loaded_) return;
  // The clock goes on from where it was, a whole interval from now, as if the wait had not been:
  // a tick that came meanwhile is dropped, and SetTimer on a running timer resets it.
  const HWND w = loaded_->window;
  for (Control& c : loaded_->controls) {
    if (!c.timerOn) continue;
    const auto id = reinterpret_cast<UINT_PTR>(&c);
    MSG tick;
    while (PeekMessageW(&tick, w, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      if (tick.wParam != id) DispatchMessageW(&tick);  // another timer's: not this one's to drop
    }
    SetTimer(w, id, TickInterval(*c.desc), nullptr);
  }
}

void Win32Form::EnableButton(Control& c, bool enabled) {
  Loaded& l = *loaded_;
  std::erase(l.disableAfterHandler, c.hwnd);
  if (!enabled && dispatch_.Running() && c.hwnd && GetFocus() == c.hwnd) {
    // Where the handler sends the focus next, it goes from this button; then the button goes
    // disabled, before anything is painted.
    l.disableAfterHandler.push_back(c.hwnd);
    return;
  }
  EnableWindow(c.hwnd, enabled ? TRUE : FALSE);
}

void Win32Form::DisableHeldButtons() {
  if (!loaded_) return;
  for (const HWND button : std::exchange(loaded_->disableAfterHandler, {})) {
    if (IsWindow(button)) EnableWindow(button, FALSE);
  }
}

void Win32Form::CallWindowHandler(window::Event event) {
  handlers_->Call(desc_.name, event);
}

void Win32Form::CallHandler(const std::string& source, window::Event event) {
  if (handlers_->Has(source, event)) Dispatch([&] { handlers_->Call(source, event); });
}

void Win32Form::Load() {
  if (!handlers_) handlers_.emplace(desc_, sink_);
  loaded_ = std::make_unique<Loaded>();
  Loaded& l = *loaded_;
  l.asked = desc_.backColor;
  l.iconPointer = SystemCursor(IDC_ICON);
  if (!l.iconPointer) l.iconPointer = SystemCursor(IDC_ARROW);

  // The menu bar.
  HMENU bar = CreateMenu();
  std::map<std::string, HMENU> popups;
  for (std::size_t i = 0; i < desc_.menu.size(); ++i) {
    const auto& item = desc_.menu[i];
    const std::wstring caption = Wide(item.caption);
    const bool hasChildren = std::any_of(desc_.menu.begin(), desc_.menu.end(),
                                         [&](const auto& m) { return m.parent == item.name; });
    const UINT id = kFirstMenuId + static_cast<UINT>(i);
    l.menuItems.push_back(item.name);
    if (item.parent.empty() && hasChildren) {
      HMENU popup = CreatePopupMenu();
      popups[item.name] = popup;
      AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
    } else {
      AppendMenuW(item.parent.empty() ? bar : popups.at(item.parent), MF_STRING, id,
                  caption.c_str());
    }
  }

  // The window, hidden until the load handler has run; placed by its described position.
  l.window =
      CreateWindowExW(0, kWindowClass, Wide(desc_.caption).c_str(), kWindowStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, 100, 100, nullptr, bar, instance_, nullptr);
  if (!l.window) {
    throw RuntimeError(7, "Memoria esaurita", "",
                       "CreateWindowEx " + std::to_string(GetLastError()));
  }
  SetWindowLongPtrW(l.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  l.monitorDpi = static_cast<int>(GetDpiForWindow(l.window));

  // The controls as the game sees them; their windows come with the rest of the window.
  l.controls.reserve(desc_.controls.size());
  for (std::size_t i = 0; i < desc_.controls.size(); ++i) {
    const auto& d = desc_.controls[i];
    l.controls.emplace_back();
    Control& c = l.controls.back();
    c.desc = &d;
    c.caption = d.caption;
    switch (d.kind) {
      case ControlKind::kTimer: {
        c.timer = std::make_unique<W32Timer>(c, l.window, reinterpret_cast<UINT_PTR>(&c),
                                             TickInterval(d));
        if (d.enabled) c.timer->SetEnabled(true);
        break;
      }
      case ControlKind::kTextBox:
        c.textBox = std::make_unique<W32TextBox>(c);
        break;
      case ControlKind::kCommandButton:
        c.accessKey = AccessKeyOf(Wide(d.caption));
        c.button = std::make_unique<W32Button>(c, [this, &c](bool on) { EnableButton(c, on); });
        break;
      case ControlKind::kLabel:
        c.label = std::make_unique<W32Label>(
            c, [this, i](const std::string& caption) { Relabel(i, caption); });
        break;
      case ControlKind::kImage:
        break;
    }
  }

  Recolour();
  CallWindowHandler(window::Event::kLoad);
}

void Win32Form::EnsureControls() {
  if (!loaded_ || loaded_->built) return;
  Loaded& l = *loaded_;
  l.built = true;
  l.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, l.window,
                              nullptr, instance_, nullptr);

  // The controls in the described order, each below those before it, so the first described
  // is the topmost.
  for (std::size_t i = 0; i < l.controls.size(); ++i) {
    Control& c = l.controls[i];
    const auto& d = *c.desc;
    const auto id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kFirstControlId + i));
    const std::wstring text = Wide(c.caption);
    switch (d.kind) {
      case ControlKind::kTimer:
        continue;
      case ControlKind::kTextBox: {
        // The accessible name of the box is the text of the static window just before it.
        c.nameLabel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0,
                                      0, l.window, nullptr, instance_, nullptr);
        SetWindowPos(c.nameLabel, HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        c.hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | ES_LEFT |
                                     ES_AUTOHSCROLL | ES_NUMBER,
                                 0, 0, 0, 0, l.window, id, instance_, nullptr);
        if (d.maxLength > 0)
          SendMessageW(c.hwnd, EM_SETLIMITTEXT, static_cast<WPARAM>(d.maxLength), 0);
        SetWindowLongPtrW(c.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        l.answerOriginal = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(c.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticAnswerProc)));
        break;
      }
      case ControlKind::kCommandButton:
        c.hwnd = CreateWindowExW(
            0, L"BUTTON", ReaderText(d, c.caption).c_str(),
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW | BS_NOTIFY, 0, 0,
            0, 0, l.window, id, instance_, nullptr);
        break;
      case ControlKind::kLabel:
      case ControlKind::kImage:
        c.hwnd = CreateWindowExW(0, L"STATIC", ReaderText(d, c.caption).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_OWNERDRAW | SS_NOTIFY,
                                 0, 0, 0, 0, l.window, id, instance_, nullptr);
        break;
    }
    SetWindowPos(c.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Each control's window carries its control name (the window itself is of class Tavola), a
    // global atom, which a process beside the program (a screen reader's script, a test) reads.
    SetPropW(c.hwnd, kNameProperty,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomW(Wide(d.name).c_str()))));
    if (!d.enabled) EnableWindow(c.hwnd, FALSE);
    auto load = [this](const std::string& picture) -> HICON {
      const int res = PictureResource(picture);
      return res ? static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(res), IMAGE_ICON, 0, 0,
                                                 LR_DEFAULTSIZE))
                 : nullptr;
    };
    c.picture = load(d.picture);
    c.pressed = load(d.picturePressed);
    c.disabled = load(d.pictureDisabled);
    if (!d.tooltip.empty() && l.tooltip) {
      std::wstring tip = Wide(d.tooltip);
      TOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = l.window;
      ti.uId = reinterpret_cast<UINT_PTR>(c.hwnd);
      ti.lpszText = tip.data();
      SendMessageW(l.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
  }
  // What a reader is told unasked: an empty static in the top-left corner, which the design
  // leaves free of controls.
  l.announcer = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 1, 1,
                                l.window, nullptr, instance_, nullptr);
  SetWindowPos(l.announcer, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Layout(l.monitorDpi);
  UpdateAccessibleNames();
  // A heading says what the value under or beside it is. MSAA relates no object to another: the
  // value's description is its heading.
  for (const auto& h : window::Headings()) {
    const Control* heading = l.find(h.heading);
    Control* value = l.find(h.value);
    if (!heading || !value || !value->hwnd || value->reader) continue;
    value->reader =
        std::make_shared<ReaderTexts>(ReaderTexts{{}, WithoutAccessMark(Wide(heading->caption))});
    ServeReaderTexts(value->hwnd, value->reader);
    l.annotations.SetDescription(value->hwnd, value->reader->description);
  }

  // The focus starts on the first control of the Tab cycle.
  const auto cycle = desc_.tabCycle();
  if (!cycle.empty()) {
    if (Control* first = l.find(cycle.front())) l.savedFocus = first->hwnd;
  }
}

void Win32Form::UpdateAccessibleNames() {
  Loaded& l = *loaded_;
  if (!l.built) return;
  const window::CaptionOf caption = Captions();
  // Once the answer box has had the focus long enough for its question to be read, its name
  // also tells the time left, for a reader's where-am-I; a change of it is not announced.
  const bool settled = !l.announcements.Reading(Now());
  for (auto& c : l.controls) {
    const auto spoken = window::SpokenOnFocus(c.desc->name, caption);
    if (spoken.name && c.nameLabel) {
      const bool withTime =
          c.desc->kind == ControlKind::kTextBox && settled && GetFocus() == c.hwnd;
      const std::wstring name =
          Wide(withTime ? window::QuestionAndTimeLeft(caption) : *spoken.name);
      if (name != TextOf(c.nameLabel)) SetWindowTextW(c.nameLabel, name.c_str());
    }
    if (spoken.description) {
      const std::wstring description = Wide(*spoken.description);
      if (!c.reader) {
        if (description.empty()) continue;
        c.reader = std::make_shared<ReaderTexts>();
        ServeReaderTexts(c.hwnd, c.reader);
      }
      if (description == c.reader->description) continue;
      c.reader->description = description;
      l.annotations.SetDescription(c.hwnd, description);
      NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, c.hwnd, OBJID_CLIENT, CHILDID_SELF);
    }
  }
}

void Win32Form::AnnounceTime(const std::string& clock) {
  loaded_->announcements.ClockShows(clock);
  AnnounceWhenDue();  // this one, or one that waited for the reading of a question
}

void Win32Form::AnnounceWhenDue() {
  Loaded& l = *loaded_;
  if (!l.built) return;
  const std::int64_t now = Now();
  if (const auto sentence = l.announcements.Take(now)) {
    KillTimer(l.window, kAnnounceTimer);
    if (!l.announcerLive) {
      l.annotations.MakeLiveRegion(l.announcer);
      l.announcerLive = true;
    }
    SetWindowTextW(l.announcer, Wide(*sentence).c_str());
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, l.announcer, OBJID_CLIENT, CHILDID_SELF);
  } else if (const auto due = l.announcements.Due()) {
    SetTimer(l.window, kAnnounceTimer, static_cast<UINT>(std::max<std::int64_t>(*due - now, 1)),
             nullptr);
  }
}

void Win32Form::NameClock(bool now) {
  Loaded& l = *loaded_;
  const Control* clock = l.find(window::kClock);
  if (!clock || !clock->hwnd) return;
  const std::int64_t at = Now();
  if (!now && l.clockNamed && at < *l.clockNamed + window::kClockQuietMs) {
    SetTimer(
        l.window, kClockNameTimer,
        static_cast<UINT>(std::max<std::int64_t>(*l.clockNamed + window::kClockQuietMs - at, 1)),
        nullptr);
    return;
  }
  KillTimer(l.window, kClockNameTimer);
  l.clockNamed = at;
  const std::wstring name = ReaderText(*clock->desc, clock->caption);
  if (name != TextOf(clock->hwnd)) SetWindowTextW(clock->hwnd, name.c_str());
}

void Win32Form::ClickButton(std::size_t index) {
  const std::string name = loaded_->controls[index].desc->name;
  CallHandler(name, window::Event::kClick);
}

LRESULT CALLBACK Win32Form::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form || !form->loaded_ || form->loaded_->window != hwnd) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return form->WindowProc(hwnd, msg, wParam, lParam);
}

bool Win32Form::OnCommand(WPARAM wParam, LPARAM lParam) {
  Loaded& l = *loaded_;
  const UINT id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (lParam != 0 && (code == BN_SETFOCUS || code == EN_SETFOCUS)) {
    // Where the focus goes back when the window is active again: disabling the window for a box
    // takes the focus away before the window hears that it is no longer active.
    l.savedFocus = reinterpret_cast<HWND>(lParam);
    l.announcements.FocusMoved(Now());
    SetTimer(l.window, kSettledTimer, window::kQuietAfterFocusMs, nullptr);
    return true;
  }
  if (code == EN_CHANGE) {
    const Control* c = l.byHwnd(reinterpret_cast<HWND>(lParam));
    if (c && c->desc->kind == ControlKind::kTextBox) KeepDigits(c->hwnd);
    return true;
  }
  // A quick second click of an owner-drawn button comes as a double click: it is a click.
  if (lParam != 0 && (code == BN_CLICKED || code == BN_DOUBLECLICKED) && id >= kFirstControlId &&
      id < kFirstControlId + l.controls.size()) {
    ClickButton(id - kFirstControlId);
    return true;
  }
  if (lParam == 0 && id >= kFirstMenuId && id < kFirstMenuId + l.menuItems.size()) {
    const std::string item = l.menuItems[id - kFirstMenuId];  // the handler may unload
    CallHandler(item, window::Event::kClick);
    return true;
  }
  return false;
}

void Win32Form::OnActivate(HWND hwnd, WPARAM wParam) {
  // The game's activation is the one after each load and show (Show calls it); here the focus
  // only goes back where it was when the window lost it.
  Loaded& l = *loaded_;
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd, focus)) l.savedFocus = focus;
    return;
  }
  // The keys that are down now went down while another window had the keyboard (the box that
  // closed on one of them, say): their repeats do not act here.
  keys_.Regain([](unsigned key) { return GetAsyncKeyState(static_cast<int>(key)) < 0; });
  if (l.savedFocus && IsWindow(l.savedFocus) && IsWindowEnabled(l.savedFocus)) {
    SetFocus(l.savedFocus);
  } else {
    MoveFocus(true);
  }
}

LRESULT Win32Form::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Loaded& l = *loaded_;
  switch (msg) {
    case WM_COMMAND:
      if (OnCommand(wParam, lParam)) return 0;
      break;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlType == ODT_BUTTON) {
        DrawButton(l, item);
      } else if (const Control* c = l.byHwnd(item.hwndItem)) {
        PaintScene(l, item.hDC, c->rect, POINT{0, 0});
      } else if (item.hwndItem == l.announcer) {
        PaintScene(l, item.hDC, item.rcItem, POINT{0, 0});
      }
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(hwnd, &ps);
      PaintScene(l, dc, ps.rcPaint, POINT{ps.rcPaint.left, ps.rcPaint.top});
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_CTLCOLOREDIT:
      if (l.answerBrush) {
        const Control* c = l.byHwnd(reinterpret_cast<HWND>(lParam));
        if (c) {
          const window::ControlColours colours = l.colours.Of(*c->desc);
          const auto dc = reinterpret_cast<HDC>(wParam);
          if (colours.text) SetTextColor(dc, ColorOf(*colours.text));
          if (colours.back) SetBkColor(dc, ColorOf(*colours.back));
          return reinterpret_cast<LRESULT>(l.answerBrush);
        }
      }
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      // A high-contrast theme turned on or off, or the system's colours changed.
      Recolour();
      break;
    case WM_TIMER:
      if (wParam == kAnnounceTimer) {
        AnnounceWhenDue();
        return 0;
      }
      if (wParam == kClockNameTimer) {
        NameClock(true);
        return 0;
      }
      if (wParam == kSettledTimer) {
        // Each move of the focus starts this timer again: it is due when the quiet is over
        // (a timer may come a little early).
        if (l.announcements.Reading(Now())) {
          SetTimer(hwnd, kSettledTimer, 50, nullptr);
        } else {
          KillTimer(hwnd, kSettledTimer);
          UpdateAccessibleNames();
        }
        return 0;
      }
      for (const auto& c : l.controls) {
        if (reinterpret_cast<UINT_PTR>(&c) == wParam) {
          if (c.timerOn) CallHandler(c.desc->name, window::Event::kTick);
          return 0;
        }
      }
      break;
    case WM_SIZE:
      if (l.shown && (wParam == SIZE_MINIMIZED || wParam == SIZE_RESTORED)) {
        Dispatch([this] { CallWindowHandler(window::Event::kResize); });
      }
      return 0;
    case WM_ACTIVATE:
      OnActivate(hwnd, wParam);
      return 0;
    case WM_ENABLE:
      // A box the handler opens disables the window: a button it disabled shows so under the box.
      if (!wParam) DisableHeldButtons();
      if (wParam && raceOver_) EnableWindow(hwnd, FALSE);  // a closing box enabled it
      return 0;
    case WM_SETFOCUS:
      if (l.savedFocus && IsWindow(l.savedFocus) && IsWindowEnabled(l.savedFocus)) {
        SetFocus(l.savedFocus);
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        const Control* c = l.byHwnd(reinterpret_cast<HWND>(wParam));
        if (c && c->desc->pointer == window::Pointer::kIcon) {
          SetCursor(l.iconPointer);
          return TRUE;
        }
      }
      break;
    case WM_DPICHANGED: {
      Layout(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      return 0;
    }
    case WM_CLOSE:
      Dispatch([this] { ui_.End(); });
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace quorvella::win32
