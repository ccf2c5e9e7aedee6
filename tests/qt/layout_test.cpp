// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The look of the real window (offscreen): every control's rectangle, font and colours as the
// built widgets have them and as they paint, the auto-sized labels, the pictures and which one
// each button shows. The expected values are written out here, in pixels, from the design.
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
#include <set>

#include "common/temp_dir.h"
#include "qt/scripted_game.h"
#include "ui/qt/qt_form.h"
#include "ui/qt/widgets.h"
#include "window/description.h"

using namespace quorvella;
using quorvella::testing::FakeUi;
using quorvella::testing::FixedClock;
using quorvella::testing::ScriptedRandom;
using quorvella::testing::TempDir;

namespace {

// The first question asks 4 x 9: the window is tinted RGB(80, 180, 200).
const QColor kTint(80, 180, 200);
const QColor kBlack(0, 0, 0);
const QColor kShadowGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

// The game in the real window with a known record, player and first question.
struct OwnDir {
  TempDir dir;
};
struct Layout : OwnDir, quorvella::testing::ScriptedQtGame {
  Layout() : ScriptedQtGame(dir.dir(), ScriptedRandom::Factors(4, 9)) {
    testing::WriteBytes(dir.file("a.txt"), "123\r\n");
    testing::WriteBytes(dir.file("n.txt"), "Massimiliano\r\n");
    ui.names.push_back("Ada");
    form.Start();
    if (form.widget() && !QTest::qWaitForWindowActive(form.widget())) {
      qWarning("the window did not become active");
    }
  }
  template <class T = QWidget>
  T* w(const QString& name) {
    return form.widget()->findChild<T*>(name);
  }
  QWidget* client() { return form.widget()->centralWidget(); }
  // The client area as it paints now, one image pixel per logical pixel.
  QImage Paint() { return client()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // Answers the open question wrongly: the window turns black.
  void AnswerWrong() {
    auto* box = w<QLineEdit>("txtAnswer");
    QTest::keyClicks(box, "9999");
    QTest::keyClick(box, Qt::Key_Return);
  }
};

QColor At(const QImage& image, QPoint p) {
  return QColor(image.pixel(p));
}

// How many pixels of `area` in `image` have `color`, each channel within a few steps of it (the
// edges of small text are blended with the ground).
int CountColor(const QImage& image, const QRect& area, const QColor& color) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c(image.pixel(x, y));
      if (std::abs(c.red() - color.red()) <= 40 && std::abs(c.green() - color.green()) <= 40 &&
          std::abs(c.blue() - color.blue()) <= 40) {
        ++n;
      }
    }
  }
  return n;
}

// Leftmost and rightmost columns of `area` holding a pixel different from `background`.
std::pair<int, int> InkColumns(const QImage& image, const QRect& area, const QColor& background) {
  int first = -1, last = -1;
  for (int x = area.left(); x <= area.right(); ++x) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
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
  void rectangles_data();
  void rectangles();
  void autoSizeGrowsRight_data();
  void autoSizeGrowsRight();
  void fonts_data();
  void fonts();
  void colorsAndBorders_data();
  void colorsAndBorders();
  void pictures_data();
  void pictures();
  void windowIcon();
  void buttonPictures_data();
  void buttonPictures();
};

void LayoutTest::initTestCase() {
  // The program's own style.
  QApplication::setStyle(QStyleFactory::create("Fusion"));
}

void LayoutTest::clientArea() {
  Layout g;
  QVERIFY(g.form.widget());
  QCOMPARE(g.client()->size(), QSize(792, 554));
  // Right under the menu bar, the window no larger than the two.
  QMenuBar* bar = g.form.widget()->menuBar();
  QCOMPARE(g.client()->y(), bar->geometry().bottom() + 1);
  QCOMPARE(g.form.widget()->size(), QSize(792, bar->height() + 554));
}

