// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The look of the real window (offscreen): every control's rectangle, font and colours as the
// built widgets have them and as they paint, the auto-sized labels, the pictures and which one
// each button shows. The expected values come from the window description, converted as the
// design says (15 twips to the pixel, points at 96 dpi); only the faces that stand in for the
// designed fonts are written out here.
#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QtTest>
#include <cmath>
#include <set>

#include "qt/scripted_game.h"
#include "ui/qt/qt_form.h"
#include "ui/qt/widgets.h"
#include "window/description.h"

using namespace quorvella;
using quorvella::testing::ScriptedRandom;

namespace {

using window::ControlKind;

// The first question asks 4 x 9: the window is tinted RGB(80, 180, 200).
const QColor kTint(80, 180, 200);
const QColor kBlack(0, 0, 0);
const QColor kShadowGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

const window::ControlDesc& Described(const QString& name) {
  for (const auto& c : window::Tavola().controls) {
    if (QString::fromStdString(c.name) == name) return c;
  }
  throw std::logic_error("no control " + name.toStdString());
}

int Px(int twips) {
  return window::TwipsToPixels(twips);
}

QRect Pixels(const window::Rect& r) {
  return QRect(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
}

// The face that stands in for a designed one on Debian, as the README gives them.
QString StandIn(const std::string& family) {
  if (family == "Times New Roman") return "Liberation Serif";
  if (family == "Arial Black") return "DejaVu Sans";
  return "Liberation Sans";  // Arial, MS Sans Serif
}

// A picture of the description from the program's resources, loaded here without the binding.
QIcon Resource(const std::string& id) {
  return QIcon(":/pictures/" + QString::fromStdString(id) + ".ico");
}

// The game in the real window with a known record, player and first question.
struct Layout : testing::QtFixture {
  Layout() : QtFixture(ScriptedRandom::Factors(4, 9)) {
    testing::WriteBytes(dir.file("a.txt"), "123\r\n");
    testing::WriteBytes(dir.file("n.txt"), "Massimiliano\r\n");
    Start("Ada");
  }
  // The client area as it paints now, one image pixel per logical pixel.
  QImage Paint() { return client()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // Answers the open question wrongly: the window turns black.
  void AnswerWrong() {
    QTest::keyClicks(box(), "9999");
    QTest::keyClick(box(), Qt::Key_Return);
  }
};

QColor At(const QImage& image, QPoint p) {
  return QColor(image.pixel(p));
}

// How many pixels of `area` in `image` have `color`, each channel within a few steps of it (the
// edges of small text are blended with the ground). Only the part of `area` inside the image
// counts: the record line's labels reach below the window's bottom edge.
int CountColor(const QImage& image, const QRect& area, const QColor& color) {
  const QRect inside = area & image.rect();
  int n = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      const QColor c(image.pixel(x, y));
      if (std::abs(c.red() - color.red()) <= 40 && std::abs(c.green() - color.green()) <= 40 &&
          std::abs(c.blue() - color.blue()) <= 40) {
        ++n;
      }
    }
  }
  return n;
}

// Leftmost and rightmost columns of `area` (inside the image) holding a pixel different from
// `background`.
std::pair<int, int> InkColumns(const QImage& image, const QRect& area, const QColor& background) {
  const QRect inside = area & image.rect();
  int first = -1, last = -1;
  for (int x = inside.left(); x <= inside.right(); ++x) {
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
      if (image.pixel(x, y) != background.rgb()) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void clientArea();
  void controls_data();
  void controls();
  void autoSizeGrowsRight_data();
  void autoSizeGrowsRight();
  void colorsAndBorders_data();
  void colorsAndBorders();
  void pictures_data();
  void pictures();
  void windowIcon();
  void buttonPictures_data();
  void buttonPictures();
};

void LayoutTest::initTestCase() {
  testing::QuietOffscreenPlatform();
  // The program's own style.
  QApplication::setStyle(QStyleFactory::create("Fusion"));
}

void LayoutTest::clientArea() {
  Layout g;
  QVERIFY(g.form.widget());
  const QSize client(Px(window::Tavola().clientWidth), Px(window::Tavola().clientHeight));
  QCOMPARE(client, QSize(792, 554));
  QCOMPARE(g.client()->size(), client);
  // Right under the menu bar, the window no larger than the two.
  QMenuBar* bar = g.form.widget()->menuBar();
  QCOMPARE(g.client()->y(), bar->geometry().bottom() + 1);
  QCOMPARE(g.form.widget()->size(), QSize(client.width(), bar->height() + client.height()));
}

// Every described control with a rectangle: a widget of the client area at its rectangle in
// pixels, and in its font, matched by the nearest installed face of the designed kind at the
// designed size in pixels at 96 dpi. An auto-sized label whose caption the start of the race
// changed keeps its designed top-left corner (its size follows: autoSizeGrowsRight).
void LayoutTest::controls_data() {
  QTest::addColumn<QString>("name");
  for (const auto& c : window::Tavola().controls) {
    if (c.rect) QTest::newRow(c.name.c_str()) << QString::fromStdString(c.name);
  }
}

void LayoutTest::controls() {
  QFETCH(QString, name);
  const window::ControlDesc& c = Described(name);
  Layout g;
  QWidget* widget = g.w(name);
  QVERIFY(widget);
  QCOMPARE(widget->parentWidget(), g.client());
  const auto* label = qobject_cast<QLabel*>(widget);
  if (c.kind == ControlKind::kLabel && c.autoSize &&
      label->text() != QString::fromStdString(c.caption)) {
    QCOMPARE(widget->pos(), Pixels(*c.rect).topLeft());
  } else {
    QCOMPARE(widget->geometry(), Pixels(*c.rect));
  }
  if (c.font.family.empty()) return;
  // What the font system matched, not only what was asked for.
  const QFontInfo info(widget->font());
  QCOMPARE(info.family(), StandIn(c.font.family));
  QCOMPARE(info.pixelSize(), static_cast<int>(std::lround(c.font.points * 96 / 72)));
  QCOMPARE(info.bold(), c.font.weight >= 700);
  QCOMPARE(info.italic(), c.font.italic);
  QCOMPARE(widget->font().underline(), false);
}

// An auto-sized label keeps its left and top edge and takes the width of its caption in its
// font, border included, on one line: it grows to the right as the caption grows.
void LayoutTest::autoSizeGrowsRight_data() {
  QTest::addColumn<QString>("shorter");
  QTest::addColumn<QString>("longer");
  QTest::newRow("lblNum1: one digit") << ""
                                      << "7";
  QTest::newRow("lblNum2: one digit") << ""
                                      << "8";
  QTest::newRow("lblScore: two digits") << "9"
                                        << "10";
  QTest::newRow("lblScore1: two digits") << "3"
                                         << "25";
  QTest::newRow("lblScore2: three digits") << "99"
                                           << "100";
  QTest::newRow("lblnome1: a long name") << "Ada"
                                         << "Giovanni Battista Rossi";
  QTest::newRow("lblnome: a long name") << "Eva"
                                        << "Maria Antonietta Ferraris";
  QTest::newRow("lblpunti: four digits") << "7"
                                         << "1234";
}

void LayoutTest::autoSizeGrowsRight() {
  QFETCH(QString, shorter);
  QFETCH(QString, longer);
  const QString name = QString(QTest::currentDataTag()).section(':', 0, 0);
  QVERIFY(Described(name).autoSize);
  const QPoint topLeft = Pixels(*Described(name).rect).topLeft();
  Layout g;
  auto* label = g.w<QLabel>(name);
  QVERIFY(label);
  Label& control = g.form.label(name.toStdString());

  control.SetCaption(shorter.toStdString());
  const QRect small = label->geometry();
  control.SetCaption(longer.toStdString());
  const QRect large = label->geometry();
  QCOMPARE(small.topLeft(), topLeft);
  QCOMPARE(large.topLeft(), topLeft);
  QCOMPARE(large.height(), small.height());
  QVERIFY2(large.width() > small.width(),
           qPrintable(QString("%1 -> %2").arg(small.width()).arg(large.width())));

  // One line high, and the whole caption inside the border: no clipping, no slack.
  const QFontMetrics metrics(label->font());
  const int frame = label->frameWidth();
  QVERIFY(large.height() >= metrics.height() + 2 * frame);
  QVERIFY(large.height() < 2 * metrics.lineSpacing());
  QVERIFY(large.width() >= metrics.horizontalAdvance(longer) + 2 * frame);
  // The caption's ink reaches across the label, from near its left edge to near its right.
  const QImage image = g.Paint();
  const QRect inside = large.adjusted(frame, frame, -frame, -frame);
  const auto [first, last] = InkColumns(image, inside, At(image, inside.topLeft()));
  QVERIFY2(first >= 0, "no caption painted");
  QVERIFY2(first - inside.left() <= 6, qPrintable(QString::number(first - inside.left())));
  QVERIFY2(inside.right() - last <= 6, qPrintable(QString::number(inside.right() - last)));
}

// Colours and borders as the window paints them, with the first question open (the window
// tinted) and after a wrong answer (the window black), for every label, the text box and the
// enabled picture button. Transparent labels show the window.
enum class Edge { kNone, kSingle, kEditBox, kRaised };

void LayoutTest::colorsAndBorders_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("wrong");  // after a wrong answer
  for (const auto& c : window::Tavola().controls) {
    const bool shown = c.kind == ControlKind::kLabel || c.kind == ControlKind::kTextBox ||
                       (c.kind == ControlKind::kCommandButton && c.enabled && !c.picture.empty());
    if (!shown) continue;
    for (bool wrong : {false, true}) {
      QTest::addRow("%s %s", c.name.c_str(), wrong ? "on black" : "tinted")
          << QString::fromStdString(c.name) << wrong;
    }
  }
}

void LayoutTest::colorsAndBorders() {
  QFETCH(QString, name);
  QFETCH(bool, wrong);
  const window::ControlDesc& c = Described(name);
  const QColor fore = c.foreColor ? qt::ColorFromRgb(*c.foreColor) : kBlack;  // default: dark
  const bool showsWindow = c.kind == ControlKind::kLabel && c.transparent;
  const QColor back = showsWindow ? (wrong ? kBlack : kTint) : qt::ColorFromRgb(*c.backColor);
  const Edge edge = c.kind == ControlKind::kCommandButton      ? Edge::kRaised
                    : c.border == window::Border::kEditBox     ? Edge::kEditBox
                    : c.border == window::Border::kFixedSingle ? Edge::kSingle
                                                               : Edge::kNone;
  Layout g;
  if (wrong) g.AnswerWrong();
  QWidget* widget = g.w(name);
  QVERIFY(widget);
  // A control without a caption gets one, so that its colour shows.
  if (auto* box = qobject_cast<QLineEdit*>(widget); box && box->text().isEmpty()) {
    box->setText("42");
  } else if (auto* label = qobject_cast<QLabel*>(widget); label && label->text().isEmpty()) {
    g.form.label(name.toStdString()).SetCaption("42");
  }
  const QImage image = g.Paint();
  const QRect r = widget->geometry();
  const QPoint tl = r.topLeft(), br = r.bottomRight();
  const QPoint in(1, 1);

  const int border = edge == Edge::kSingle ? 1 : edge == Edge::kNone ? 0 : 2;
  // The inside, at its top right corner where no caption reaches. (The record line's labels
  // hold the line end read from the files and reach below the window's bottom edge.)
  QCOMPARE(At(image, QPoint(r.right() - border - 1, r.top() + border + 1)), back);
  // The caption in its colour, unless it is the colour of the ground.
  if (fore != back) {
    QVERIFY2(CountColor(image, r, fore) >= 10, "caption colour not painted");
  }

  switch (edge) {
    case Edge::kNone:
      QCOMPARE(At(image, QPoint(r.right(), r.top())), back);
      break;
    case Edge::kSingle:  // one grey line at the top and left, one white at the bottom and right
      QCOMPARE(At(image, tl), kShadowGrey);
      QCOMPARE(At(image, QPoint(tl.x(), r.center().y())), kShadowGrey);
      QCOMPARE(At(image, br), kWhite);
      QCOMPARE(At(image, QPoint(r.center().x(), br.y())), kWhite);
      break;
    case Edge::kEditBox:  // grey over black at the top and left, white over light grey
      QCOMPARE(At(image, tl), kShadowGrey);
      QCOMPARE(At(image, tl + in), kBlack);
      QCOMPARE(At(image, br), kWhite);
      QCOMPARE(At(image, br - in), QColor(227, 227, 227));
      break;
    case Edge::kRaised:  // white at the top and left, black over grey at the bottom and right
      QCOMPARE(At(image, tl), kWhite);
      QCOMPARE(At(image, br), kBlack);
      QCOMPARE(At(image, br - in), kShadowGrey);
      QCOMPARE(At(image, tl + in), back);
      break;
  }
}

// Every picture file: its images, their sizes, at most 16 colours and a transparent mask.
void LayoutTest::pictures_data() {
  QTest::addColumn<QString>("resource");
  QTest::addColumn<QList<int>>("sizes");
  QTest::newRow("window icon") << ":/pictures/quorvella.ico" << QList<int>{16, 32, 48};
  QTest::newRow("stopwatch") << ":/pictures/stopwatch.ico" << QList<int>{16, 32};
  QTest::newRow("smiling face") << ":/pictures/face-smile.ico" << QList<int>{16, 32};
  QTest::newRow("straight face") << ":/pictures/face-straight.ico" << QList<int>{16, 32};
  QTest::newRow("laughing face") << ":/pictures/face-laugh.ico" << QList<int>{16, 32};
  QTest::newRow("no entry") << ":/pictures/noentry.ico" << QList<int>{16, 32};
}

void LayoutTest::pictures() {
  QFETCH(QString, resource);
  QFETCH(QList<int>, sizes);
  QImageReader reader(resource);
  QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
  QList<int> found;
  for (int i = 0; i < reader.imageCount(); ++i) {
    QVERIFY(reader.jumpToImage(i));
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.width(), image.height());
    found.append(image.width());
    std::set<QRgb> colours;
    int transparent = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        if (qAlpha(p) == 0) {
          ++transparent;
        } else {
          QCOMPARE(qAlpha(p), 255);  // a mask, no half-transparent pixels
          colours.insert(p);
        }
      }
    }
    QVERIFY2(colours.size() <= 16, qPrintable(QString::number(colours.size())));
    QVERIFY2(colours.size() >= 2, "a picture of one colour");
    QVERIFY2(transparent > 0, "no transparent pixel");
    QVERIFY2(transparent < image.width() * image.height(), "nothing drawn");
  }
  std::sort(found.begin(), found.end());
  QCOMPARE(found, sizes);
}

