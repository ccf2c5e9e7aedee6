// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The race of the conformance transcript (README in compare.sh) played on the fake window, with
// the factors of the seed the real programs get, the boxes answered from a script and the ticks
// driven one by one. What a reader gets is what the window's sentences give each binding to put
// where its readers look.
//   fake_transcript SEED RECORD_DIR > transcript
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "fake/fake_form.h"
#include "platform/text.h"
#include "window/description.h"
#include "window/sentences.h"

namespace {

using namespace quorvella;
using testing::FakeGame;

std::string Escaped(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

class Transcript {
 public:
  explicit Transcript(FakeGame& g) : g_(g) {}

  // Runs `action` as step `name` and writes what it showed.
  template <class Action>
  void Step(const std::string& name, Action action) {
    std::cout << "== " << name << "\n";
    const std::size_t boxes = g_.ui.calls.size();
    const std::string before = g_.window.loaded() ? g_.window.focus : "";
    bool ended = false;
    try {
      action();
    } catch (const testing::ProgramEnded&) {
      ended = true;
    }
    for (std::size_t i = boxes; i < g_.ui.calls.size(); ++i) Box(g_.ui.calls[i]);
    if (!ended) {
      Captions();
      // The focus moved, or came back to its control after a box over the shown window.
      const bool boxOverWindow = g_.ui.calls.size() > boxes && !before.empty();
      if (g_.window.focus != before || boxOverWindow) Focus(g_.window.focus);
    }
    Flush();
  }

  void Says(const std::string& text) { says_.push_back("reader says " + text); }
  // Ticks a second apart: what the fake window announces, by the bindings' quiet rule.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      g_.window.now += 1000;
      const std::size_t heard = g_.window.announced.size();
      g_.game.Timer1_Timer();
      for (std::size_t k = heard; k < g_.window.announced.size(); ++k) Says(g_.window.announced[k]);
    }
  }

 private:
  void Captions() {
    captions_.push_back("caption Tavola=" + g_.window.caption);
    for (const auto& c : window::Tavola().controls) {
      using window::ControlKind;
      if (c.kind == ControlKind::kTimer || c.kind == ControlKind::kImage) continue;
      const auto& ctl = g_.window.get(c.name);
      captions_.push_back("caption " + c.name + "=" + OnOneLine(ctl.text) +
                          (ctl.enabled ? "" : " [disabled]"));
    }
  }

  void Focus(const std::string& control) {
    focus_.push_back("focus " + control);
    auto caption = [this](std::string_view name) { return g_.Caption(std::string(name)); };
    const auto spoken = window::SpokenOnFocus(control, caption);
    std::string name = spoken.name.value_or(std::string(window::SpokenName(control)));
    if (name.empty()) {
      for (char c : g_.Caption(control)) {
        if (c != '&') name += c;
      }
    }
    readerFocus_.push_back("reader focus " + control + " name=" + name +
                           " description=" + spoken.description.value_or(""));
  }

  void Box(const testing::BoxCall& call) {
    const std::string title = call.title.value_or(std::string(kAppTitle));
    std::string buttons = "OK,Annulla";
    if (call.kind == "msg") buttons = (call.style & 7) == vbYesNo ? "Sì,No" : "OK";
    boxes_.push_back("box title=" + OnOneLine(title) + " text=" + OnOneLine(call.prompt) +
                     " buttons=" + buttons);
    // A reader hears the box's title and text as it opens, or what the window's sentences say
    // of it instead.
    const bool spokenTitle = call.spoken && !call.spoken->title.empty();
    Says(OnOneLine(spokenTitle ? call.spoken->title : title));
    Says(OnOneLine(call.spoken ? call.spoken->text : call.prompt));
  }

  void Flush() {
    for (auto* lines : {&captions_, &focus_, &readerFocus_, &says_, &boxes_}) {
      for (const auto& line : *lines) std::cout << line << "\n";
      lines->clear();
    }
  }

  FakeGame& g_;
  std::vector<std::string> captions_, focus_, readerFocus_, says_, boxes_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fake_transcript SEED RECORD_DIR\n";
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path dir = argv[2];
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "a.txt", std::ios::binary) << "0\r\n";
  std::ofstream(dir / "n.txt", std::ios::binary) << "Nessuno\r\n";

  // The factors the real programs draw with this seed.
  SystemRandom seeded(static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)));
  std::vector<float> draws;
  for (int i = 0; i < 256; ++i) draws.push_back(seeded.Rnd());
  FakeGame g(dir.string() + "/", draws);
  Transcript t(g);
  auto product = [&g] { return std::stoi(g.Caption("lblNum1")) * std::stoi(g.Caption("lblNum2")); };

  t.Step("start", [&] { g.Start("Ada"); });
  t.Step("right", [&] {
    g.Type(std::to_string(product()));
    g.Key(13);
  });
  t.Step("next-enter", [&] { g.Key(13); });
  t.Step("wrong", [&] {
    g.Type(std::to_string(product() + 1));
    g.Key(13);
  });
  t.Step("next-alt-n", [&] { g.game.cmdNext_Click(); });
  t.Step("new-race-no", [&] {
    g.ui.answers.push_back(vbNo);
    g.game.Next_Click();
  });
  t.Step("where-am-i", [&] {
    g.window.now += window::kQuietAfterFocusMs;  // once what the focus brought has been read
    t.Says(g.window.WhereAmI());
  });
  t.Step("minute", [&] { t.Ticks(60); });
  t.Step("end", [&] { t.Ticks(15 * 60 + 1); });

  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::cout << "file " << f.filename().string() << " " << Escaped(bytes) << "\n";
  }
  return 0;
}