// Rectangles in pixels (15 twips each), relative to the client area. Auto-sized labels whose
// caption the start of the race has not changed keep their designed rectangle.
void LayoutTest::rectangles_data() {
  QTest::addColumn<QRect>("rect");
  QTest::newRow("txtAnswer") << QRect(544, 0, 185, 80);
  QTest::newRow("cmdNext") << QRect(280, 352, 121, 73);
  QTest::newRow("cmdExit") << QRect(512, 352, 137, 73);
  QTest::newRow("Command1") << QRect(312, 376, 57, 41);
  QTest::newRow("Label13") << QRect(400, 504, 97, 29);
  QTest::newRow("Label12") << QRect(8, 504, 153, 25);
  QTest::newRow("Label14") << QRect(0, 368, 95, 28);
  QTest::newRow("Label5") << QRect(136, 144, 441, 41);
  QTest::newRow("lblconto") << QRect(0, 152, 105, 33);
  QTest::newRow("Label11") << QRect(0, 120, 105, 25);
  QTest::newRow("Label3") << QRect(496, 224, 156, 33);
  QTest::newRow("Label1") << QRect(256, 224, 168, 33);
  QTest::newRow("lblScore2") << QRect(554, 272, 37, 59);
  QTest::newRow("lblScore1") << QRect(322, 272, 36, 59);
  QTest::newRow("Image1") << QRect(104, 112, 32, 32);
  QTest::newRow("Label4") << QRect(392, 0, 41, 65);
  QTest::newRow("Label2") << QRect(160, 0, 41, 65);
  QTest::newRow("lblScore") << QRect(72, 272, 37, 59);
  QTest::newRow("lblMessage") << QRect(112, 136, 441, 41);
  QTest::newRow("Label6") << QRect(16, 224, 171, 33);
}

void LayoutTest::rectangles() {
  QFETCH(QRect, rect);
  Layout g;
  QWidget* widget = g.w(QTest::currentDataTag());
  QVERIFY(widget);
  QCOMPARE(widget->parentWidget(), g.client());
  QCOMPARE(widget->geometry(), rect);
}

// An auto-sized label keeps its left and top edge and takes the width of its caption in its
// font, border included, on one line: it grows to the right as the caption grows.
void LayoutTest::autoSizeGrowsRight_data() {
  QTest::addColumn<QPoint>("topLeft");
  QTest::addColumn<QString>("shorter");
  QTest::addColumn<QString>("longer");
  QTest::newRow("lblNum1: one digit") << QPoint(56, 0) << ""
                                      << "7";
  QTest::newRow("lblNum2: one digit") << QPoint(277, 0) << ""
                                      << "8";
  QTest::newRow("lblScore: two digits") << QPoint(72, 272) << "9"
                                        << "10";
  QTest::newRow("lblScore1: two digits") << QPoint(322, 272) << "3"
                                         << "25";
  QTest::newRow("lblScore2: three digits") << QPoint(554, 272) << "99"
                                           << "100";
  QTest::newRow("lblnome1: a long name") << QPoint(8, 432) << "Ada"
                                         << "Giovanni Battista Rossi";
  QTest::newRow("lblnome: a long name") << QPoint(168, 504) << "Eva"
                                        << "Maria Antonietta Ferraris";
  QTest::newRow("lblpunti: four digits") << QPoint(512, 496) << "7"
                                         << "1234";
}

