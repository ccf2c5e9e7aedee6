// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/qt/desktop_contrast.h"

#include <gio/gio.h>

#include <cstdlib>
#include <string_view>

namespace quorvella::qt {
namespace {

constexpr const char* kA11y = "org.gnome.desktop.a11y.interface";
constexpr const char* kInterface = "org.gnome.desktop.interface";

// The settings of an installed schema that has `key`; nullptr without (GSettings would abort).
GSettings* SettingsWith(const char* schemaId, const char* key) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId, TRUE);
  if (!schema) return nullptr;
  GSettings* settings = nullptr;
  if (g_settings_schema_has_key(schema, key))
    settings = g_settings_new_full(schema, nullptr, nullptr);
  g_settings_schema_unref(schema);
  return settings;
}

}  // namespace

struct DesktopContrast::Settings {
  GSettings* a11y = nullptr;
  GSettings* interface = nullptr;
  ~Settings() {
    for (GSettings* s : {a11y, interface}) {
      if (s) g_object_unref(s);
    }
  }
};

DesktopContrast::DesktopContrast(std::function<void()> onChange) : onChange_(std::move(onChange)) {
  const char* forced = std::getenv("QUORVELLA_HIGH_CONTRAST");
  if (forced && *forced) return;
  settings_ = std::make_unique<Settings>();
  settings_->a11y = SettingsWith(kA11y, "high-contrast");
  settings_->interface = SettingsWith(kInterface, "color-scheme");
  // GSettings tells of a change from the GLib main loop, which Qt's event loop runs on Linux.
  const auto changed = +[](GSettings*, gchar*, gpointer self) {
    auto* contrast = static_cast<DesktopContrast*>(self);
    if (contrast->onChange_) contrast->onChange_();
  };
  if (settings_->a11y) {
    g_signal_connect(settings_->a11y, "changed::high-contrast", G_CALLBACK(changed), this);
    // GSettings sends change signals only for keys that have been read.
    g_settings_get_boolean(settings_->a11y, "high-contrast");
  }
  if (settings_->interface) {
    g_signal_connect(settings_->interface, "changed::color-scheme", G_CALLBACK(changed), this);
    g_free(g_settings_get_string(settings_->interface, "color-scheme"));
  }
}

DesktopContrast::~DesktopContrast() {
  if (!settings_) return;
  for (GSettings* s : {settings_->a11y, settings_->interface}) {
    if (s)
      g_signal_handlers_disconnect_matched(s, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
  }
}

std::optional<window::SystemPalette> DesktopContrast::Palette() const {
  if (const char* forced = std::getenv("QUORVELLA_HIGH_CONTRAST"); forced && *forced) {
    const std::string_view value(forced);
    if (value == "0") return std::nullopt;
    return value == "dark" ? window::WhiteOnBlack() : window::BlackOnWhite();
  }
  if (!settings_ || !settings_->a11y || !g_settings_get_boolean(settings_->a11y, "high-contrast")) {
    return std::nullopt;
  }
  bool dark = false;
  if (settings_->interface) {
    gchar* scheme = g_settings_get_string(settings_->interface, "color-scheme");
    dark = std::string_view(scheme) == "prefer-dark";
    g_free(scheme);
  }
  return dark ? window::WhiteOnBlack() : window::BlackOnWhite();
}

}  // namespace quorvella::qt
