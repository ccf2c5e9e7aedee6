// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/qt/qt_form.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "ui/qt/accessibility.h"
#include "ui/qt/held_keys.h"
#include "ui/qt/tavola_window.h"
#include "ui/qt/widgets.h"
#include "window/sentences.h"

namespace quorvella::qt {
namespace {

using window::ControlKind;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

class QtLabel : public Label {
 public:
  explicit QtLabel(AutoLabel* w) : w_(w) {}
  std::string Caption() const override { return w_->text().toStdString(); }
  void SetCaption(const std::string& caption) override {
    QuietForReaders quiet(w_->window());
    w_->setCaption(Q(caption));
  }

 private:
  AutoLabel* w_;
};

using FocusRequest = std::function<void(QWidget*)>;

class QtTextBox : public TextBox {
 public:
  QtTextBox(AnswerBox* w, FocusRequest focus) : w_(w), focus_(std::move(focus)) {}
  std::string Text() const override { return w_->text().toStdString(); }
  void SetText(const std::string& text) override {
    QuietForReaders quiet(!w_->hasFocus() || !w_->window()->isVisible());
    w_->setText(Q(text));
  }
  void SetFocus() override { focus_(w_); }

 private:
  AnswerBox* w_;
  FocusRequest focus_;
};

class QtButton : public CommandButton {
 public:
  QtButton(QPushButton* w, FocusRequest focus) : w_(w), focus_(std::move(focus)) {}
  void SetEnabled(bool enabled) override {
    if (!enabled && w_->hasFocus()) {
      // Qt would pass the focus on to the next control at once; the handler says where it goes.
      // Quietly: Qt tells readers the button has the focus as it clears it, and a reader would
      // hear the button again before the control that gets the focus.
      const QuietForReaders quiet(true);
      w_->clearFocus();
    }
    QuietForReaders quiet(w_->window());
    w_->setEnabled(enabled);
  }
  void SetFocus() override { focus_(w_); }

 private:
  QPushButton* w_;
  FocusRequest focus_;
};

class QtTimer : public Timer {
 public:
  explicit QtTimer(QTimer* t) : t_(t) {}
  void SetEnabled(bool enabled) override {
    if (!enabled) {
      t_->stop();
    } else if (!t_->isActive()) {
      t_->start();
    }
  }

 private:
  QTimer* t_;
};

template <class T>
T& Find(std::map<std::string, std::unique_ptr<T>, std::less<>>& map, std::string_view name,
        const char* kind) {
  auto it = map.find(name);
  if (it == map.end()) {
    throw std::logic_error(std::string("the window has no ") + kind + " " + std::string(name));
  }
  return *it->second;
}

}  // namespace

struct QtForm::Controls {
  std::map<std::string, std::unique_ptr<QtLabel>, std::less<>> labels;
  std::map<std::string, std::unique_ptr<QtTextBox>, std::less<>> textBoxes;
  std::map<std::string, std::unique_ptr<QtButton>, std::less<>> buttons;
  std::map<std::string, std::unique_ptr<QtTimer>, std::less<>> timers;
  std::vector<QTimer*> qtimers;
  QWidget* client = nullptr;
  bool built = false;
};

QtForm::QtForm(const window::WindowDesc& description, EventSink& sink, Ui& ui, ErrorHandler onError,
               FormOptions options)
    : desc_(description), sink_(sink), ui_(ui), onError_(std::move(onError)), options_(options) {
  colours_ = window::Colours(contrast_.Palette());
  InstallAccessibleFactories();
  RepeatFilter::Install();
  QObject::connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (!win_ || !now || now->window() != win_) return;
    if (controls_ && controls_->client && now->parentWidget() == controls_->client) {
      lastControl_ = now;
    }
    if (auto* announcer = win_->findChild<Announcer*>()) announcer->focusMoved();
    // Once what the focus brought has been read, where-am-I tells the time left too, though the
    // clock may not change before it is asked (a held clock, a box just closed).
    QTimer::singleShot(window::kQuietAfterFocusMs + 1, Qt::PreciseTimer, this,
                       [this] { TellWhereAmI(); });
  });
}