void LayoutTest::autoSizeGrowsRight() {
  QFETCH(QPoint, topLeft);
  QFETCH(QString, shorter);
  QFETCH(QString, longer);
  const QString name = QString(QTest::currentDataTag()).section(':', 0, 0);
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

// Fonts: the nearest installed face of the designed kind, sized in pixels at 96 dpi.
void LayoutTest::fonts_data() {
  QTest::addColumn<QString>("family");
  QTest::addColumn<int>("pixels");
  QTest::addColumn<bool>("bold");
  QTest::addColumn<bool>("italic");
  const QString sans = "Liberation Sans";    // for Arial and MS Sans Serif
  const QString serif = "Liberation Serif";  // for Times New Roman
  const QString heavy = "DejaVu Sans";       // bold, for Arial Black
  QTest::newRow("txtAnswer") << sans << 64 << true << false;
  QTest::newRow("cmdNext") << sans << 11 << true << false;
  QTest::newRow("cmdExit") << sans << 11 << true << false;
  QTest::newRow("lblpunti") << sans << 32 << false << false;
  QTest::newRow("Label13") << sans << 24 << false << false;
  QTest::newRow("lblnome") << sans << 24 << true << false;
  QTest::newRow("Label12") << sans << 24 << false << false;
  QTest::newRow("lblnome1") << sans << 18 << true << false;
  QTest::newRow("Label14") << sans << 18 << false << false;
  QTest::newRow("Label5") << sans << 32 << true << true;
  QTest::newRow("lblconto") << heavy << 16 << true << false;
  QTest::newRow("Label11") << sans << 13 << false << false;
  QTest::newRow("Label3") << sans << 24 << false << false;
  QTest::newRow("Label1") << sans << 24 << false << false;
  QTest::newRow("lblScore2") << serif << 48 << true << false;
  QTest::newRow("lblScore1") << serif << 48 << true << false;
  QTest::newRow("lblNum2") << sans << 64 << true << false;
  QTest::newRow("Label4") << sans << 64 << true << false;
  QTest::newRow("Label2") << sans << 64 << false << false;
  QTest::newRow("lblNum1") << sans << 64 << true << false;
  QTest::newRow("lblScore") << serif << 48 << true << false;
  QTest::newRow("lblMessage") << sans << 32 << true << true;
  QTest::newRow("Label6") << sans << 24 << false << false;
}

void LayoutTest::fonts() {
  QFETCH(QString, family);
  QFETCH(int, pixels);
  QFETCH(bool, bold);
  QFETCH(bool, italic);
  Layout g;
  QWidget* widget = g.w(QTest::currentDataTag());
  QVERIFY(widget);
  // What the font system matched, not only what was asked for.
  const QFontInfo info(widget->font());
  QCOMPARE(info.family(), family);
  QCOMPARE(info.pixelSize(), pixels);
  QCOMPARE(info.bold(), bold);
  QCOMPARE(info.italic(), italic);
  QCOMPARE(widget->font().underline(), false);
}

// Colours and borders as the window paints them, with the first question open (the window
// tinted) and after a wrong answer (the window black). Transparent labels show the window.
enum class Edge { kNone, kSingle, kEditBox, kRaised };

void LayoutTest::colorsAndBorders_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("wrong");       // after a wrong answer
  QTest::addColumn<QString>("caption");  // set first, when not empty
  QTest::addColumn<QColor>("fore");
  QTest::addColumn<QColor>("back");  // inside the border, away from the caption
  QTest::addColumn<int>("edge");

  const QColor cyan(0, 255, 255), paleCyan(128, 255, 255), red(255, 0, 0), green(0, 192, 0),
      darkGreen(0, 128, 0), blue(0, 0, 255), yellow(255, 255, 0), magenta(192, 0, 192);
  struct Row {
    const char* name;
    const char* caption;
    QColor fore;
    std::optional<QColor> back;  // none: transparent
    Edge edge;
  };
  const Row rows[] = {
      {"lblpunti", "", magenta, {}, Edge::kNone},
      {"Label13", "", magenta, {}, Edge::kNone},
      {"lblnome", "", blue, {}, Edge::kNone},
      {"Label12", "", magenta, {}, Edge::kNone},
      {"lblnome1", "", darkGreen, {}, Edge::kSingle},
      {"Label14", "", darkGreen, {}, Edge::kSingle},
      {"Label5", "Tempo scaduto", red, {}, Edge::kNone},
      {"lblconto", "", yellow, {}, Edge::kSingle},
      {"Label11", "", yellow, {}, Edge::kNone},
      {"Label3", "", blue, {}, Edge::kSingle},
      {"Label1", "", red, {}, Edge::kSingle},
      {"lblScore2", "", blue, {}, Edge::kSingle},
      {"lblScore1", "", red, {}, Edge::kSingle},
      {"lblNum2", "", kBlack, cyan, Edge::kSingle},
      {"Label4", "", kBlack, paleCyan, Edge::kNone},
      {"Label2", "", kBlack, paleCyan, Edge::kNone},
      {"lblNum1", "", kBlack, cyan, Edge::kSingle},
      {"lblScore", "", kBlack, {}, Edge::kSingle},
      {"lblMessage", "Esatto", red, {}, Edge::kNone},
      {"Label6", "", green, {}, Edge::kSingle},
      {"txtAnswer", "42", kBlack, cyan, Edge::kEditBox},
      {"cmdExit", "", kBlack, magenta, Edge::kRaised},
  };
  for (const auto& r : rows) {
    for (bool wrong : {false, true}) {
      const QColor back = r.back ? *r.back : wrong ? kBlack : kTint;
      QTest::addRow("%s %s", r.name, wrong ? "on black" : "tinted")
          << r.name << wrong << r.caption << r.fore << back << static_cast<int>(r.edge);
    }
  }
}

