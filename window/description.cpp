// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/description.h"

#include <algorithm>

#include "platform/runtime.h"

namespace quorvella::window {
namespace {

constexpr const char* kArial = "Arial";
constexpr const char* kArialBlack = "Arial Black";
constexpr const char* kSansSerif = "MS Sans Serif";
constexpr const char* kTimes = "Times New Roman";

Font MakeFont(const char* family, double points, int weight, bool italic = false) {
  return Font{family, points, weight, italic};
}

ControlDesc MakeLabel(std::string name, std::string caption, Rect rect, int tab, Alignment align,
                      bool autoSize, Font font) {
  ControlDesc c;
  c.kind = ControlKind::kLabel;
  c.name = std::move(name);
  c.caption = std::move(caption);
  c.rect = rect;
  c.tabIndex = tab;
  c.alignment = align;
  c.autoSize = autoSize;
  c.font = std::move(font);
  return c;
}

// A label that lets the window's colour show through, with a text colour of its own.
ControlDesc Transparent(ControlDesc c, std::optional<std::uint32_t> fore, Border border) {
  c.transparent = true;
  c.foreColor = fore;
  c.border = border;
  return c;
}

ControlDesc Opaque(ControlDesc c, std::uint32_t back, Border border) {
  c.transparent = false;
  c.backColor = back;
  c.border = border;
  return c;
}

WindowDesc Build() {
  using A = Alignment;
  using B = Border;
  const std::uint32_t cyan = RGB(0, 255, 255);
  const std::uint32_t paleCyan = RGB(128, 255, 255);
  const std::uint32_t red = RGB(255, 0, 0);
  const std::uint32_t green = RGB(0, 192, 0);
  const std::uint32_t darkGreen = RGB(0, 128, 0);
  const std::uint32_t blue = RGB(0, 0, 255);
  const std::uint32_t yellow = RGB(255, 255, 0);
  const std::uint32_t magenta = RGB(192, 0, 192);

  WindowDesc w;
  w.name = "Tavola";
  w.caption = "Gioca con la tavola pitagorica";
  w.clientWidth = 11880;
  w.clientHeight = 8310;
  w.left = 2040;
  w.top = 1320;
  w.icon = "quorvella";
  // Before the first question tints it, the window wears the light grey of a classic dialog.
  w.backColor = RGB(192, 192, 192);

  auto& c = w.controls;

  ControlDesc timer;
  timer.kind = ControlKind::kTimer;
  timer.name = "Timer1";
  timer.interval = 1000;
  c.push_back(timer);

  ControlDesc answer;
  answer.kind = ControlKind::kTextBox;
  answer.name = "txtAnswer";
  answer.rect = Rect{8160, 0, 2775, 1200};
  answer.tabIndex = 8;
  answer.maxLength = 4;
  answer.tooltip = "Inserisci il risultato e  premi il tasto  Invio";
  answer.font = MakeFont(kArial, 48, 700);
  answer.backColor = cyan;
  answer.border = B::kEditBox;
  c.push_back(answer);

  ControlDesc next;
  next.kind = ControlKind::kCommandButton;
  next.name = "cmdNext";
  next.caption = "&Nuovo calcolo";
  next.rect = Rect{4200, 5280, 1815, 1095};
  next.tabIndex = 2;
  next.enabled = false;
  next.tooltip = "Go";
  next.pointer = Pointer::kIcon;
  next.font = MakeFont(kSansSerif, 8.25, 700);
  next.backColor = RGB(0, 192, 192);
  next.picture = "face-smile";
  next.picturePressed = "face-laugh";
  next.pictureDisabled = "face-straight";
  next.isDefault = true;
  c.push_back(next);

  ControlDesc exit;
  exit.kind = ControlKind::kCommandButton;
  exit.name = "cmdExit";
  exit.caption = "E&xit";
  exit.rect = Rect{7680, 5280, 2055, 1095};
  exit.tabIndex = 0;
  exit.tooltip = "Ti prego resta ancora, forse riuscirai a farmi uscire ";
  exit.font = MakeFont(kSansSerif, 8.25, 700);
  exit.backColor = RGB(192, 0, 192);
  exit.picture = "noentry";
  c.push_back(exit);

  ControlDesc hidden;
  hidden.kind = ControlKind::kCommandButton;
  hidden.name = "Command1";
  hidden.caption = "Command1";
  hidden.rect = Rect{4680, 5640, 855, 615};
  hidden.tabIndex = 14;
  c.push_back(hidden);

  c.push_back(Transparent(MakeLabel("lblpunti", "0", {7680, 7440, 270, 555}, 23, A::kLeft, true,
                                    MakeFont(kSansSerif, 24, 400)),
                          magenta, B::kNone));
  c.push_back(Transparent(MakeLabel("Label13", "con punti", {6000, 7560, 1455, 435}, 22, A::kLeft,
                                    true, MakeFont(kSansSerif, 18, 400)),
                          magenta, B::kNone));
  c.push_back(Transparent(MakeLabel("lblnome", "nome", {2520, 7560, 990, 435}, 21, A::kLeft, true,
                                    MakeFont(kSansSerif, 18, 700)),
                          blue, B::kNone));
  c.push_back(Transparent(MakeLabel("Label12", "Il record  \xc3\xa8 di ", {120, 7560, 2295, 375},
                                    20, A::kLeft, false, MakeFont(kSansSerif, 18, 400)),
                          magenta, B::kNone));
  c.push_back(Transparent(MakeLabel("lblnome1", "", {120, 6480, 165, 420}, 19, A::kLeft, true,
                                    MakeFont(kSansSerif, 13.5, 700)),
                          darkGreen, B::kFixedSingle));
  c.push_back(Transparent(MakeLabel("Label14", "Sfidante", {0, 5520, 1425, 420}, 18, A::kCenter,
                                    true, MakeFont(kSansSerif, 13.5, 400)),
                          darkGreen, B::kFixedSingle));
  ControlDesc empty = Transparent(MakeLabel("Label5", "", {2040, 2160, 6615, 615}, 17, A::kCenter,
                                            false, MakeFont(kSansSerif, 24, 700, true)),
                                  red, B::kNone);
  empty.pointer = Pointer::kIcon;
  c.push_back(empty);
  c.push_back(Transparent(MakeLabel("lblconto", "00.00.00", {0, 2280, 1575, 495}, 16, A::kLeft,
                                    false, MakeFont(kArialBlack, 12, 700)),
                          yellow, B::kFixedSingle));
  c.push_back(Transparent(MakeLabel("Label11", "Tempo restante", {0, 1800, 1575, 375}, 15, A::kLeft,
                                    false, MakeFont(kSansSerif, 9.75, 400)),
                          yellow, B::kNone));
  c.push_back(Transparent(MakeLabel("Label3", "Risposte totali", {7440, 3360, 2340, 495}, 13,
                                    A::kLeft, true, MakeFont(kSansSerif, 18, 400)),
                          blue, B::kFixedSingle));
  c.push_back(Transparent(MakeLabel("Label1", "Risposte errate", {3840, 3360, 2520, 495}, 12,
                                    A::kLeft, true, MakeFont(kSansSerif, 18, 400)),
                          red, B::kFixedSingle));
  c.push_back(Transparent(MakeLabel("lblScore2", "0", {8310, 4080, 555, 885}, 11, A::kCenter, true,
                                    MakeFont(kTimes, 36, 700)),
                          blue, B::kFixedSingle));
  c.push_back(Transparent(MakeLabel("lblScore1", "0", {4830, 4080, 540, 885}, 3, A::kCenter, true,
                                    MakeFont(kTimes, 36, 700)),
                          red, B::kFixedSingle));

  ControlDesc image;
  image.kind = ControlKind::kImage;
  image.name = "Image1";
  image.rect = Rect{1560, 1680, 480, 480};
  image.tooltip = "Clicca sotto di me per impostare il Timer";
  image.picture = "stopwatch";
  c.push_back(image);

  c.push_back(Opaque(MakeLabel("lblNum2", "", {4155, 0, 345, 1185}, 10, A::kCenter, true,
                               MakeFont(kArial, 48, 700)),
                     cyan, B::kFixedSingle));
  c.push_back(Opaque(MakeLabel("Label4", "=", {5880, 0, 615, 975}, 7, A::kCenter, false,
                               MakeFont(kArial, 48, 700)),
                     paleCyan, B::kNone));
  c.push_back(Opaque(MakeLabel("Label2", "X", {2400, 0, 615, 975}, 6, A::kCenter, false,
                               MakeFont(kArial, 48, 400)),
                     paleCyan, B::kNone));
  c.push_back(Opaque(
      MakeLabel("lblNum1", "", {840, 0, 345, 1185}, 5, A::kCenter, true, MakeFont(kArial, 48, 700)),
      cyan, B::kFixedSingle));
  ControlDesc score = Transparent(MakeLabel("lblScore", "0", {1080, 4080, 555, 885}, 4, A::kCenter,
                                            true, MakeFont(kTimes, 36, 700)),
                                  std::nullopt, B::kFixedSingle);
  score.tooltip = "Questo \xc3\xa8 il tuo punteggio. Forza con il  record";
  c.push_back(score);
  ControlDesc verdict =
      Transparent(MakeLabel("lblMessage", "", {1680, 2040, 6615, 615}, 1, A::kCenter, false,
                            MakeFont(kSansSerif, 24, 700, true)),
                  red, B::kNone);
  verdict.pointer = Pointer::kIcon;
  c.push_back(verdict);
  c.push_back(Transparent(MakeLabel("Label6", "Risposte esatte", {240, 3360, 2565, 495}, 9,
                                    A::kCenter, true, MakeFont(kSansSerif, 18, 400)),
                          green, B::kFixedSingle));

  w.menu = {
      {"INFOMAZIONI", "INFORMAZIONI", ""},
      {"Ciao", "Ciao da Velmaro", "INFOMAZIONI"},
      {"Next", "nuovo", ""},
  };

  w.handlers = {
      {"Tavola", Event::kLoad, "Form_Load"},
      {"Tavola", Event::kActivate, "Form_Activate"},
      {"Tavola", Event::kResize, "Form_Resize"},
      {"cmdNext", Event::kClick, "cmdNext_Click"},
      {"txtAnswer", Event::kKeyPress, "txtAnswer_KeyPress"},
      {"Timer1", Event::kTick, "Timer1_Timer"},
      {"cmdExit", Event::kClick, "cmdExit_Click"},
      {"Next", Event::kClick, "Next_Click"},
  };
  return w;
}

}  // namespace

std::vector<std::string> WindowDesc::tabCycle() const {
  std::vector<const ControlDesc*> focusable;
  for (const auto& c : controls) {
    if (c.tabIndex && (c.kind == ControlKind::kTextBox || c.kind == ControlKind::kCommandButton)) {
      focusable.push_back(&c);
    }
  }
  std::sort(focusable.begin(), focusable.end(),
            [](const ControlDesc* a, const ControlDesc* b) { return *a->tabIndex < *b->tabIndex; });
  std::vector<std::string> names;
  for (const auto* c : focusable) names.push_back(c->name);
  return names;
}

const WindowDesc& Tavola() {
  static const WindowDesc description = Build();
  return description;
}

}  // namespace quorvella::window