QtForm::~QtForm() {
  if (win_) {
    StopTimers();
    // Forgotten before it is deleted: its widgets hand the focus on while they go, and the focus
    // handler must not look at a window half destroyed.
    TavolaWindow* window = win_;
    win_ = nullptr;
    delete window;
  }
}

Label& QtForm::label(std::string_view name) {
  if (!controls_) throw std::logic_error("the window is not loaded");
  EnsureControls();
  return Find(controls_->labels, name, "label");
}

TextBox& QtForm::textBox(std::string_view name) {
  if (!controls_) throw std::logic_error("the window is not loaded");
  EnsureControls();
  return Find(controls_->textBoxes, name, "text box");
}

CommandButton& QtForm::commandButton(std::string_view name) {
  if (!controls_) throw std::logic_error("the window is not loaded");
  EnsureControls();
  return Find(controls_->buttons, name, "button");
}

Timer& QtForm::timer(std::string_view name) {
  if (!controls_) throw std::logic_error("the window is not loaded");
  return Find(controls_->timers, name, "timer");
}

void QtForm::SetCaption(const std::string& caption) {
  EnsureControls();
  if (win_) win_->setWindowTitle(Q(caption));
}

void QtForm::SetBackColor(std::uint32_t rgb) {
  if (!controls_) return;
  EnsureControls();
  asked_ = rgb;
  QPalette pal = controls_->client->palette();
  pal.setColor(QPalette::Window, ColorFromRgb(colours_.Window(rgb)));
  controls_->client->setPalette(pal);
}

void QtForm::Recolour() {
  colours_ = window::Colours(contrast_.Palette());
  ApplyColours();
}

void QtForm::ApplyColours() {
  if (!controls_ || !controls_->built) return;
  QWidget* client = controls_->client;
  QPalette pal = client->palette();
  pal.setColor(QPalette::Window, ColorFromRgb(colours_.Window(asked_)));
  client->setPalette(pal);
  for (auto* label : client->findChildren<AutoLabel*>()) label->setColours(colours_);
  for (auto* box : client->findChildren<AnswerBox*>()) box->setColours(colours_);
  for (auto* button : client->findChildren<PictureButton*>()) button->setColours(colours_);
}

int QtForm::WindowState() const {
  if (!win_) return vbNormal;
  const auto state = win_->windowState();
  if (state & Qt::WindowMinimized) return vbMinimized;
  if (state & Qt::WindowMaximized) return vbMaximized;
  return vbNormal;
}

void QtForm::StopTimers() {
  if (!controls_) return;
  for (QTimer* t : controls_->qtimers) t->stop();
}

void QtForm::Unload() {
  if (!controls_) return;
  StopTimers();
  if (!controls_->built) {
    // Unloaded before its window was built: only the timers exist.
    qDeleteAll(controls_->qtimers);
    controls_.reset();
    return;
  }
  TavolaWindow* old = win_;
  old->onClose = nullptr;
  old->onStateChange = nullptr;
  old->hide();
  // The handler that asked for the unload may still be running inside one of the old window's
  // widgets: delete it once control is back in the event loop.
  old->deleteLater();
  win_ = nullptr;
  controls_.reset();
}

void QtForm::Show() {
  if (!controls_) Load();
  EnsureControls();
  win_->PlaceAt(PixelRect({desc_.left, desc_.top, 0, 0}, zoom_).topLeft());
  win_->show();
  win_->raise();
  win_->activateWindow();
  CallWindowHandler(window::Event::kResize);
  CallWindowHandler(window::Event::kActivate);
}

std::string QtForm::CaptionOf(std::string_view name) const {
  if (!controls_ || !controls_->built) return {};
  const auto it = controls_->labels.find(name);
  return it == controls_->labels.end() ? std::string() : it->second->Caption();
}

void QtForm::CallWindowHandler(window::Event event) {
  handlers_->Call(desc_.name, event);
}

void QtForm::Start() {
  Dispatch([this] { Show(); });
}

