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
  // What a run said, after what the runs inside it said: "go on", "restart", "end", "error: ...".
  const auto run = [](Dispatcher& d, std::string& log, const std::function<void()>& handler) {
    const AfterHandler after = d.Run(handler);
    static constexpr const char* kNext[] = {"go on", "restart", "end", "error: "};
    log += (log.empty() ? "" : ", ") + std::string(kNext[static_cast<int>(after.next)]) +
           (after.error ? after.error->Message() : "");
  };
  using Handler = std::function<void(Dispatcher&, std::string&)>;
  const struct {
    const char* what;
    Handler handler;
    const char* said;
  } rows[] = {
      {"returns", [](Dispatcher&, std::string&) {}, "go on"},
      {"waits for the store", [](Dispatcher& d, std::string&) { d.Waited(); }, "restart"},
      {"a handler runs while it waits",
       [&](Dispatcher& d, std::string& log) {
         d.Waited();
         run(d, log, [] {});
       },
       "go on, restart"},
      {"a handler inside it waits",
       [&](Dispatcher& d, std::string& log) { run(d, log, [&d] { d.Waited(); }); },
       "restart, go on"},
      {"ends the program", [](Dispatcher&, std::string&) { throw ProgramEnd{}; }, "end"},
      {"waits, then fails",
       [](Dispatcher& d, std::string&) {
         d.Waited();
         throw RuntimeError(61, "Disco pieno", "/r/n.txt", "ENOSPC");
       },
       "error: Errore di run-time 61: Disco pieno\nFile: /r/n.txt\nMotivo: ENOSPC"},
      {"any other exception", [](Dispatcher&, std::string&) { throw std::logic_error("no lblX"); },
       "error: Errore di run-time 51: Errore interno\nMotivo: no lblX"},
  };
  for (const auto& r : rows) {
    Dispatcher d;
    std::string log;
    run(d, log, [&] {
      EXPECT_TRUE(d.Running()) << r.what;
      r.handler(d, log);
    });
    EXPECT_EQ(log, r.said) << r.what;
    EXPECT_FALSE(d.Running()) << r.what;
    // After the end or an error no handler runs; otherwise the next one does, and a wait already
    // answered restarts nothing more.
    const bool ended = log.ends_with("end") || log.starts_with("error");
    EXPECT_EQ(d.Ended(), ended) << r.what;
    bool ran = false;
    EXPECT_EQ(d.Run([&] { ran = true; }).next, AfterHandler::Next::kGoOn) << r.what;
    EXPECT_EQ(ran, !ended) << r.what;
  }
}

}  // namespace
}  // namespace quorvella::window
