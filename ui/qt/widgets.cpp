// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/qt/widgets.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QFontDatabase>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "platform/text.h"

namespace quorvella::qt {
namespace {

using window::Border;
using window::ControlDesc;

// The faces to try for a designed family, best first: the designed face itself, then the
// nearest face of the same kind that Debian installs.
QStringList Candidates(const QString& family) {
  if (family == "Times New Roman") return {family, "Liberation Serif", "DejaVu Serif"};
  if (family == "Arial Black") return {family, "DejaVu Sans", "Liberation Sans"};
  return {family, "Liberation Sans", "DejaVu Sans"};
}

QString InstalledFamily(const QString& family) {
  static QHash<QString, QString> cache;
  auto it = cache.constFind(family);
  if (it != cache.constEnd()) return *it;
  QString chosen = family;
  for (const QString& candidate : Candidates(family)) {
    if (QFontDatabase::hasFamily(candidate)) {
      chosen = candidate;
      break;
    }
  }
  cache.insert(family, chosen);
  return chosen;
}

void ApplyCommon(QWidget* w, const ControlDesc& d, double zoom) {
  w->setObjectName(QString::fromStdString(d.name));
  if (d.rect) w->setGeometry(PixelRect(*d.rect, zoom));
  w->setFont(ResolveFont(d.font, zoom));
  if (!d.tooltip.empty()) w->setToolTip(QString::fromStdString(d.tooltip));
  if (d.pointer == window::Pointer::kIcon) w->setCursor(IconPointer());
  w->setEnabled(d.enabled);
}

// The colours of raised and sunken edges: light from the top left, shadow to the bottom right,
// the same on every control whatever the colour of its face. In high contrast an edge is drawn
// whole in the control's text colour, `line`, so that it shows on any background.
void SetEdgeColors(QPalette& pal, const std::optional<std::uint32_t>& line = std::nullopt,
                   bool highContrast = false) {
  if (highContrast && line) {
    for (const auto role :
         {QPalette::Light, QPalette::Midlight, QPalette::Dark, QPalette::Mid, QPalette::Shadow}) {
      pal.setColor(role, ColorFromRgb(*line));
    }
    return;
  }
  pal.setColor(QPalette::Light, QColor(255, 255, 255));
  pal.setColor(QPalette::Midlight, QColor(227, 227, 227));
  pal.setColor(QPalette::Dark, QColor(128, 128, 128));
  pal.setColor(QPalette::Mid, QColor(160, 160, 160));
  pal.setColor(QPalette::Shadow, QColor(0, 0, 0));
}

// `role` of `pal` in `rgb`, or in the toolkit's own colour of `w`'s kind without one.
void SetRole(QPalette& pal, QPalette::ColorRole role, const std::optional<std::uint32_t>& rgb,
             const QWidget* w) {
  pal.setColor(role, rgb ? ColorFromRgb(*rgb) : QApplication::palette(w).color(role));
}

// Width of the sunken edge of a text box.
constexpr int kEditEdge = 2;

}  // namespace

QRect PixelRect(const window::Rect& r, double zoom) {
  const auto px = [zoom](int twips) {
    return zoom == 1.0 ? window::TwipsToPixels(twips)
                       : static_cast<int>(std::lround(twips * zoom / window::kTwipsPerPixel));
  };
  return QRect(px(r.left), px(r.top), px(r.width), px(r.height));
}

QPixmap CrispPixmap(const QIcon& picture, int size, double zoom, double dpr) {
  const QPixmap own = picture.pixmap(QSize(size, size), 1.0);
  const int device = static_cast<int>(std::lround(size * zoom * dpr));
  if (own.isNull() || device == own.width()) return own;
  QPixmap pix = own.scaled(device, device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  pix.setDevicePixelRatio(dpr);
  return pix;
}

QFont ResolveFont(const window::Font& font, double zoom) {
  if (font.family.empty()) {
    QFont f;
    if (zoom != 1.0 && f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * zoom);
    return f;
  }
  QFont f(InstalledFamily(QString::fromStdString(font.family)));
  f.setPixelSize(static_cast<int>(std::lround(window::PointsToPixels(font.points) * zoom)));
  f.setWeight(static_cast<QFont::Weight>(font.weight));
  f.setItalic(font.italic);
  f.setUnderline(false);
  f.setStrikeOut(false);
  return f;
}

const QCursor& IconPointer() {
  static const QCursor cursor = [] {
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(0, 0, 15, 15);
    p.setBrush(Qt::NoBrush);
    p.drawRect(4, 4, 7, 7);
    p.end();
    return QCursor(pix, 8, 8);
  }();
  return cursor;
}

QIcon Picture(const std::string& id) {
  return id.empty() ? QIcon() : QIcon(":/pictures/" + QString::fromStdString(id) + ".ico");
}

QColor ColorFromRgb(std::uint32_t rgb) {
  return QColor(static_cast<int>(rgb & 0xff), static_cast<int>((rgb >> 8) & 0xff),
                static_cast<int>((rgb >> 16) & 0xff));
}

AutoLabel::AutoLabel(const ControlDesc& d, QWidget* parent, double zoom)
    : QLabel(parent), desc_(d), autoSize_(d.autoSize) {
  ApplyCommon(this, d, zoom);
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setIndent(0);
  setMargin(0);
  setFocusPolicy(Qt::NoFocus);
  setAlignment(Qt::AlignTop |
               (d.alignment == window::Alignment::kCenter ? Qt::AlignHCenter : Qt::AlignLeft));
  setColours(window::Colours());
  if (d.border == Border::kFixedSingle) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
  } else {
    setFrameStyle(QFrame::NoFrame);
  }
  // The described rectangle stands until the caption changes: it is the size the caption had
  // when the window was designed.
  setText(QString::fromStdString(d.caption));
}

void AutoLabel::setColours(const window::Colours& colours) {
  const window::ControlColours c = colours.Of(desc_);
  QPalette pal = palette();
  SetRole(pal, QPalette::WindowText, c.text, this);
  if (c.back) pal.setColor(QPalette::Window, ColorFromRgb(*c.back));
  setAutoFillBackground(c.back.has_value());
  SetEdgeColors(pal, c.text, colours.highContrast());
  setPalette(pal);
}

void AutoLabel::setCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  if (autoSize_) fitToCaption();
  emit captionChanged(caption);
}