void QtForm::Load() {
  if (!handlers_) handlers_.emplace(desc_, sink_);
  controls_ = std::make_unique<Controls>();
  BuildTimers();
  // Watch for the first box the load handler shows (the name box); see eventFilter. The watch
  // ends with the handler, also when it leaves by an error or the end of the program.
  struct Watch {
    QObject* filter;
    explicit Watch(QObject* f) : filter(f) { qApp->installEventFilter(filter); }
    ~Watch() { qApp->removeEventFilter(filter); }
  } watch(this);
  CallWindowHandler(window::Event::kLoad);
  EnsureControls();
}

bool QtForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && watched->isWidgetType() && watched != win_ &&
      static_cast<QWidget*>(watched)->isWindow()) {
    // A box has been painted: the player is reading it. Build the rest of the window now,
    // once this paint has gone to the screen.
    qApp->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] { Dispatch([this] { EnsureControls(); }); });
  }
  return QObject::eventFilter(watched, event);
}

void QtForm::EnsureControls() {
  if (controls_ && !controls_->built) BuildWindow();
}

void QtForm::RequestFocus(QWidget* w) {
  if (dispatch_.Running()) {
    pendingFocus_ = w;
  } else {
    ApplyFocus(w);
  }
}

void QtForm::ApplyFocus(QWidget* w) {
  BeforeFocus(w);
  w->setFocus(Qt::OtherFocusReason);
}

void QtForm::RestoreFocus(QWidget* control) {
  if (!control || !win_ || control->window() != win_ || !control->isEnabled()) return;
  if (QApplication::activeModalWidget()) return;  // a box is still up
  if (!win_->isActiveWindow()) {
    // The box that had the activation is gone, and without a window manager no one gives it
    // back: the window asks for it, and its focus widget takes the focus as it gets it.
    restoreOnActivate_ = control;
    BeforeFocus(control);
    {
      const QuietForReaders quiet(true);
      control->setFocus(Qt::OtherFocusReason);
    }
    win_->activateWindow();
    return;
  }
  const QWidget* now = QApplication::focusWidget();
  if (now && now != control && now != win_->menuBar() && now->window() == win_) return;
  if (!control->hasFocus()) ApplyFocus(control);
}

void QtForm::ClockChanged(const QString& caption) {
  const std::string clock = caption.toStdString();
  auto* announcer = win_ ? win_->findChild<Announcer*>() : nullptr;
  if (!announcer) return;
  announcer->clockShows(clock);
  TellWhereAmI();
}

void QtForm::TellWhereAmI() {
  auto* announcer = win_ ? win_->findChild<Announcer*>() : nullptr;
  auto* box = win_ ? win_->findChild<AnswerBox*>() : nullptr;
  if (announcer && box && box->hasFocus() && !announcer->reading()) {
    // Once the question has been read, for where-am-I.
    SetWhereAmI(box, QString::fromStdString(window::QuestionAndTimeLeft(
                         [this](std::string_view name) { return CaptionOf(name); })));
  }
}

void QtForm::Dispatch(const std::function<void()>& handler) {
  const window::AfterHandler after = dispatch_.Run([&] {
    handler();
    if (QPointer<QWidget> w = std::exchange(pendingFocus_, nullptr)) {
      ApplyFocus(w);
    } else if (win_ && win_->isVisible() && !win_->focusWidget()) {
      // A disabled button lost the focus and the handler gave it to no one: the first control
      // of the tab cycle that can take it gets it, as Qt would have done.
      for (const auto& name : desc_.tabCycle()) {
        auto* next = win_->findChild<QWidget*>(Q(name));
        if (next && next->isEnabled() && next->isVisible()) {
          next->setFocus(Qt::TabFocusReason);
          break;
        }
      }
    }
  });
  if (after.next == window::AfterHandler::Next::kRestartTimers && controls_) {
    // The clock goes on from where it was, a whole interval from now, as if the wait had not been.
    for (QTimer* t : controls_->qtimers) {
      if (t->isActive()) t->start();
    }
  }
  if (after.next == window::AfterHandler::Next::kEndProgram || after.error) StopTimers();
  if (after.error) onError_(*after.error);
}

void QtForm::WhileWaiting() {
  waiting_ = true;
  dispatch_.Waited();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  waiting_ = false;
}

