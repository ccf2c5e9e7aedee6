// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The handler table joined to a game: every row checked when it is made, a misspelt source or
// handler refused, and each event calling its own handler (the key code by reference); the
// dispatch telling the binding what to do as a handler leaves.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/toolkit.h"
#include "window/description.h"
#include "window/dispatch.h"
#include "window/handlers.h"

namespace quorvella::window {
namespace {

// A game that has the handlers of the window's table and records which one ran; a key-press
// handler doubles the code it gets.
class RecordingSink : public EventSink {
 public:
  bool Handles(std::string_view handler) const override {
    for (const auto& row : Tavola().handlers) {
      if (row.handler == handler) return true;
    }
    return false;
  }
  void Call(std::string_view handler, std::int16_t* keyAscii) override {
    calls.emplace_back(handler);
    if (keyAscii) *keyAscii = static_cast<std::int16_t>(*keyAscii * 2);
  }
  std::vector<std::string> calls;
};

TEST(Handlers, EachEventCallsItsOwnHandler) {
  RecordingSink sink;
  const Handlers handlers(Tavola(), sink);
  struct Row {
    const char* source;
    Event event;
    const char* handler;  // empty: the event calls none
  };
  const Row rows[] = {
      {"Tavola", Event::kLoad, "Form_Load"},
      {"Tavola", Event::kResize, "Form_Resize"},
      {"cmdNext", Event::kClick, "cmdNext_Click"},
      {"Next", Event::kClick, "Next_Click"},
      {"Timer1", Event::kTick, "Timer1_Timer"},
      {"Command1", Event::kClick, ""},  // a button without a handler
      {"Ciao", Event::kClick, ""},      // a menu item without one
      {"cmdNext", Event::kKeyPress, ""},
      {"Tavola", Event::kClick, ""},
  };
  for (const auto& r : rows) {
    sink.calls.clear();
    EXPECT_EQ(HandlerFor(Tavola(), r.source, r.event), r.handler) << r.source;
    EXPECT_EQ(handlers.Has(r.source, r.event), *r.handler != '\0') << r.source;
    handlers.Call(r.source, r.event);
    EXPECT_EQ(sink.calls,
              *r.handler ? std::vector<std::string>{r.handler} : std::vector<std::string>{})
        << r.source;
  }
  std::int16_t key = 21;
  handlers.Call("txtAnswer", Event::kKeyPress, &key);
  EXPECT_EQ(sink.calls.back(), "txtAnswer_KeyPress");
  EXPECT_EQ(key, 42);
}

// A row the window or the game cannot honour fails when the table is joined to the game, with
// a message that names it.
TEST(Handlers, AMisspeltRowFailsTheJoin) {
  struct Row {
    const char* what;
    std::function<void(WindowDesc&)> change;
    const char* named;
  };
  const Row rows[] = {
      {"handler the game lacks", [](WindowDesc& d) { d.handlers[3].handler = "cmdNext_Clik"; },
       "cmdNext_Clik"},
      {"empty handler", [](WindowDesc& d) { d.handlers[0].handler.clear(); }, "Tavola"},
      {"source the window lacks", [](WindowDesc& d) { d.handlers[3].source = "cmdNxt"; }, "cmdNxt"},
      {"menu item renamed", [](WindowDesc& d) { d.menu[2].name = "Nuovo"; }, "Next"},
  };
  RecordingSink sink;
  for (const auto& r : rows) {
    WindowDesc desc = Tavola();
    r.change(desc);
    try {
      Handlers handlers(desc, sink);
      ADD_FAILURE() << r.what << ": accepted";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(r.named), std::string::npos)
          << r.what << ": " << e.what();
    }
  }
}

// How a handler leaves, and what the binding is told to do then: go on, restart the timers of the
// handler that waited for the store (not of one the wait let run), end, or show the error box.
TEST(Dispatch, EachWayOutTellsTheBindingWhatToDo) {
  using Next = AfterHandler::Next;
  struct Row {
    const char* what;
    std::function<void(Dispatcher&, std::vector<Next>& inner)> handler;
    Next next;
    std::vector<Next> inner;  // of the handlers run inside it
    std::optional<RuntimeError> error;
  };
  const auto nested = [](Dispatcher& d, std::vector<Next>& inner, std::function<void()> h) {
    inner.push_back(d.Run(h).next);
  };
  const Row rows[] = {
      {"returns", [](Dispatcher&, auto&) {}, Next::kGoOn, {}, {}},
      {"waits for the store",
       [](Dispatcher& d, auto&) { d.Waited(); },
       Next::kRestartTimers,
       {},
       {}},
      {"a handler runs while it waits",
       [&](Dispatcher& d, auto& inner) {
         d.Waited();
         nested(d, inner, [] {});
       },
       Next::kRestartTimers,
       {Next::kGoOn},
       {}},
      {"a handler inside it waits",
       [&](Dispatcher& d, auto& inner) { nested(d, inner, [&d] { d.Waited(); }); },
       Next::kGoOn,
       {Next::kRestartTimers},
       {}},
      {"ends the program",
       [](Dispatcher&, auto&) { throw ProgramEnd{}; },
       Next::kEndProgram,
       {},
       {}},
      {"a run-time error",
       [](Dispatcher&, auto&) { throw RuntimeError(53, "File non trovato", "/r/a.txt", "ENOENT"); },
       Next::kErrorBox,
       {},
       RuntimeError(53, "File non trovato", "/r/a.txt", "ENOENT")},
      {"waits, then fails",
       [](Dispatcher& d, auto&) {
         d.Waited();
         throw RuntimeError(61, "Disco pieno", "/r/n.txt", "ENOSPC");
       },
       Next::kErrorBox,
       {},
       RuntimeError(61, "Disco pieno", "/r/n.txt", "ENOSPC")},
      {"any other exception",
       [](Dispatcher&, auto&) { throw std::logic_error("no label lblX"); },
       Next::kErrorBox,
       {},
       RuntimeError(51, "Errore interno", "", "no label lblX")},
  };
  for (const auto& r : rows) {
    Dispatcher d;
    std::vector<Next> inner;
    bool running = false;
    const AfterHandler after = d.Run([&] {
      running = d.Running();
      r.handler(d, inner);
    });
    EXPECT_TRUE(running) << r.what;
    EXPECT_FALSE(d.Running()) << r.what;
    EXPECT_EQ(after.next, r.next) << r.what;
    EXPECT_EQ(inner, r.inner) << r.what;
    ASSERT_EQ(after.error.has_value(), r.error.has_value()) << r.what;
    if (r.error) {
      EXPECT_EQ(after.error->Message(), r.error->Message()) << r.what;
    }
    // After the end or an error no handler runs; otherwise the next one does, and a wait already
    // answered restarts nothing more.
    const bool ended = r.next == Next::kEndProgram || r.next == Next::kErrorBox;
    EXPECT_EQ(d.Ended(), ended) << r.what;
    bool ran = false;
    EXPECT_EQ(d.Run([&] { ran = true; }).next, Next::kGoOn) << r.what;
    EXPECT_EQ(ran, !ended) << r.what;
  }
}

}  // namespace
}  // namespace quorvella::window
