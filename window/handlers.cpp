// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/handlers.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quorvella::window {
namespace {

bool HasSource(const WindowDesc& desc, std::string_view source) {
  return source == desc.name ||
         std::any_of(desc.controls.begin(), desc.controls.end(),
                     [&](const ControlDesc& c) { return c.name == source; }) ||
         std::any_of(desc.menu.begin(), desc.menu.end(),
                     [&](const MenuItemDesc& m) { return m.name == source; });
}

}  // namespace

std::string_view HandlerFor(const WindowDesc& desc, std::string_view source, Event event) {
  for (const auto& row : desc.handlers) {
    if (row.source == source && row.event == event) return row.handler;
  }
  return {};
}

Handlers::Handlers(const WindowDesc& desc, EventSink& sink) : desc_(desc), sink_(sink) {
  for (const auto& row : desc.handlers) {
    if (!HasSource(desc, row.source)) {
      throw std::logic_error("the window " + desc.name + " has no " + row.source + " for " +
                             row.handler);
    }
    if (row.handler.empty() || !sink.Handles(row.handler)) {
      throw std::logic_error("the game has no handler " + row.handler + " for " + row.source);
    }
  }
}

void Handlers::Call(std::string_view source, Event event, std::int16_t* keyAscii) const {
  if (const auto handler = HandlerFor(desc_, source, event); !handler.empty()) {
    sink_.Call(handler, keyAscii);
  }
}

}  // namespace quorvella::window