void QtForm::BuildTimers() {
  // Until the window exists the timers belong to the form; the window then takes them.
  for (const auto& c : desc_.controls) {
    if (c.kind != ControlKind::kTimer) continue;
    auto* t = new QTimer(this);
    t->setObjectName(Q(c.name));
    t->setTimerType(Qt::PreciseTimer);
    t->setInterval(options_.tickInterval > 0 ? options_.tickInterval : c.interval);
    if (handlers_->Has(c.name, window::Event::kTick)) {
      QObject::connect(t, &QTimer::timeout, this,
                       [this, tick = Bind(c.name, window::Event::kTick)] {
                         if (!waiting_) tick();
                       });
    }
    if (c.enabled) t->start();
    controls_->qtimers.push_back(t);
    controls_->timers[c.name] = std::make_unique<QtTimer>(t);
  }
}

std::function<void()> QtForm::Bind(const std::string& source, window::Event event) {
  return [this, source, event] {
    Dispatch([this, &source, event] { handlers_->Call(source, event); });
  };
}

void QtForm::BuildWindow() {
  controls_->built = true;
  const QuietForReaders quiet(nullptr);
  auto* win = new TavolaWindow;
  win_ = win;
  win->setObjectName(Q(desc_.name));
  win->setWindowTitle(Q(desc_.caption));
  if (!desc_.icon.empty()) {
    // The game's icon for every window and box, the name box already up included. Set here,
    // once the name box has been painted: decoding the icon before would delay it.
    QApplication::setWindowIcon(Picture(desc_.icon));
    win->setWindowIcon(QApplication::windowIcon());
  }
  BuildMenu(win->menuBar());
  // The design's size, or smaller where the screen is too small for it at the desktop's scale.
  const QSize designed(window::TwipsToPixels(desc_.clientWidth),
                       window::TwipsToPixels(desc_.clientHeight));
  const QPoint place(window::TwipsToPixels(desc_.left), window::TwipsToPixels(desc_.top));
  const QScreen* screen = QGuiApplication::screenAt(place);
  zoom_ = FittingZoom(screen ? screen : QGuiApplication::primaryScreen(),
                      designed + QSize(0, win->menuBar()->sizeHint().height()));
  if (zoom_ != 1.0) {
    QFont font = win->menuBar()->font();
    font.setPointSizeF(font.pointSizeF() * zoom_);
    win->menuBar()->setFont(font);
  }
  auto* client = new ClientArea(win);
  client->setObjectName("client");
  client->setFixedSize(PixelRect({0, 0, desc_.clientWidth, desc_.clientHeight}, zoom_).size());
  client->setAutoFillBackground(true);
  asked_ = desc_.backColor;
  win->setCentralWidget(client);
  controls_->client = client;
  for (QTimer* t : controls_->qtimers) t->setParent(win);
  win->onStateChange = [this, h = Bind(desc_.name, window::Event::kResize)] {
    if (win_ && win_->isVisible()) h();
  };
  win->onClose = [this] { Dispatch([this] { ui_.End(); }); };
  win->onActivate = [this] {
    if (!restoreOnActivate_) return;
    // Once Qt and the menu bar have settled the focus of the window just activated.
    QTimer::singleShot(0, this, [this] { RestoreFocus(std::exchange(restoreOnActivate_, {})); });
  };

  BuildControls(client);
  ApplyColours();
  DescribeForReaders(client);
  new Announcer(win);
  if (auto* clock = client->findChild<AutoLabel*>(Q(std::string(window::kClock)))) {
    QObject::connect(clock, &AutoLabel::captionChanged, this, &QtForm::ClockChanged);
  }
}