void LayoutTest::windowIcon() {
  Layout g;
  const QList<QSize> sizes = g.form.widget()->windowIcon().availableSizes();
  for (int s : {16, 32, 48}) QVERIFY2(sizes.contains(QSize(s, s)), qPrintable(QString::number(s)));
  // The stopwatch shows at its full size in the picture's rectangle.
  const window::ControlDesc& picture = Described("Image1");
  const QPoint at = Pixels(*picture.rect).topLeft();
  const QImage image = g.Paint();
  const QImage stopwatch = Resource(picture.picture).pixmap(32, 32).toImage();
  int drawn = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (qAlpha(stopwatch.pixel(x, y)) == 255) {
        QCOMPARE(image.pixel(at.x() + x, at.y() + y), stopwatch.pixel(x, y) | 0xff000000);
        ++drawn;
      } else {
        QCOMPARE(At(image, at + QPoint(x, y)), kTint);
      }
    }
  }
  QVERIFY(drawn > 100);
}

// The picture a button shows when normal, pressed and disabled (the normal one where the
// description gives none for the state), and where it paints it: centred in the upper part of
// the face (one pixel down and right while pressed), the caption below.
void LayoutTest::buttonPictures_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("state");
  QTest::addColumn<QString>("picture");
  for (const auto& c : window::Tavola().controls) {
    if (c.kind != ControlKind::kCommandButton || c.picture.empty()) continue;
    const std::pair<const char*, std::string> states[] = {
        {"normal", c.picture},
        {"pressed", c.picturePressed.empty() ? c.picture : c.picturePressed},
        {"disabled", c.pictureDisabled.empty() ? c.picture : c.pictureDisabled},
    };
    for (const auto& [state, picture] : states) {
      QTest::addRow("%s %s", c.name.c_str(), state)
          << QString::fromStdString(c.name) << state << QString::fromStdString(picture);
    }
  }
}

