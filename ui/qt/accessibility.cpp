// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <algorithm>

#include "ui/qt/widgets.h"
#include "window/sentences.h"

namespace quorvella::qt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The name of the label that says where-am-I of a control, after the control's.
constexpr QLatin1String kWhereAmI("_whereAmI");

QString CaptionOf(const QWidget* parent, std::string_view name) {
  const auto* label =
      parent ? parent->findChild<QLabel*>(Q(name), Qt::FindDirectChildrenOnly) : nullptr;
  return label ? label->text() : QString();
}

// The client area's accessible object: children in reading order.
class ClientAccessible : public QAccessibleWidget {
 public:
  explicit ClientAccessible(ClientArea* w) : QAccessibleWidget(w, QAccessible::Client) {}
  int childCount() const override { return static_cast<int>(order().size()); }
  QAccessibleInterface* child(int index) const override {
    const auto kids = order();
    if (index < 0 || index >= kids.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(kids.at(index));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    return static_cast<int>(order().indexOf(qobject_cast<QWidget*>(child->object())));
  }

 private:
  QList<QWidget*> order() const { return static_cast<ClientArea*>(widget())->readingOrder(); }
};

// The announcer's accessible object: a notification named by its text.
class NotificationAccessible : public QAccessibleWidget {
 public:
  explicit NotificationAccessible(Announcer* w) : QAccessibleWidget(w, QAccessible::Notification) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String(ClientArea::staticMetaObject.className())) {
    if (auto* w = qobject_cast<ClientArea*>(object)) return new ClientAccessible(w);
  }
  if (className == QLatin1String(Announcer::staticMetaObject.className())) {
    if (auto* w = qobject_cast<Announcer*>(object)) return new NotificationAccessible(w);
  }
  return nullptr;
}

}  // namespace

QList<QWidget*> ClientArea::readingOrder() const {
  QList<QWidget*> kids = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  kids.removeIf([](QWidget* w) {
    return w->isWindow() || w->isHidden() || w->objectName().endsWith(kWhereAmI);
  });
  std::stable_sort(kids.begin(), kids.end(), [](const QWidget* a, const QWidget* b) {
    return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
  });
  QList<QWidget*> ordered;
  for (qsizetype start = 0; start < kids.size();) {
    const QRect first = kids.at(start)->geometry();
    qsizetype end = start + 1;
    while (end < kids.size() && kids.at(end)->y() < first.center().y()) ++end;
    QList<QWidget*> row = kids.mid(start, end - start);
    std::stable_sort(row.begin(), row.end(),
                     [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    ordered += row;
    start = end;
  }
  return ordered;
}

void InstallAccessibleFactories() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void DescribeForReaders(ClientArea* client) {
  InstallAccessibleFactories();
  for (QWidget* w : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const auto name = window::SpokenName(w->objectName().toStdString());
    if (!name.empty()) w->setAccessibleName(Q(name));
  }
  // A heading is the value's label: Qt reports the pair as "label for" and "labelled by".
  for (const auto& h : window::Headings()) {
    auto* heading = client->findChild<QLabel*>(Q(h.heading));
    auto* value = client->findChild<QLabel*>(Q(h.value));
    if (heading && value) heading->setBuddy(value);
  }
  if (auto* clock = client->findChild<QLabel*>(Q(window::kClock))) {
    auto* throttle = new ThrottledName(clock, window::kClockQuietMs);
    throttle->setObjectName("clockName");
    throttle->update(clock->text());
    if (auto* auto_ = qobject_cast<AutoLabel*>(clock)) {
      QObject::connect(auto_, &AutoLabel::captionChanged, throttle, &ThrottledName::update);
    }
  }
}

QuietForReaders::QuietForReaders(bool quiet) {
  if (!quiet || !QAccessible::isActive()) return;
  quiet_ = true;
  previous_ = QAccessible::installUpdateHandler([](QAccessibleEvent*) {});
}

QuietForReaders::~QuietForReaders() {
  if (quiet_) QAccessible::installUpdateHandler(previous_);
}

void BeforeFocus(QWidget* w) {
  if (!w) return;
  const QWidget* client = w->parentWidget();
  const auto spoken = window::SpokenOnFocus(
      w->objectName().toStdString(),
      [client](std::string_view control) { return CaptionOf(client, control).toStdString(); });
  if (spoken.name) {
    w->setAccessibleName(QString::fromStdString(*spoken.name));
    SetWhereAmI(w, w->accessibleName());
  }
  if (spoken.description) w->setAccessibleDescription(QString::fromStdString(*spoken.description));
}

namespace {
QLabel* WhereAmILabel(const QWidget* w) {
  const QWidget* parent = w ? w->parentWidget() : nullptr;
  auto* label =
      parent ? parent->findChild<QLabel*>(w->objectName() + kWhereAmI, Qt::FindDirectChildrenOnly)
             : nullptr;
  return label && label->buddy() == w ? label : nullptr;
}
}  // namespace

void LabelForReaders(QWidget* w) {
  auto* label = new QLabel(w->parentWidget());
  label->setObjectName(w->objectName() + kWhereAmI);
  label->setBuddy(w);
  // Shown, or Qt reports no relation, but of no size: nothing of it is on the screen.
  label->setGeometry(0, 0, 0, 0);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SetWhereAmI(QWidget* w, const QString& text) {
  if (auto* label = WhereAmILabel(w)) label->setText(text);
}

ThrottledName::ThrottledName(QWidget* label, int intervalMs)
    : QObject(label), label_(label), intervalMs_(intervalMs) {
  later_.setSingleShot(true);
  connect(&later_, &QTimer::timeout, this, &ThrottledName::publish);
}

void ThrottledName::update(const QString& caption) {
  pending_ = caption;
  if (later_.isActive()) return;
  if (!since_.isValid() || since_.elapsed() >= intervalMs_) {
    publish();
  } else {
    later_.start(static_cast<int>(intervalMs_ - since_.elapsed()));
  }
}

void ThrottledName::publish() {
  since_.start();
  // An explicit name also stops the label from announcing each caption change itself.
  if (label_->accessibleName() != pending_) label_->setAccessibleName(pending_);
}

Announcer::Announcer(QWidget* window) : QLabel(window) {
  setObjectName("announcer");
  setGeometry(0, 0, 1, 1);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  hide();
  clock_.start();
  later_.setSingleShot(true);
  connect(&later_, &QTimer::timeout, this, &Announcer::flush);
}

void Announcer::clockShows(std::string_view clock) {
  waiting_.ClockShows(clock);
  flush();
}

void Announcer::focusMoved() {
  waiting_.FocusMoved(clock_.elapsed());
  flush();
}

void Announcer::flush() {
  const qint64 now = clock_.elapsed();
  if (const auto sentence = waiting_.Take(now)) {
    // Hidden and shown again: a reader speaks a notification as it shows.
    hide();
    setText(QString::fromStdString(*sentence));
    show();
  } else if (const auto due = waiting_.Due()) {
    later_.start(static_cast<int>(*due - now));
  }
}

}  // namespace quorvella::qt
