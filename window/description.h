// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The design-time description of the window `Tavola` as data: the window itself, every control
// and menu item with kind, name, caption, rectangle, font, colours, border, alignment, auto-size,
// tab position, tooltip, pointer, enabled state and pictures, and the table of event handlers.
// Every load builds the window anew from this description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvella::window {

// 1440 twips to the inch: 15 twips make one logical pixel.
inline constexpr int kTwipsPerPixel = 15;
constexpr int TwipsToPixels(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
// Font points to pixels at 96 dots per inch, so the layout does not depend on the screen.
constexpr double PointsToPixels(double points) {
  return points * 96.0 / 72.0;
}

enum class ControlKind { kTimer, kTextBox, kCommandButton, kLabel, kImage };
enum class Alignment { kLeft, kCenter };
enum class Border {
  kNone,
  kFixedSingle,  // a single sunken border around a label
  kEditBox,      // the sunken border of a text box
};
enum class Pointer { kDefault, kIcon };

struct Rect {
  int left = 0;  // twips, relative to the client area
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Font {
  std::string family;  // empty: the toolkit's default font
  double points = 0;
  int weight = 400;  // 700 is bold
  bool italic = false;
};

struct ControlDesc {
  ControlKind kind = ControlKind::kLabel;
  std::string name;
  std::string caption;          // caption of a label or button, text of a text box
  std::optional<Rect> rect;     // none for the timer
  std::optional<int> tabIndex;  // none for the timer and the picture
  bool enabled = true;
  std::string tooltip;
  Pointer pointer = Pointer::kDefault;
  int maxLength = 0;  // text box: 0 means no limit
  Alignment alignment = Alignment::kLeft;
  bool autoSize = false;  // label takes the size of its caption, keeping left and top
  Font font;
  std::optional<std::uint32_t> foreColor;  // none: the system's colour
  std::optional<std::uint32_t> backColor;  // none: the system's colour, or transparent
  bool transparent = false;                // label paints only its text and border
  Border border = Border::kNone;
  // Pictures, by id (each binding maps an id to its own resources; empty for none): the normal
  // one, and for buttons the pressed and disabled ones.
  std::string picture;
  std::string picturePressed;
  std::string pictureDisabled;
  int interval = 0;        // timer: milliseconds between ticks
  bool isDefault = false;  // the window's default button: Enter clicks it while it is enabled
};

struct MenuItemDesc {
  std::string name;
  std::string caption;
  std::string parent;  // empty for a top-level item
};

// The events the window delivers to the game's handlers.
enum class Event {
  kLoad,      // the window: before it is first visible
  kActivate,  // the window: once after each load and show
  kResize,    // the window: once when shown, then on each minimize and restore
  kClick,     // a button (also by its access key, Enter or Space) or a menu item
  kKeyPress,  // the text box: each character, its code passed by reference
  kTick,      // the timer: every interval while enabled
};

// One row of the handler table: which event of which source (the window, a control or a menu
// item) calls which handler of the game.
struct HandlerDesc {
  std::string source;
  Event event = Event::kClick;
  std::string handler;
};

struct WindowDesc {
  std::string name;
  std::string caption;
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  int left = 0;  // initial position of the client area on the screen, twips
  int top = 0;
  std::string icon;             // picture id
  std::uint32_t backColor = 0;  // design-time background, until the game sets one (an RGB value)
  std::vector<ControlDesc> controls;  // stacking and creation order, topmost first
  std::vector<MenuItemDesc> menu;     // menu bar order; children follow their parent
  std::vector<HandlerDesc> handlers;

  // Names of the controls that can take the focus, in the order Tab visits them.
  std::vector<std::string> tabCycle() const;
};

// The window of the game.
const WindowDesc& Tavola();

}  // namespace quorvella::window
