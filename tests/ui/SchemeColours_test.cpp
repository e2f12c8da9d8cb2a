// The colours texts are drawn in, over the desktop schemes users meet: the
// default light palette, Fusion's dark one and three qt6ct schemes. Every text
// reads on its background at 4.5:1 or more; the light palette keeps the
// program's designed colours exactly. The figures are printed for the record.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include "ui/uiDBGrid.h"
#include "ui/uiSchemeColours.h"
#include "tests/ui/support/MainWindowFixture.h"

Q_DECLARE_METATYPE(QPalette)

namespace {

// A qt6ct colour scheme's active colours, in the order of QPalette's roles.
QPalette Qt6ctScheme(const QString& activeColours) {
  QPalette p;
  const QStringList colours = activeColours.split(QLatin1Char(','));
  for (int role = 0; role < colours.size() && role < QPalette::NColorRoles; ++role)
    p.setColor(QPalette::All, static_cast<QPalette::ColorRole>(role), QColor(colours[role].trimmed()));
  return p;
}

// Fusion's palette for a dark desktop: the window grey, a darker base, light
// text, the highlight blue, which also serves as its link colour.
QPalette FusionDark() {
  const QColor windowText(240, 240, 240), window(50, 50, 50);
  const QColor base = window.darker(140);
  QPalette p(windowText, window, window.lighter(150), window.darker(150), window.darker(130), windowText, base);
  p.setColor(QPalette::Highlight, QColor(48, 140, 198));
  p.setColor(QPalette::HighlightedText, windowText);
  p.setColor(QPalette::Link, QColor(48, 140, 198));
  return p;
}

QPalette DefaultLight() { return QStyleFactory::create(QStringLiteral("Fusion"))->standardPalette(); }

// Copied from /usr/share/qt6ct/colors/*.conf (active_colors).
const char* const kDarker =
    "#ffffffff, #ff424245, #ff979797, #ff5e5c5b, #ff302f2e, #ff4a4947, #ffffffff, #ffffffff, #ffffffff, #ff3d3d3d, "
    "#ff222020, #ffe7e4e0, #ff12608a, #fff9f9f9, #ff0986d3, #ffa70b06, #ff5c5b5a, #ffffffff, #ff3f3f36, #ffffffff, "
    "#80ffffff";
const char* const kAiry =
    "#ff000000, #ffdcdcdc, #ffdcdcdc, #ff5e5c5b, #ff646464, #ffe1e1e1, #ff000000, #ff0a0a0a, #ff0a0a0a, #ffc8c8c8, "
    "#ffffffff, #ffe7e4e0, #ff0986d3, #ff0a0a0a, #ff0986d3, #ffa70b06, #ff5c5b5a, #ffffffff, #ff646464, #ff050505, "
    "#80000000";
const char* const kSimple =
    "#ff000000, #ffefebe7, #ffffffff, #ffcbc7c4, #ff9f9d9a, #ffb8b5b2, #ff000000, #ffffffff, #ff000000, #ffffffff, "
    "#ffefebe7, #ffb1aeab, #ff308cc6, #ffffffff, #ff0000ff, #ffff0000, #fff7f5f3, #ff000000, #ffffffdc, #ff000000, "
    "#80000000";

void AddSchemes() {
  QTest::addColumn<QPalette>("palette");
  QTest::newRow("default light") << DefaultLight();
  QTest::newRow("Fusion dark") << FusionDark();
  QTest::newRow("qt6ct darker") << Qt6ctScheme(QString::fromLatin1(kDarker));
  QTest::newRow("qt6ct airy") << Qt6ctScheme(QString::fromLatin1(kAiry));
  QTest::newRow("qt6ct simple") << Qt6ctScheme(QString::fromLatin1(kSimple));
}

}  // namespace