void AutoLabel::fitToCaption() {
  const QSize textSize = fontMetrics().size(0, text());
  const int frame = 2 * frameWidth();
  resize(textSize.width() + frame, textSize.height() + frame);
}

AnswerBox::AnswerBox(const ControlDesc& d, QWidget* parent, double zoom)
    : QLineEdit(parent), desc_(d) {
  ApplyCommon(this, d, zoom);
  hint_ = toolTip();
  setToolTip(QString());
  if (d.maxLength > 0) setMaxLength(d.maxLength);
  // Whatever arrives by a road other than a typed key (the clipboard, a drop, the selection of
  // the X server) must be digits only: anything else is refused whole.
  const QString pattern = d.maxLength > 0 ? QString("[0-9]{0,%1}").arg(d.maxLength) : "[0-9]*";
  setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
  setAcceptDrops(false);
  setDragEnabled(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setFocusPolicy(Qt::StrongFocus);
  setColours(window::Colours());
  // The sunken edge is painted here, not by the style: the style's frame is a rounded line that
  // changes colour with the focus.
  setFrame(false);
  if (d.border == Border::kEditBox) {
    const int edge = std::max(1, static_cast<int>(std::lround(kEditEdge * zoom)));
    setTextMargins(edge, edge, edge, edge);
    edge_ = true;
  }
  setText(QString::fromStdString(d.caption));

  blinkRest_.setSingleShot(true);
  blinkRest_.setInterval(kBlinkTimeoutMs);
  connect(&blinkRest_, &QTimer::timeout, this, [this] {
    resting_ = true;
    QApplication::setCursorFlashTime(0);  // a steady caret
  });
}

void AnswerBox::setColours(const window::Colours& colours) {
  const window::ControlColours c = colours.Of(desc_);
  QPalette pal = palette();
  SetRole(pal, QPalette::Base, c.back, this);
  SetRole(pal, QPalette::Text, c.text, this);
  SetRole(pal, QPalette::Highlight, c.selection, this);
  SetRole(pal, QPalette::HighlightedText, c.selectionText, this);
  SetEdgeColors(pal, c.text, colours.highContrast());
  setPalette(pal);
}

// The desktop's caret flash time, read before any box set it to rest.
static int DesktopFlashTime() {
  static const int flashTime = QApplication::cursorFlashTime();
  return flashTime;
}

AnswerBox::~AnswerBox() {
  if (resting_) QApplication::setCursorFlashTime(DesktopFlashTime());
}

bool AnswerBox::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QLineEdit::event(event);
  // As QWidget shows its own tooltip.
  if (hint_.isEmpty()) {
    event->ignore();
  } else {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hint_, this, QRect(),
                       toolTipDuration());
  }
  return true;
}