void QtForm::BuildMenu(QMenuBar* menuBar) {
  std::map<std::string, QMenu*> menus;
  for (const auto& item : desc_.menu) {
    const bool hasChildren = std::any_of(desc_.menu.begin(), desc_.menu.end(),
                                         [&](const auto& m) { return m.parent == item.name; });
    QAction* action = nullptr;
    if (item.parent.empty() && hasChildren) {
      QMenu* menu = menuBar->addMenu(Q(item.caption));
      menu->setObjectName(Q(item.name));
      menus[item.name] = menu;
      action = menu->menuAction();
    } else if (item.parent.empty()) {
      action = menuBar->addAction(Q(item.caption));
    } else {
      action = menus.at(item.parent)->addAction(Q(item.caption));
    }
    action->setObjectName(Q(item.name));
    if (handlers_->Has(item.name, window::Event::kClick)) {
      QObject::connect(action, &QAction::triggered, this,
                       [this, click = Bind(item.name, window::Event::kClick)] {
                         const QPointer<QWidget> before = lastControl_;
                         click();
                         RestoreFocus(before);
                         // The menu bar leaves its keyboard mode once the command is over.
                         QTimer::singleShot(0, this, [this, before] { RestoreFocus(before); });
                       });
    }
  }
}

void QtForm::BuildControls(QWidget* client) {
  // The controls, created in the described order; each new one goes below those before it, so
  // the first described is the topmost.
  PictureButton* defaultButton = nullptr;
  for (const auto& c : desc_.controls) {
    const QString name = Q(c.name);
    switch (c.kind) {
      case ControlKind::kTimer:
        break;  // built before the window, by BuildTimers
      case ControlKind::kTextBox: {
        auto* box = new AnswerBox(c, client, zoom_);
        box->lower();
        LabelForReaders(box);
        if (handlers_->Has(c.name, window::Event::kKeyPress)) {
          box->onKeyPress = [this, name = c.name](std::int16_t& key) {
            bool handled = false;
            Dispatch([&] {
              handlers_->Call(name, window::Event::kKeyPress, &key);
              handled = true;
            });
            if (!handled) key = 0;
          };
        }
        controls_->textBoxes[c.name] =
            std::make_unique<QtTextBox>(box, [this](QWidget* w) { RequestFocus(w); });
        break;
      }
      case ControlKind::kCommandButton: {
        auto* button = new PictureButton(c, client, zoom_);
        button->lower();
        if (handlers_->Has(c.name, window::Event::kClick)) {
          QObject::connect(button, &QPushButton::clicked, this,
                           Bind(c.name, window::Event::kClick));
        }
        if (c.isDefault) defaultButton = button;
        controls_->buttons[c.name] =
            std::make_unique<QtButton>(button, [this](QWidget* w) { RequestFocus(w); });
        break;
      }
      case ControlKind::kLabel: {
        auto* label = new AutoLabel(c, client, zoom_);
        label->lower();
        controls_->labels[c.name] = std::make_unique<QtLabel>(label);
        break;
      }
      case ControlKind::kImage: {
        auto* image = new QLabel(client);
        image->setObjectName(name);
        const QRect r = PixelRect(*c.rect, zoom_);
        image->setGeometry(r);
        image->setPixmap(CrispPixmap(Picture(c.picture), window::TwipsToPixels(c.rect->width),
                                     zoom_, image->devicePixelRatioF()));
        image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        image->setToolTip(Q(c.tooltip));
        image->setFocusPolicy(Qt::NoFocus);
        image->lower();
        break;
      }
    }
  }

  // Enter in the answer box goes to the window's default button while that is enabled.
  if (defaultButton) {
    for (auto* box : client->findChildren<AnswerBox*>()) {
      box->onDefaultKey = [defaultButton] {
        if (!defaultButton->isEnabled()) return false;
        defaultButton->click();
        return true;
      };
    }
  }
  SetTabCycle(client);
}

void QtForm::SetTabCycle(QWidget* client) {
  // Tab visits the focusable controls in the described order; the first has the focus.
  const auto cycle = desc_.tabCycle();
  for (std::size_t i = 0; i + 1 < cycle.size(); ++i) {
    QWidget::setTabOrder(client->findChild<QWidget*>(Q(cycle[i])),
                         client->findChild<QWidget*>(Q(cycle[i + 1])));
  }
  if (!cycle.empty()) {
    if (auto* first = client->findChild<QWidget*>(Q(cycle.front()))) first->setFocus();
  }
}

}  // namespace quorvella::qt