void LayoutTest::buttonPictures() {
  QFETCH(QString, name);
  QFETCH(QString, state);
  QFETCH(QString, picture);
  Layout g;
  auto* button = g.w<qt::PictureButton>(name);
  QVERIFY(button);
  button->setEnabled(state != "disabled");
  button->setDown(state == "pressed");
  button->clearFocus();

  const QImage expected = Resource(picture.toStdString()).pixmap(32, 32).toImage();
  const QImage shown = button->currentPicture().pixmap(32, 32).toImage();
  QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
           expected.convertToFormat(QImage::Format_ARGB32));

  // Painted: the picture over the face colour, then the caption's ink below it.
  const QImage painted = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const int shift = state == "pressed" ? 1 : 0;
  const QPoint origin((button->width() - 32) / 2 + shift, 6 + shift);
  QImage over(32, 32, QImage::Format_RGB32);
  over.fill(button->palette().color(QPalette::Button));
  QPainter(&over).drawImage(0, 0, expected);
  QCOMPARE(painted.copy(QRect(origin, QSize(32, 32))), over);
  const QRect captionArea(2, origin.y() + 34, button->width() - 4,
                          button->height() - origin.y() - 36);
  QVERIFY(captionArea.height() > 8);
  const auto [first, last] =
      InkColumns(painted, captionArea, button->palette().color(QPalette::Button));
  QVERIFY2(first > 0, "no caption under the picture");
  // Centred: as much room on either side, give or take a pixel for odd widths.
  QVERIFY(std::abs((first - captionArea.left()) - (captionArea.right() - last)) <= 3 + shift);
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