class SchemeColoursTest : public QObject {
  Q_OBJECT
 private slots:
  void contrastRatioMeasuresAsWcag();
  void readableOnKeepsWhatReadsAndMovesTheRest();
  void everyTextReads_data() { AddSchemes(); }
  void everyTextReads();
  void lightSchemeKeepsTheDesignedColours();
  void gridsAndMemosFollowTheScheme_data() { AddSchemes(); }
  void gridsAndMemosFollowTheScheme();
};

void SchemeColoursTest::contrastRatioMeasuresAsWcag() {
  QCOMPARE(ContrastRatio(Qt::black, Qt::white), 21.0);
  QCOMPARE(ContrastRatio(Qt::white, Qt::black), 21.0);
  QCOMPARE(ContrastRatio(QColor(0x3d3d3d), QColor(0x3d3d3d)), 1.0);
  // The grey whose contrast with white is 4.54:1, a common reference value.
  QVERIFY(qAbs(ContrastRatio(QColor(0x767676), Qt::white) - 4.54) < 0.01);
  // The faults seen on dark rows: white on white and the designed blue on dark grey.
  QCOMPARE(ContrastRatio(Qt::white, Qt::white), 1.0);
  QVERIFY(ContrastRatio(kGridLinkBlue, QColor(0x3d3d3d)) < 2.0);
}

void SchemeColoursTest::readableOnKeepsWhatReadsAndMovesTheRest() {
  QCOMPARE(ReadableOn(kGridLinkBlue, Qt::white), kGridLinkBlue);
  // On dark grey the link blue gets lighter, keeping its hue, just far enough.
  const QColor onDark = ReadableOn(QColor(0x0986d3), QColor(0x3d3d3d));
  QVERIFY(ContrastRatio(onDark, QColor(0x3d3d3d)) >= kLeastContrast);
  QVERIFY(ContrastRatio(onDark, QColor(0x3d3d3d)) < kLeastContrast + 0.5);
  QVERIFY(onDark.lightness() > QColor(0x0986d3).lightness());
  QVERIFY(qAbs(onDark.hslHue() - QColor(0x0986d3).hslHue()) <= 2);
  // On a light background a pale colour gets darker.
  const QColor onLight = ReadableOn(kBrandGreen, QColor(239, 239, 239));
  QVERIFY(ContrastRatio(onLight, QColor(239, 239, 239)) >= kLeastContrast);
  QVERIFY(onLight.lightness() < kBrandGreen.lightness());
  // A mid grey background, where neither way has much room, still ends readable.
  const QColor mid(0x777777);
  QVERIFY(ContrastRatio(ReadableOn(QColor(0x888888), mid), mid) >= kLeastContrast);
}

void SchemeColoursTest::everyTextReads() {
  QFETCH(QPalette, palette);
  const SchemeColours s = SchemeColoursFor(palette);
  struct Pair {
    const char* what;
    QColor text, background;
  };
  const Pair pairs[] = {{"odd row text", s.oddRow.text, s.oddRow.background},
                        {"odd row link", s.oddRow.link, s.oddRow.background},
                        {"even row text", s.evenRow.text, s.evenRow.background},
                        {"even row link", s.evenRow.link, s.evenRow.background},
                        {"current cell", s.current.text, s.current.background},
                        {"current cell link", s.current.link, s.current.background},
                        {"selection", s.selection.text, s.selection.background},
                        {"memo and About text", s.info.text, s.info.background},
                        {"About and detail link", s.info.link, s.info.background},
                        {"panel text", s.window.text, s.window.background},
                        {"panel link", s.window.link, s.window.background},
                        {"title panel", s.brand, s.window.background},
                        {"About product name", s.brandOnInfo, s.info.background}};
  QStringList figures;
  for (const Pair& p : pairs) {
    const double ratio = ContrastRatio(p.text, p.background);
    figures << QStringLiteral("%1 %2 on %3 %4:1")
                   .arg(QLatin1String(p.what), p.text.name(), p.background.name())
                   .arg(ratio, 0, 'f', 2);
    if (ratio < kLeastContrast) QFAIL(qPrintable(figures.last()));
  }
  qInfo("%s: %s", QTest::currentDataTag(), qPrintable(figures.join(QStringLiteral("; "))));
  // The rows stay striped: the two backgrounds are not the same colour.
  QVERIFY(s.oddRow.background != s.evenRow.background);
}