void LayoutTest::colorsAndBorders() {
  QFETCH(QString, name);
  QFETCH(bool, wrong);
  QFETCH(QString, caption);
  QFETCH(QColor, fore);
  QFETCH(QColor, back);
  QFETCH(int, edge);
  Layout g;
  if (wrong) g.AnswerWrong();
  QWidget* widget = g.w(name);
  QVERIFY(widget);
  if (!caption.isEmpty()) {
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
      box->setText(caption);
    } else {
      g.form.label(name.toStdString()).SetCaption(caption.toStdString());
    }
  }
  const QImage image = g.Paint();
  const QRect r = widget->geometry();
  const QPoint tl = r.topLeft(), br = r.bottomRight();
  const QPoint in(1, 1);

  const int border = edge == int(Edge::kSingle) ? 1 : edge == int(Edge::kNone) ? 0 : 2;
  // The inside, at its top right corner where no caption reaches. (The record line's labels
  // hold the line end read from the files and reach below the window's bottom edge.)
  QCOMPARE(At(image, QPoint(r.right() - border - 1, r.top() + border + 1)), back);
  // The caption in its colour, unless it is the colour of the ground.
  if (fore != back) {
    QVERIFY2(CountColor(image, r, fore) >= 10, "caption colour not painted");
  }

  switch (static_cast<Edge>(edge)) {
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
  const QImage image = g.Paint();
  const QImage stopwatch = QIcon(":/pictures/stopwatch.ico").pixmap(32, 32).toImage();
  int drawn = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (qAlpha(stopwatch.pixel(x, y)) == 255) {
        QCOMPARE(image.pixel(104 + x, 112 + y), stopwatch.pixel(x, y) | 0xff000000);
        ++drawn;
      } else {
        QCOMPARE(At(image, QPoint(104 + x, 112 + y)), kTint);
      }
    }
  }
  QVERIFY(drawn > 100);
}

// The picture a button shows when normal, pressed and disabled, and where it paints it: centred
// in the upper part of the face (one pixel down and right while pressed), the caption below.
void LayoutTest::buttonPictures_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("state");
  QTest::addColumn<QString>("resource");
  QTest::newRow("cmdNext normal") << "cmdNext"
                                  << "normal"
                                  << ":/pictures/face-smile.ico";
  QTest::newRow("cmdNext pressed") << "cmdNext"
                                   << "pressed"
                                   << ":/pictures/face-laugh.ico";
  QTest::newRow("cmdNext disabled") << "cmdNext"
                                    << "disabled"
                                    << ":/pictures/face-straight.ico";
  QTest::newRow("cmdExit normal") << "cmdExit"
                                  << "normal"
                                  << ":/pictures/noentry.ico";
  QTest::newRow("cmdExit pressed") << "cmdExit"
                                   << "pressed"
                                   << ":/pictures/noentry.ico";
  QTest::newRow("cmdExit disabled") << "cmdExit"
                                    << "disabled"
                                    << ":/pictures/noentry.ico";
}

void LayoutTest::buttonPictures() {
  QFETCH(QString, name);
  QFETCH(QString, state);
  QFETCH(QString, resource);
  Layout g;
  auto* button = g.w<qt::PictureButton>(name);
  QVERIFY(button);
  button->setEnabled(state != "disabled");
  button->setDown(state == "pressed");
  button->clearFocus();

  const QImage expected = QIcon(resource).pixmap(32, 32).toImage();
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
