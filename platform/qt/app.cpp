#include "platform/qt/app.h"

#include <QApplication>
#include <QStyleFactory>

#include "game/tavola.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_ui.h"
#include "window/description.h"

namespace quorvella::qt {

int RunGame(int& argc, char** argv, const AppOptions& options) {
  // The menu stays in the window: no search for a desktop-wide menu bar service at start-up.
  QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quorvella");
  QApplication::setApplicationDisplayName("Quorvella");
  // One look on every desktop, honouring the colours the window gives its buttons.
  if (auto* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
  // The window is destroyed and built again for a new race; the program ends through the
  // game's own end, never because no window happens to be shown.
  QApplication::setQuitOnLastWindowClosed(false);
  InstallItalianTranslations();

  FilePool files;
  SystemRandom random = options.seed ? SystemRandom(*options.seed) : SystemRandom();
  SystemClock clock;
  QtUi ui(files);
  Services services{ui, random, clock, files};
  if (!options.recordDir.empty()) {
    services.systemDir = [dir = options.recordDir] { return dir; };
  }
  Tavola game(std::move(services));
  QtForm form(
      window::Tavola(), game, ui, [&ui](const RuntimeError& e) { ui.Fatal(e); },
      FormOptions{options.tickInterval});
  game.Attach(form);
  form.Start();
  return QApplication::exec();
}

}  // namespace quorvella::qt
