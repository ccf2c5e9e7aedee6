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

void FakeControl::SetFocus() {
  if (owner) owner->focus = name;
}

FakeControl& FakeWindow::get(std::string_view name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) throw std::logic_error("no control " + std::string(name));
  return *it->second;
}

void FakeWindow::Unload() {
  controls_.clear();
  focus.clear();
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
    focus = d.tabCycle().front();
    ++loads;
    game_->Form_Load();
  }
  game_->Form_Resize();
  ++activations;
  game_->Form_Activate();
}

void FakeGame::Key(int code) {
  auto k = static_cast<std::int16_t>(code);
  auto& box = window.get("txtAnswer");
  // Enter goes to the enabled default button before the box sees it.
  if (code == 13 && window.get("cmdNext").enabled) {
    game.cmdNext_Click();
    return;
  }
  game.txtAnswer_KeyPress(k);
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
  try {
    for (int i = 0; i < n; ++i) {
      if (window.get("Timer1").enabled) game.Timer1_Timer();
    }
  } catch (const ProgramEnded&) {
    return true;
  }
  return false;
}

}  // namespace quorvella::testing
