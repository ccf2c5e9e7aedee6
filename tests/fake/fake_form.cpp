// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "fake/fake_form.h"

#include "window/description.h"

namespace quorvella::testing {

int FakeUi::MsgBox(const std::string& prompt, int style, const std::optional<std::string>& title) {
  calls.push_back({"msg", prompt, style, title, endOfRace_.NextBox(prompt)});
  if ((style & 7) != vbYesNo) return vbOK;
  if (answers.empty()) return vbNo;
  const int a = answers.front();
  answers.pop_front();
  return a;
}

std::string FakeUi::InputBox(const std::string& prompt) {
  calls.push_back({"input", prompt, 0, std::nullopt, std::nullopt});
  if (names.empty()) return "";
  std::string n = names.front();
  names.pop_front();
  return n;
}

void FakeUi::RaceEnded(const RaceResult& result) {
  races.push_back(result);
  endOfRace_.RaceEnded(result);
}

void FakeUi::EndProgram() {
  ++ends;
  throw ProgramEnded{};
}

void FakeControl::SetCaption(const std::string& c) {
  text = c;
  if (owner && name == window::kClock) owner->ClockShows(c);
}

void FakeControl::SetFocus() {
  if (owner) owner->FocusMoved(name);
}

void FakeWindow::FocusMoved(std::string control) {
  focus = std::move(control);
  announcements_.FocusMoved(now);
}

void FakeWindow::ClockShows(const std::string& clock) {
  announcements_.ClockShows(clock);
  Announce();
}

void FakeWindow::Announce() {
  if (auto sentence = announcements_.Take(now)) announced.push_back(std::move(*sentence));
}

std::string FakeWindow::WhereAmI() {
  const window::CaptionOf caption = [this](std::string_view c) { return get(c).text; };
  if (focus != "txtAnswer") return {};
  return announcements_.Reading(now) ? *window::SpokenOnFocus(focus, caption).name
                                     : window::QuestionAndTimeLeft(caption);
}

FakeControl& FakeWindow::get(std::string_view name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) throw std::logic_error("no control " + std::string(name));
  return *it->second;
}

void FakeWindow::Unload() {
  controls_.clear();
  focus.clear();
  announcements_ = {};
}

void FakeWindow::Show() {
  if (!loaded()) {
    const auto& d = window::Tavola();
    caption = d.caption;
    backColor.reset();
    for (const auto& c : d.controls) {
      auto ctl = std::make_unique<FakeControl>();
      ctl->name = c.name;
      ctl->text = c.caption;
      ctl->enabled = c.enabled;
      ctl->owner = this;
      controls_[c.name] = std::move(ctl);
    }
    FocusMoved(d.tabCycle().front());
    ++loads;
    game_->Form_Load();
  }
  game_->Form_Resize();
  ++activations;
  game_->Form_Activate();
}

bool FakeGame::Dispatch(const std::function<void()>& handler) {
  const window::AfterHandler after = dispatch.Run(handler);
  if (after.error) throw *after.error;
  return after.next == window::AfterHandler::Next::kEndProgram;
}

void FakeGame::Key(int code) {
  auto k = static_cast<std::int16_t>(code);
  auto& box = window.get("txtAnswer");
  // Enter goes to the enabled default button before the box sees it.
  if (code == 13 && window.get("cmdNext").enabled) {
    Dispatch([this] { game.cmdNext_Click(); });
    return;
  }
  Dispatch([&] { game.txtAnswer_KeyPress(k); });
  if (k == 8) {
    if (!box.text.empty()) box.text.pop_back();
  } else if (k >= 32 && box.text.size() < 4) {
    box.text.push_back(static_cast<char>(k));
  }
}

void FakeGame::Type(const std::string& keys) {
  for (char c : keys) Key(static_cast<unsigned char>(c));
}

bool FakeGame::Tick(int n) {
  for (int i = 0; i < n; ++i) {
    window.now += 1000;  // a tick a second
    if (Dispatch([this] {
          if (window.get("Timer1").enabled) game.Timer1_Timer();
        })) {
      return true;
    }
  }
  return false;
}

}  // namespace quorvella::testing