void AnswerBox::WakeCaret() {
  DesktopFlashTime();
  if (resting_) {
    resting_ = false;
    QApplication::setCursorFlashTime(DesktopFlashTime());
  }
  blinkRest_.start();
}

void AnswerBox::focusInEvent(QFocusEvent* event) {
  WakeCaret();
  QLineEdit::focusInEvent(event);
}

void AnswerBox::mousePressEvent(QMouseEvent* event) {
  WakeCaret();
  QLineEdit::mousePressEvent(event);
}

void AnswerBox::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (!edge_) return;
  // Two lines on each side: grey over black at the top and left, white over light grey at the
  // bottom and right.
  QPainter p(this);
  qDrawWinPanel(&p, rect(), palette(), true, nullptr);
}

int AnswerBox::KeyAsciiOf(const QKeyEvent& e) {
  switch (e.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
      return -1;
    default:
      break;
  }
  const auto mods = e.modifiers();
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && e.key() >= Qt::Key_A &&
      e.key() <= Qt::Key_Z) {
    return e.key() - Qt::Key_A + 1;
  }
  const QString text = e.text();
  if (text.isEmpty()) return -1;
  const char32_t c = text.toUcs4().value(0);
  if (c == 0x7f) return -1;
  if (c < 0x20) return static_cast<int>(c);
  return KeyAsciiFromCodePoint(c);
}

void AnswerBox::keyPressEvent(QKeyEvent* event) {
  WakeCaret();
  // A held key acts once: its repeats neither type, nor judge, nor draw (a held Enter would
  // play the race: an empty box is right whenever a factor is 0). On X11 the repeats never get
  // this far (RepeatFilter); elsewhere Qt marks them.
  if (event->isAutoRepeat()) {
    event->accept();
    return;
  }
  const int code = KeyAsciiOf(*event);
  if (code < 0) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
  if (code == 13 && onDefaultKey && onDefaultKey()) return;
  auto k = static_cast<std::int16_t>(code);
  if (onKeyPress) onKeyPress(k);
  if (k == 0 || k == 13 || k == 27) return;
  if (k == 8 || k == code) {
    QLineEdit::keyPressEvent(event);
  } else {
    insert(QString(QChar(static_cast<char16_t>(k))));
  }
}

void AnswerBox::inputMethodEvent(QInputMethodEvent* event) {
  // Input methods are switched off for the box; should one still deliver text, only the digits
  // of its committed string count, and they go through the validator like any other insert.
  WakeCaret();
  QString digits;
  for (QChar c : event->commitString()) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (!digits.isEmpty()) insert(digits);
  event->accept();
}

