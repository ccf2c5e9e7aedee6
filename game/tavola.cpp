// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "game/tavola.h"

#include <cmath>
#include <stdexcept>

#include "platform/text.h"

namespace quorvella {
namespace {

constexpr int kRaceSeconds = 900;

// Every handler the window may call, once, by the name its handler table uses.
struct HandlerEntry {
  std::string_view name;
  void (Tavola::*plain)();
  void (Tavola::*keyPress)(std::int16_t&);
};
constexpr HandlerEntry kHandlers[] = {
    {"Form_Load", &Tavola::Form_Load, nullptr},
    {"Form_Activate", &Tavola::Form_Activate, nullptr},
    {"Form_Resize", &Tavola::Form_Resize, nullptr},
    {"cmdNext_Click", &Tavola::cmdNext_Click, nullptr},
    {"txtAnswer_KeyPress", nullptr, &Tavola::txtAnswer_KeyPress},
    {"Timer1_Timer", &Tavola::Timer1_Timer, nullptr},
    {"cmdExit_Click", &Tavola::cmdExit_Click, nullptr},
    {"Next_Click", &Tavola::Next_Click, nullptr},
};

// The name as the game keeps it: no control characters (n.txt is one line, and a name is shown
// on the screen and in a terminal), at most kMaxNameLength characters.
std::string PlayerName(const std::string& typed) {
  std::string name = WithoutControlCharacters(typed);
  std::size_t characters = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool lead = (static_cast<unsigned char>(name[i]) & 0xC0) != 0x80;
    if (lead && ++characters > kMaxNameLength) return name.substr(0, i);
  }
  return name;
}

const HandlerEntry* FindHandler(std::string_view name) {
  for (const auto& h : kHandlers) {
    if (h.name == name) return &h;
  }
  return nullptr;
}

}  // namespace

bool Tavola::Handles(std::string_view handler) const {
  return FindHandler(handler) != nullptr;
}

void Tavola::Call(std::string_view handler, std::int16_t* keyAscii) {
  const HandlerEntry* h = FindHandler(handler);
  if (!h) throw std::logic_error("Tavola has no handler " + std::string(handler));
  if (h->keyPress) {
    std::int16_t none = 0;
    (this->*h->keyPress)(keyAscii ? *keyAscii : none);
  } else {
    (this->*h->plain)();
  }
}

std::string Tavola::ClockText() const {
  return Format(st_.ClockHours, "00") + ":" + Format(st_.ClockMinutes, "00") + ":" +
         Format(st_.ClockSeconds, "00");
}

void Tavola::StartClock() {
  Timer1().SetEnabled(true);
  st_.ClockHours = 0;
  st_.ClockMinutes = 15;
  st_.ClockSeconds = 0;
  st_.SecondsLeft = kRaceSeconds;
  lbl("lblconto").SetCaption(ClockText());
}

void Tavola::Form_Load() {
  st_.RightCount = 0;
  st_.WrongCount = 0;
  Timer1().SetEnabled(false);

  const std::string name = PlayerName(s_.ui.InputBox("Come ti chiami?"));
  s_.ui.MsgBox(" " + name + " vediamo se sei un vero campione  ", vbOKOnly);
  lbl("lblnome1").SetCaption(name);

  StartClock();
  // Designed repeat, keep it: the counters are reset both before the name box and here.
  st_.RightCount = 0;
  st_.WrongCount = 0;

  st_.WinDir = s_.store.Directory();
  // Designed, keep it: a file number is taken here and at the end of the race although the
  // record store opens and closes the files itself; GameState keeps it as the window always did.
  st_.FileNum = static_cast<std::int16_t>(s_.files.FreeFile());
  // Both files are created when missing and read whole under the store's lock, so a start
  // while another game writes sees one record, old or new.
  const records::Record stored = s_.store.Open();
  lbl("lblpunti").SetCaption(stored.score);
  lbl("lblnome").SetCaption(stored.name);

  st_.SecondsLeft = CInt(st_.ClockSeconds + kRaceSeconds);
  lbl("lblconto").SetCaption(ClockText());
}

void Tavola::Form_Activate() {
  cmdNext_Click();
}

void Tavola::cmdNext_Click() {
  txtAnswer().SetText("");
  lbl("lblMessage").SetCaption("");
  s_.random.Randomize();
  int a = 0;
  do {
    a = static_cast<int>(std::floor(s_.random.Rnd() * 10));
  } while (a == 0);
  const int b = static_cast<int>(std::floor(s_.random.Rnd() * 10));
  lbl("lblNum1").SetCaption(Format(a, "#0"));
  lbl("lblNum2").SetCaption(Format(b, "#0"));
  st_.Product = static_cast<std::int16_t>(a * b);
  cmdNext().SetEnabled(false);
  window_->SetBackColor(RGB(20 * a, 20 * b, 50 * a));
  txtAnswer().SetFocus();
}