void SchemeColoursTest::lightSchemeKeepsTheDesignedColours() {
  for (const QPalette& palette : {DefaultLight(), QApplication::palette()}) {
    const SchemeColours s = SchemeColoursFor(palette);
    const QColor tip = palette.color(QPalette::ToolTipBase), text = palette.color(QPalette::Text);
    QCOMPARE(s.oddRow.background, QColor(Qt::white));
    QCOMPARE(s.evenRow.background, tip);
    QCOMPARE(s.oddRow.text, text);
    QCOMPARE(s.evenRow.text, text);
    QCOMPARE(s.oddRow.link, kGridLinkBlue);
    QCOMPARE(s.evenRow.link, kGridLinkBlue);
    QCOMPARE(s.info.background, tip);
    QCOMPARE(s.info.text, text);
    QCOMPARE(s.info.link, kPureBlue);
    QCOMPARE(s.window.link, kPureBlue);
    QCOMPARE(s.current.background, palette.color(QPalette::Base));
    QCOMPARE(s.current.text, text);
    QCOMPARE(s.selection.text, palette.color(QPalette::HighlightedText));
  }
}

void SchemeColoursTest::gridsAndMemosFollowTheScheme() {
  QFETCH(QPalette, palette);
  const QPalette before = QApplication::palette();
  QApplication::setPalette(palette);
  {
    MainWindowFixture f;
    f.frm->QueryCompany_A->trigger();
    TDBGrid* grid = f.frm->Company_DBGrid;
    QVERIFY(grid->model()->rowCount() >= 2);
    // What the grid hands its painter: every cell of the first rows, plain and link columns.
    for (int row = 0; row < 2; ++row)
      for (int c = 0; c < grid->model()->columnCount(); ++c) {
        const QModelIndex i = grid->model()->index(row, c);
        const QColor fg = i.data(Qt::ForegroundRole).value<QBrush>().color();
        const QColor bg = i.data(Qt::BackgroundRole).value<QBrush>().color();
        if (ContrastRatio(fg, bg) < kLeastContrast)
          QFAIL(qPrintable(QStringLiteral("row %1 column %2: %3 on %4").arg(row).arg(c).arg(fg.name(), bg.name())));
      }
    QVERIFY(grid->model()->index(0, 0).data(Qt::BackgroundRole) != grid->model()->index(1, 0).data(Qt::BackgroundRole));
    // The focused grid's selection and the unfocused current cell.
    const QPalette gp = grid->palette();
    QVERIFY(ContrastRatio(gp.color(QPalette::Active, QPalette::HighlightedText),
                          gp.color(QPalette::Active, QPalette::Highlight)) >= kLeastContrast);
    QVERIFY(ContrastRatio(gp.color(QPalette::Inactive, QPalette::HighlightedText),
                          gp.color(QPalette::Inactive, QPalette::Highlight)) >= kLeastContrast);
    // The details memo and the panel's links.
    const QPalette memo = f.companyDlg->Company_Memo->palette();
    QVERIFY(ContrastRatio(memo.color(QPalette::Text), memo.color(QPalette::Base)) >= kLeastContrast);
    const QPalette link = f.frm->GotoWeb_Lab->palette();
    QVERIFY(ContrastRatio(link.color(QPalette::WindowText), link.color(QPalette::Window)) >= kLeastContrast);
  }
  QApplication::setPalette(before);
}

QTEST_MAIN(SchemeColoursTest)
#include "SchemeColours_test.moc"
