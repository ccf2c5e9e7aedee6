// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What every binding of the window does: the Qt binding (ui/qt/), the Win32 binding (ui/win32/)
// and, where it applies, the tests' fake form (tests/fake/). The game and its tests rely on each
// rule below; a binding that cannot keep one on its platform says so in a test by name. What
// the bindings do alike is written once in window/ (the description, the handler table, the
// dispatch, the fit, the sentences) and each binding keeps only what its toolkit needs. Declares
// nothing: it is the text both bindings are reviewed against.
//
// Load, show, activate
// - Load makes the timers first, then runs Form_Load through the handler table; the window and
//   its controls are built from the description (window/description.h), in the described order
//   with their design-time captions and states, at the latest once the first box the load
//   handler opens (the name box) has been painted, so that box comes up at once.
// - Show places the window where the description says, moved only as far as needed to lie on
//   the screen (KeepOnScreen; drawn smaller, FittingScale, where it does not fit: window/fit.h),
//   shows it and activates it; then Form_Resize and Form_Activate run, once each after each load
//   and show. Closing a box, restoring the window or switching programs activates nothing.
// - Unload destroys the window and its controls (the timers stop with them), never the game:
//   its GameState lives on into the next load.
//
// Dispatch
// - Every handler runs through the binding's one dispatch, by the handler table
//   (window/handlers.h): a key press, a click, a menu command, a tick, the window's own events.
//   The dispatch is window::Dispatcher (window/dispatch.h): it says what the binding does as the
//   handler leaves, and the binding does that with its toolkit.
// - Ui::End inside a handler ends the program: no handler runs after it (ProgramEnd is caught at
//   the dispatch).
// - A RuntimeError leaving a handler ends the program with the error box, which names the file
//   and the reason, and status 1; any other exception is run-time error 51 "Errore interno".
//   Nothing thrown crosses the toolkit's event loop.
// - With Options::trace, each handler the window calls is written there first, one line each
//   (app::TracedSink), on every binding.
//
// Focus
// - A focus request made inside a handler is applied once the handler returns: exactly one focus
//   event, on the control the handler chose last. A button the handler disables while it has the
//   focus hands the focus to that control first, so a reader never gets a focus from nowhere.
//   A handler that leaves the focus on no control (it disabled the focused button and chose none)
//   leaves it on the first control of the Tab cycle that can take it.
// - After any box the game opens, the focus goes back to the control that had it; after the
//   race's last boxes (Ui::RaceEnded), which end the program, no control takes it.
// - A key the window system repeats while it is held acts once.
//
// Ticks while the record store waits
// - While a handler waits for the record (RecordStore::SetWaiting), the window repaints and
//   nothing else runs. Ticks that come meanwhile are dropped, and when the handler that waited
//   returns each running timer starts a whole interval again (Dispatcher::Waited; a handler that
//   runs inside the wait restarts nothing): the wait is never taken from the race, which starts
//   with its fifteen minutes when the window appears.
//
// Colours (window/colours.h)
// - Every control, the window's background included, is drawn in the colours window::Colours
//   gives: the description's and the game's tints while the system's high-contrast setting is
//   off, the system's colours while it is on. A binding only asks its platform for the setting
//   and the system's colours, and draws the window again when either changes.
//
// What a reader gets (window/sentences.h)
// - As the focus comes: the answer box's name is the question, the new-question button's
//   description the verdict and the counts; controls whose text says nothing to a listener carry
//   SpokenName; headings are tied to their values (Headings: a relation for AT-SPI, the value's
//   description for MSAA, which relates no objects); the clock's own name follows its caption at
//   most once per kClockQuietMs.
// - The time left goes out as an announcement (Announcements::ClockShows), never by moving the
//   focus, and waits while what the focus brought may still be being read (kQuietAfterFocusMs);
//   where-am-I on the answer box, once that quiet is over (Announcements::Reading, the one rule
//   every binding asks), gives the question and the time left (QuestionAndTimeLeft).
// - The end of a race reaches the binding as a typed event (Ui::RaceEnded) before its first box;
//   what the farewell and the confirmation tell a reader comes from EndOfRace, never from matching
//   the boxes' texts.
// - On each platform these go where its readers look (AT-SPI for Qt; MSAA objects and win
//   events, readable from another process, for Win32) and are tested from outside the program.
#pragma once
