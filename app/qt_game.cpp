// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "app/qt_game.h"

#include <QStyleFactory>

#include "window/description.h"

namespace quorvella::app {

std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
  // The menu stays in the window: no search for a desktop-wide menu bar service at start-up.
  QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  // On a Wayland desktop that also runs XWayland, the X11 plugin first: there the window
  // manager tells the game it was minimized (its caption says the race goes on), draws the
  // desktop's own title bar and honours the window's placement, none of which a Wayland
  // compositor does for Qt. Wayland stays the fallback, and a platform the player chose wins.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsSet("DISPLAY") &&
      qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "xcb;wayland");
  }
  auto app = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName("Quorvella");
  // No application display name: Qt's X11 and Wayland plugins would append it to every title.
  // One look on every desktop, honouring the colours the window gives its buttons.
  if (auto* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
  // The window is destroyed and built again for a new race; the program ends through the
  // game's own end, never because no window happens to be shown.
  QApplication::setQuitOnLastWindowClosed(false);
  qt::InstallItalianTranslations();
  return app;
}

QtGame::QtGame(const Options& options, Injected injected)
    : services(options, injected.random, injected.clock),
      ownUi_(injected.ui ? nullptr
                         : std::make_unique<qt::QtUi>(services.files, std::move(injected.exit))),
      ui(injected.ui ? *injected.ui : *ownUi_),
      game(services.For(ui)),
      sink(game, options.trace),
      form(window::Tavola(), sink, ui,
           injected.onError ? std::move(injected.onError)
                            : qt::QtForm::ErrorHandler([this](const RuntimeError& e) {
                                if (ownUi_) ownUi_->Fatal(e);
                              }),
           qt::FormOptions{options.tickInterval}) {
  game.Attach(form);
  services.store->SetWaiting([this] { form.WhileWaiting(); });
  // The boxes open over the window whenever it is on the screen.
  if (ownUi_) {
    ownUi_->parentWindow = [this]() -> QWidget* { return form.widget(); };
  }
}

int RunGame(int& argc, char** argv, const Options& options) {
  const auto app = MakeApplication(argc, argv);
  QtGame game(options);
  game.Start();
  return QApplication::exec();
}

}  // namespace quorvella::app