void Tavola::txtAnswer_KeyPress(std::int16_t& KeyAscii) {
  if ((KeyAscii >= '0' && KeyAscii <= '9') || KeyAscii == 8) return;
  if (KeyAscii == 13) {
    Judge();
    return;
  }
  KeyAscii = 0;
}

void Tavola::Judge() {
  // The answer is compared after rounding, without forcing it into 16 bits first: the box only
  // ever holds up to four digits, and a text that does not would count as wrong instead of
  // stopping the program.
  const double n = RoundHalfEven(Val(txtAnswer().Text()));
  if (n == st_.Product) {
    st_.RightCount = CInt(st_.RightCount + 1.0);
    lbl("lblMessage").SetCaption("Esatto, \xc3\xa8 incredibile!!!");
  } else {
    st_.WrongCount = CInt(st_.WrongCount + 1.0);
    lbl("lblMessage").SetCaption("Sbagliato!! " + Format(st_.Product, "####0"));
    window_->SetBackColor(RGB(0, 0, 0));
    lbl("lblScore1").SetCaption(Format(st_.WrongCount, "###0"));
    // Designed repeat, keep it: cmdNext is enabled and focused here and twice more below.
    cmdNext().SetEnabled(true);
    cmdNext().SetFocus();
  }
  lbl("lblScore").SetCaption(Format(st_.RightCount, "####0"));
  cmdNext().SetEnabled(true);
  cmdNext().SetFocus();
  lbl("lblScore2").SetCaption(Format(st_.RightCount + st_.WrongCount, "####0"));
  cmdNext().SetEnabled(true);
  cmdNext().SetFocus();
}

void Tavola::Timer1_Timer() {
  if (lbl("lblconto").Caption() == "00:00:00") {
    // Stopped first, so that no further tick enters the end of race while its boxes are open.
    Timer1().SetEnabled(false);
    EndGame();
  }
  if (st_.ClockSeconds == 0) {
    if (st_.ClockMinutes > 0) {
      st_.ClockMinutes = static_cast<std::int16_t>(st_.ClockMinutes - 1);
      st_.ClockSeconds = 60;
    } else if (st_.ClockMinutes == 0 && st_.ClockHours > 0) {
      st_.ClockHours = static_cast<std::int16_t>(st_.ClockHours - 1);
      st_.ClockMinutes = 59;
      st_.ClockSeconds = 60;
    }
  }
  st_.ClockSeconds -= 1;
  st_.SecondsLeft = CInt(st_.SecondsLeft - 1.0);
  lbl("lblconto").SetCaption(ClockText());
}

void Tavola::EndGame() {
  const std::string record = lbl("lblpunti").Caption();
  const std::string scoreText = lbl("lblScore").Caption();
  const bool beaten = records::Beats(record, scoreText);
  const std::string date = s_.clock.ShortDate();
  s_.ui.RaceEnded(
      {scoreText, lbl("lblScore1").Caption(), lbl("lblScore2").Caption(), record, beaten, date});
  s_.ui.MsgBox("Ciao a presto. Ore " + s_.clock.TimeOfDay(), vbOKOnly, "Data " + date);
  if (!beaten) s_.ui.End();

  st_.FileNum = static_cast<std::int16_t>(s_.files.FreeFile());
  const bool written = s_.store.WriteIfHigher(scoreText, lbl("lblnome1").Caption());
  if (written) s_.ui.MsgBox("Ok ho registrato il tuo record, C A M P I O N E\"", vbOKOnly);
  s_.ui.End();
}

void Tavola::cmdExit_Click() {
  s_.ui.End();
}

void Tavola::Next_Click() {
  const int answer =
      s_.ui.MsgBox("INIZIAMO UNA NUOVA GARA  ?", vbYesNo + vbQuestion + vbDefaultButton2,
                   std::string("INIZIARE NUOVA GARA"));
  if (answer == vbNo) return;
  window_->Unload();
  window_->Show();
}

void Tavola::Form_Resize() {
  if (window_->WindowState() == vbMinimized) {
    ShowMinimizedCaption();
  } else {
    window_->SetCaption(kCaption);
  }
}

void Tavola::ShowMinimizedCaption() {
  window_->SetCaption(kMinimizedCaption);
}

}  // namespace quorvella
