#include "platform/qt/widgets.h"

#include <QFontDatabase>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <cmath>

#include "platform/runtime.h"

namespace quorvella::qt {
namespace {

using window::Border;
using window::ControlDesc;

QRect PixelRect(const window::Rect& r) {
  return QRect(window::TwipsToPixels(r.left), window::TwipsToPixels(r.top),
               window::TwipsToPixels(r.width), window::TwipsToPixels(r.height));
}

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

void ApplyCommon(QWidget* w, const ControlDesc& d) {
  w->setObjectName(QString::fromStdString(d.name));
  if (d.rect) w->setGeometry(PixelRect(*d.rect));
  w->setFont(ResolveFont(d.font));
  if (!d.tooltip.empty()) w->setToolTip(QString::fromStdString(d.tooltip));
  if (d.pointer == window::Pointer::kIcon) w->setCursor(IconPointer());
  w->setEnabled(d.enabled);
}

QIcon LoadPicture(const std::string& resource) {
  return resource.empty() ? QIcon() : QIcon(QString::fromStdString(resource));
}

}  // namespace

QFont ResolveFont(const window::Font& font) {
  if (font.family.empty()) return QFont();
  QFont f(InstalledFamily(QString::fromStdString(font.family)));
  f.setPixelSize(static_cast<int>(std::lround(window::PointsToPixels(font.points))));
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

QColor ColorFromRgb(std::uint32_t rgb) {
  return QColor(static_cast<int>(rgb & 0xff), static_cast<int>((rgb >> 8) & 0xff),
                static_cast<int>((rgb >> 16) & 0xff));
}

AutoLabel::AutoLabel(const ControlDesc& d, QWidget* parent) : QLabel(parent), autoSize_(d.autoSize) {
  ApplyCommon(this, d);
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setIndent(0);
  setMargin(0);
  setFocusPolicy(Qt::NoFocus);
  setAlignment(Qt::AlignTop |
               (d.alignment == window::Alignment::kCenter ? Qt::AlignHCenter : Qt::AlignLeft));
  QPalette pal = palette();
  if (d.foreColor) pal.setColor(QPalette::WindowText, ColorFromRgb(*d.foreColor));
  if (!d.transparent && d.backColor) {
    pal.setColor(QPalette::Window, ColorFromRgb(*d.backColor));
    setAutoFillBackground(true);
  } else {
    setAutoFillBackground(false);
  }
  setPalette(pal);
  if (d.border == Border::kFixedSingle) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
  } else {
    setFrameStyle(QFrame::NoFrame);
  }
  setText(QString::fromStdString(d.caption));
}

void AutoLabel::setCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  if (!autoSize_) return;
  const QSize textSize = fontMetrics().size(0, caption);
  const int frame = 2 * frameWidth();
  resize(textSize.width() + frame, textSize.height() + frame);
}

AnswerBox::AnswerBox(const ControlDesc& d, QWidget* parent) : QLineEdit(parent) {
  ApplyCommon(this, d);
  if (d.maxLength > 0) setMaxLength(d.maxLength);
  // Whatever arrives by a road other than a typed key (the clipboard, a drop, the selection of
  // the X server) must be digits only: anything else is refused whole.
  const QString pattern = d.maxLength > 0 ? QString("[0-9]{0,%1}").arg(d.maxLength) : "[0-9]*";
  setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
  setAcceptDrops(false);
  setDragEnabled(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setFocusPolicy(Qt::StrongFocus);
  QPalette pal = palette();
  if (d.backColor) pal.setColor(QPalette::Base, ColorFromRgb(*d.backColor));
  if (d.foreColor) pal.setColor(QPalette::Text, ColorFromRgb(*d.foreColor));
  setPalette(pal);
  setFrame(d.border == Border::kEditBox);
  setText(QString::fromStdString(d.caption));
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
  QString digits;
  for (QChar c : event->commitString()) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (!digits.isEmpty()) insert(digits);
  event->accept();
}

PictureButton::PictureButton(const ControlDesc& d, QWidget* parent)
    : QPushButton(QString::fromStdString(d.caption), parent),
      normal_(LoadPicture(d.picture)),
      pressed_(LoadPicture(d.picturePressed.empty() ? d.picture : d.picturePressed)),
      disabled_(LoadPicture(d.pictureDisabled.empty() ? d.picture : d.pictureDisabled)) {
  ApplyCommon(this, d);
  setFocusPolicy(Qt::StrongFocus);
  setAutoDefault(false);
  if (d.backColor) {
    QPalette pal = palette();
    pal.setColor(QPalette::Button, ColorFromRgb(*d.backColor));
    setPalette(pal);
  }
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
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text.clear();
  opt.icon = QIcon();
  p.drawControl(QStyle::CE_PushButtonBevel, opt);

  const int shift = isDown() ? 1 : 0;
  constexpr int kPicture = 32;
  constexpr int kTopMargin = 6;
  const QRect pictureRect((width() - kPicture) / 2 + shift, kTopMargin + shift, kPicture, kPicture);
  // Drawn from the 32-pixel image without smoothing, so the pixel art stays crisp when scaled.
  const QPixmap pix = currentPicture().pixmap(QSize(kPicture, kPicture), 1.0);
  p.drawPixmap(pictureRect, pix);

  const QRect textRect(shift, pictureRect.bottom() + 2, width(), height() - pictureRect.bottom() - 4);
  style()->drawItemText(&p, textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic,
                        opt.palette, isEnabled(), text(), QPalette::ButtonText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(4, 4, -4, -4);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    event->accept();
    if (isEnabled()) click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

}  // namespace quorvella::qt
