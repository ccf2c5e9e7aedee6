// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Which handler of the game an event of the window calls, by the description's handler table.
// Both bindings resolve their events here, with the typed events of the description: neither
// spells a handler's or an event's name of its own.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/toolkit.h"
#include "window/description.h"

namespace quorvella::window {

// The handler the table gives for an event of a source (the window, a control or a menu item);
// empty when the event calls none.
std::string_view HandlerFor(const WindowDesc& desc, std::string_view source, Event event);

// The handler table joined to the game that handles the events. A binding makes it when it
// loads the window: a row whose source the window lacks, or whose handler the game lacks,
// throws std::logic_error there, naming the row, so that a misspelt name fails the load
// instead of silently leaving an event without its handler.
class Handlers {
 public:
  Handlers(const WindowDesc& desc, EventSink& sink);

  // Whether the event of the source calls a handler.
  bool Has(std::string_view source, Event event) const {
    return !HandlerFor(desc_, source, event).empty();
  }
  // Calls the handler of the event, if it has one. `keyAscii` as for EventSink::Call.
  void Call(std::string_view source, Event event, std::int16_t* keyAscii = nullptr) const;

 private:
  const WindowDesc& desc_;
  EventSink& sink_;
};

}  // namespace quorvella::window