PictureButton::PictureButton(const ControlDesc& d, QWidget* parent, double zoom)
    : QPushButton(QString::fromStdString(d.caption), parent),
      desc_(d),
      normal_(Picture(d.picture)),
      pressed_(Picture(d.picturePressed.empty() ? d.picture : d.picturePressed)),
      disabled_(Picture(d.pictureDisabled.empty() ? d.picture : d.pictureDisabled)),
      zoom_(zoom) {
  ApplyCommon(this, d, zoom);
  setFocusPolicy(Qt::StrongFocus);
  setAutoDefault(false);
  setColours(window::Colours());
}

void PictureButton::setColours(const window::Colours& colours) {
  const window::ControlColours c = colours.Of(desc_);
  QPalette pal = palette();
  SetRole(pal, QPalette::Button, c.back, this);
  SetRole(pal, QPalette::ButtonText, c.text, this);
  SetEdgeColors(pal, c.text, colours.highContrast());
  setPalette(pal);
  focus_ = c.focus;
  disabledText_ = colours.highContrast() ? colours.Of(desc_, false).text : std::nullopt;
  update();
}

const QIcon& PictureButton::currentPicture() const {
  if (!isEnabled()) return disabled_;
  if (isDown()) return pressed_;
  return normal_;
}

void PictureButton::paintEvent(QPaintEvent* event) {
  if (normal_.isNull()) {
    QPushButton::paintEvent(event);
    return;
  }
  QPainter p(this);
  // The face in its own colour, flat, inside a raised edge (sunken while pressed); the style's
  // bevel would shade the colour into a gradient. The button with the focus also wears a black
  // outline, as the one that Enter and Space click.
  const QBrush face = palette().brush(QPalette::Button);
  QRect bevel = rect();
  if (hasFocus()) {
    p.setPen(focus_ ? ColorFromRgb(*focus_) : palette().color(QPalette::Shadow));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bevel.adjusted(0, 0, -1, -1));
    bevel.adjust(1, 1, -1, -1);
  }
  qDrawWinButton(&p, bevel, palette(), isDown(), &face);

  const int shift = isDown() ? 1 : 0;
  constexpr int kPictureSize = 32;
  const int picture = static_cast<int>(std::lround(kPictureSize * zoom_));
  const int topMargin = static_cast<int>(std::lround(6 * zoom_));
  const QRect pictureRect((width() - picture) / 2 + shift, topMargin + shift, picture, picture);
  // Drawn from the 32-pixel image without smoothing, so the pixel art stays crisp when scaled.
  const QPixmap pix = CrispPixmap(currentPicture(), kPictureSize, zoom_, devicePixelRatioF());
  p.drawPixmap(pictureRect, pix);

  const QRect textRect(shift, pictureRect.bottom() + 2, width(),
                       height() - pictureRect.bottom() - 4);
  const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
  if (isEnabled()) {
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(textRect, flags, text());
  } else if (disabledText_) {
    // In high contrast a disabled caption is drawn flat, in the system's colour for it.
    p.setPen(ColorFromRgb(*disabledText_));
    p.drawText(textRect, flags, text());
  } else {
    // A disabled caption is engraved: a light copy one pixel down and right under a grey one.
    p.setPen(palette().color(QPalette::Light));
    p.drawText(textRect.translated(1, 1), flags, text());
    p.setPen(palette().color(QPalette::Dark));
    p.drawText(textRect, flags, text());
  }
  if (hasFocus()) {
    // The dotted focus rectangle, drawn here so that it shows whether or not the focus came
    // from the keyboard.
    QPen dots(palette().color(QPalette::ButtonText), 1, Qt::CustomDashLine);
    dots.setDashPattern({1, 1});
    p.setPen(dots);
    p.drawRect(rect().adjusted(4, 4, -5, -5));
  }
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    event->accept();
    // A held Enter clicks once, not once per repeat.
    if (isEnabled() && !event->isAutoRepeat()) click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

}  // namespace quorvella::qt
