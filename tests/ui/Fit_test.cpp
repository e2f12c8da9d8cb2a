// The main window on laptop screens, driven by the keyboard: its least and
// fitted sizes on three screens, the Alt+letters, the Tab order, Ctrl+Q, the
// rows a typed value ticks; Escape on the map, the arrow keys of the export
// dialog and the category picker's filter.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QFileDialog>
#include <QStatusBar>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <cmath>

#include "ui/uiDBGrid.h"
#include "ui/uiLocalText.h"
#include "export/ExportTypes.h"
#include "search/frmMap.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

// A screen as the window sees it: its size in device pixels, the desktop
// scale, a 32-pixel panel at the top and openbox's frame (1, 20, 1, 5).
struct Screen {
  int width, height;
  double scale;
  int leastRows;  // result rows that must show with the search panel shown
};

QRect AvailableLogical(const Screen& s) {
  const int top = static_cast<int>(std::ceil(32 / s.scale));
  const int rounding = s.scale == std::floor(s.scale) ? 0 : 1;
  return QRect(0, top, static_cast<int>(s.width / s.scale), static_cast<int>((s.height - 32) / s.scale) - rounding);
}

QMargins FrameLogical(const Screen& s) {
  auto up = [&](int px) { return static_cast<int>(std::ceil(px / s.scale)); };
  return QMargins(up(1), up(20), up(1), up(5));
}

QChar Mnemonic(const QString& caption) {
  const int at = caption.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toUpper() : QChar();
}

// The interface in a language for as long as it lives; English again after.
struct Language {
  explicit Language(const QString& language) { ok = InstallTranslations(language); }
  ~Language() { InstallTranslations(QStringLiteral("en")); }
  bool ok = false;
};

void Activate(QWidget& w) {
  w.activateWindow();
  QApplication::setActiveWindow(&w);
  if (!QTest::qWaitForWindowActive(&w)) qWarning("window not active");
}

}  // namespace

class FitTest : public QObject {
  Q_OBJECT
 private slots:
  void fitsEachLaptopScreen_data();
  void fitsEachLaptopScreen();
  void wideScreenKeepsDesignedWidth_data();
  void wideScreenKeepsDesignedWidth();
  void altLettersTickRows();
  void tabReachesToggleAndLinks();
  void ctrlQCloses();
  void userEditsTickTheirRow();
  void escapeClosesMap();
  void arrowKeysChooseExportType();
  void pickerFilterNarrowsSubCategories();
};

void FitTest::fitsEachLaptopScreen_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::addColumn<double>("scale");
  QTest::addColumn<int>("leastRows");
  QTest::addColumn<QString>("language");
  for (const QString& language : {QStringLiteral("en"), QStringLiteral("fr")}) {
    const QByteArray in = " in " + language.toLatin1();
    QTest::newRow("1366x768" + in) << 1366 << 768 << 1.0 << 15 << language;
    QTest::newRow("1366x768 at 125%" + in) << 1366 << 768 << 1.25 << 8 << language;
    QTest::newRow("1024x768" + in) << 1024 << 768 << 1.0 << 15 << language;
  }
}

void FitTest::fitsEachLaptopScreen() {
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(double, scale);
  QFETCH(int, leastRows);
  QFETCH(QString, language);
  const Language shown(language);
  QVERIFY(shown.ok);
  const Screen screen{width, height, scale, leastRows};
  MainWindowFixture f;
  // The language really changed the captions (the French are longer).
  QCOMPARE(f.frm->QueryCondition_Grp->title() == QStringLiteral("Search Condition"), language == QStringLiteral("en"));
  TMain_Frm& w = *f.frm;
  const QRect available = AvailableLogical(screen);
  const QMargins frame = FrameLogical(screen);
  const QSize least = w.minimumSizeHint().expandedTo(w.minimumSize());
  QVERIFY2(least.width() + frame.left() + frame.right() <= available.width(), qPrintable(QString::number(least.width())));
  QVERIFY2(least.height() + frame.top() + frame.bottom() <= available.height(),
           qPrintable(QString::number(least.height())));

  const QRect placed = w.WindowFit().FittedGeometry(available, frame);
  QVERIFY(available.contains(placed.marginsAdded(frame)));
  w.setGeometry(placed);
  QTRY_COMPARE(w.size(), placed.size());
  QApplication::processEvents();

  // No control of the search panel is squeezed below its least width or cut
  // off by its parent; the toggle button lies inside the window.
  const QList<QWidget*> controls = w.Query_Pnl->findChildren<QWidget*>();
  int checked = 0;
  for (QWidget* c : controls) {
    if (!c->isVisible() || c->parentWidget() == nullptr || c->inherits("QComboBoxPrivateContainer")) continue;
    if (c->parentWidget() != w.QueryCondition_Grp && c->parentWidget() != w.Query_Pnl) continue;
    const QString name = c->metaObject()->className() + QStringLiteral(" ") +
                         (qobject_cast<QAbstractButton*>(c) ? qobject_cast<QAbstractButton*>(c)->text() : QString());
    QVERIFY2(c->parentWidget()->rect().contains(c->geometry()), qPrintable(name));
    if (!qobject_cast<QPushButton*>(c) || c == w.QueryCompany_Btn)
      QVERIFY2(c->width() >= c->minimumSizeHint().width() || c->width() == c->minimumWidth(), qPrintable(name));
    ++checked;
  }
  QVERIFY(checked > 40);
  // "Order By" stands over its list: above it, starting at its left edge, not beside it.
  auto* orderLab = w.QueryCondition_Grp->findChild<QLabel*>(QStringLiteral("OrderBy_Lab"));
  QVERIFY(orderLab && orderLab->buddy() == w.QueryCondition_Grp->OrderBy_Cbo);
  const QRect lab = orderLab->geometry(), list = w.QueryCondition_Grp->OrderBy_Cbo->geometry();
  QVERIFY2(lab.bottom() < list.top() && list.top() - lab.bottom() <= 12,
           qPrintable(QStringLiteral("label %1..%2, list from %3").arg(lab.top()).arg(lab.bottom()).arg(list.top())));
  QVERIFY2(std::abs(lab.left() - list.left()) <= 4, qPrintable(QStringLiteral("%1 %2").arg(lab.left()).arg(list.left())));
  QVERIFY(lab.width() >= orderLab->sizeHint().width());
  // The list shows its longest item whole.
  QVERIFY2(list.width() >= w.QueryCondition_Grp->OrderBy_Cbo->minimumSizeHint().width(), qPrintable(QString::number(list.width())));
  QVERIFY(w.QueryCondition_Grp->geometry().right() < w.QueryCompany_Btn->geometry().left());
  QVERIFY(w.rect().contains(QRect(w.QueryVisible_Btn->mapTo(&w, QPoint(0, 0)), w.QueryVisible_Btn->size())));
  QVERIFY(w.rect().contains(QRect(w.StatusBar->mapTo(&w, QPoint(0, 0)), w.StatusBar->size())));

  // Result rows: as low as the text plus 4 pixels, and enough of them.
  TDBGrid* grid = w.Company_DBGrid;
  const int rowHeight = grid->verticalHeader()->defaultSectionSize();
  QVERIFY(rowHeight >= grid->fontMetrics().height() + 4);
  const int rows = grid->viewport()->height() / rowHeight;
  QVERIFY2(rows >= screen.leastRows, qPrintable(QString::number(rows) + " rows in " + QString::number(grid->viewport()->height())));
}

void FitTest::wideScreenKeepsDesignedWidth_data() {
  QTest::addColumn<QString>("language");
  QTest::newRow("en") << QStringLiteral("en");
  QTest::newRow("fr") << QStringLiteral("fr");
}

void FitTest::wideScreenKeepsDesignedWidth() {
  // Where the screen is wide enough, the space right of the command column
  // equals the gap between the search group and the column.
  QFETCH(QString, language);
  const Language shown(language);
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  const QRect placed = w.WindowFit().FittedGeometry(QRect(0, 0, 1920, 1050), QMargins(1, 20, 1, 5));
  QVERIFY(placed.width() < 1900);
  QCOMPARE(placed.height(), 760);
  QCOMPARE(placed.left(), (1920 - placed.width() - 2) / 2 + 1);
  w.setGeometry(placed);
  QTRY_COMPARE(w.size(), placed.size());
  const int gapLeft = w.QueryCompany_Btn->geometry().left() - w.QueryCondition_Grp->geometry().right() - 1;
  const int gapRight = w.Query_Pnl->width() - w.QueryCompany_Btn->geometry().right() - 1;
  QCOMPARE(gapRight, gapLeft);
  // A screen narrower than the window's least width gets the least width.
  const QRect tiny = w.WindowFit().FittedGeometry(QRect(0, 0, 640, 480), QMargins());
  QCOMPARE(tiny.width(), w.minimumSizeHint().width());
  QVERIFY(tiny.height() >= w.minimumSizeHint().height());
}

void FitTest::altLettersTickRows() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  Activate(w);
  const QList<QCheckBox*> ticks = {w.QueryCondition_Grp->Top_Chk,          w.QueryCondition_Grp->Category_Chk,    w.QueryCondition_Grp->Location_Chk,   w.QueryCondition_Grp->TelAreaCode_Chk,
                                   w.QueryCondition_Grp->PostalCode_Chk,   w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->PSL_Chk,        w.QueryCondition_Grp->NumberofEmployees_Chk,
                                   w.QueryCondition_Grp->YearEstablished_Chk, w.QueryCondition_Grp->WithURL_Chk,  w.QueryCondition_Grp->WithEmail_Chk,  w.QueryCondition_Grp->WithContactEmail_Chk};
  // The buttons' letters.
  QString used;
  for (QAbstractButton* b : {static_cast<QAbstractButton*>(w.QueryCompany_Btn), static_cast<QAbstractButton*>(w.QueryContact_Btn),
                             static_cast<QAbstractButton*>(w.Export_Btn), static_cast<QAbstractButton*>(w.About_Btn)})
    used += Mnemonic(b->text());
  QCOMPARE(used, QStringLiteral("SCEA"));
  for (QCheckBox* tick : ticks) {
    const QChar letter = Mnemonic(tick->text());
    QVERIFY2(!letter.isNull(), qPrintable(tick->text()));
    QVERIFY2(!used.contains(letter), qPrintable(tick->text()));
    used += letter;
    // The caption the user reads is unchanged.
    QVERIFY(!QString(tick->text()).remove(QLatin1Char('&')).isEmpty());
    const bool before = tick->isChecked();
    QTest::keyClick(&w, letter.toLatin1() | 0x20, Qt::AltModifier);
    QTRY_VERIFY2(tick->isChecked() != before, qPrintable(tick->text()));  // a mnemonic clicks after a moment
    QVERIFY(tick->hasFocus());
  }
  QCOMPARE(QString(w.QueryCondition_Grp->Top_Chk->text()).remove(QLatin1Char('&')), QStringLiteral("Only Show Top"));
  QCOMPARE(QString(w.QueryCondition_Grp->NumberofEmployees_Chk->text()).remove(QLatin1Char('&')), QStringLiteral("Number of Employees"));
  // Alt+S still searches.
  QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
  QTRY_VERIFY(w.StatusText().startsWith(QStringLiteral("Records Count: ")));
}

void FitTest::tabReachesToggleAndLinks() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  Activate(w);
  w.About_Btn->setFocus();
  QTRY_VERIFY(w.About_Btn->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), w.Mailto_Lab);
  QTest::keyClick(w.Mailto_Lab, Qt::Key_Space);
  QCOMPARE(f.opened.size(), 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), w.GotoWeb_Lab);
  QTest::keyClick(w.GotoWeb_Lab, Qt::Key_Return);
  QCOMPARE(f.opened.size(), 2);
  QVERIFY(f.opened[0] != f.opened[1]);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QVERIFY(w.Result_PC->isAncestorOf(QApplication::focusWidget()));  // its tab bar

  // The toggle stands before the first condition row.
  w.QueryCondition_Grp->Top_Chk->setFocus();
  QTRY_VERIFY(w.QueryCondition_Grp->Top_Chk->hasFocus());
  QTest::keyClick(w.QueryCondition_Grp->Top_Chk, Qt::Key_Backtab, Qt::ShiftModifier);
  QCOMPARE(QApplication::focusWidget(), w.QueryVisible_Btn);
  QTest::keyClick(w.QueryVisible_Btn, Qt::Key_Space);
  QVERIFY(w.Query_Pnl->isHidden());
  QTest::keyClick(w.QueryVisible_Btn, Qt::Key_Space);
  QVERIFY(!w.Query_Pnl->isHidden());
}

void FitTest::ctrlQCloses() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  Activate(w);
  w.QueryCondition_Grp->CompanyName_Edt->setFocus();
  QTest::keyClick(w.QueryCondition_Grp->CompanyName_Edt, Qt::Key_Q);
  QVERIFY(w.isVisible());
  QCOMPARE(w.QueryCondition_Grp->CompanyName_Edt->text(), QStringLiteral("q"));
  QTest::keyClick(w.QueryCondition_Grp->CompanyName_Edt, Qt::Key_Q, Qt::ControlModifier);
  QVERIFY(!w.isVisible());
}

void FitTest::userEditsTickTheirRow() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  Activate(w);
  // Nothing at start but "Only Show Top", whatever the defaults show.
  QCOMPARE(w.QueryCondition_Grp->TelAreaCode_Cbo->currentText(), QStringLiteral("204"));
  QVERIFY(!w.QueryCondition_Grp->TelAreaCode_Chk->isChecked());

  // Typing the key word and searching finds that company, not 100 others.
  w.QueryCondition_Grp->CompanyName_Edt->setFocus();
  QTest::keyClicks(w.QueryCondition_Grp->CompanyName_Edt, QStringLiteral("O'Brien"));
  QVERIFY(w.QueryCondition_Grp->CompanyName_Chk->isChecked());
  QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
  QTRY_COMPARE(w.StatusText(), QStringLiteral("Records Count: 1"));
  // The user may untick again; the next keystroke ticks once more.
  w.QueryCondition_Grp->CompanyName_Chk->setChecked(false);
  QTest::keyClick(w.QueryCondition_Grp->CompanyName_Edt, Qt::Key_Backspace);
  QVERIFY(w.QueryCondition_Grp->CompanyName_Chk->isChecked());

  struct Typed {
    QLineEdit* edit;
    QCheckBox* tick;
  };
  for (const Typed& t : {Typed{w.QueryCondition_Grp->PostCode_Edt, w.QueryCondition_Grp->PostalCode_Chk}, Typed{w.QueryCondition_Grp->PSL_Edt, w.QueryCondition_Grp->PSL_Chk},
                         Typed{w.QueryCondition_Grp->NumberofEmployees_Edt, w.QueryCondition_Grp->NumberofEmployees_Chk},
                         Typed{w.QueryCondition_Grp->YearEstablished_Edt, w.QueryCondition_Grp->YearEstablished_Chk},
                         Typed{w.QueryCondition_Grp->Location_Cbo->lineEdit(), w.QueryCondition_Grp->Location_Chk}}) {
    t.edit->setText(QStringLiteral("12"));  // the program's own change ticks nothing
    QVERIFY2(!t.tick->isChecked(), qPrintable(t.tick->text()));
    t.edit->setFocus();
    QTest::keyClick(t.edit, Qt::Key_3);
    QVERIFY2(t.tick->isChecked(), qPrintable(t.tick->text()));
  }
  struct Chosen {
    QComboBox* box;
    QCheckBox* tick;
  };
  for (const Chosen& c : {Chosen{w.QueryCondition_Grp->TelAreaCode_Cbo, w.QueryCondition_Grp->TelAreaCode_Chk}, Chosen{w.QueryCondition_Grp->C_TelAreaCode_Cbo, w.QueryCondition_Grp->TelAreaCode_Chk},
                          Chosen{w.QueryCondition_Grp->C_PostCode_Cbo, w.QueryCondition_Grp->PostalCode_Chk},
                          Chosen{w.QueryCondition_Grp->C_NumberOfEmployees_Cbo, w.QueryCondition_Grp->NumberofEmployees_Chk},
                          Chosen{w.QueryCondition_Grp->C_YearEstablished_Cbo, w.QueryCondition_Grp->YearEstablished_Chk}}) {
    c.tick->setChecked(false);
    c.box->setCurrentIndex(2);  // the program's own change
    QVERIFY2(!c.tick->isChecked(), qPrintable(c.tick->text()));
    c.box->setFocus();
    QTest::keyClick(c.box, Qt::Key_Down);  // the user's choice
    QCOMPARE(c.box->currentIndex(), 3);
    QVERIFY2(c.tick->isChecked(), qPrintable(c.tick->text()));
  }
  // Choosing a province from the list ticks Location.
  w.QueryCondition_Grp->Location_Chk->setChecked(false);
  emit w.QueryCondition_Grp->Location_Cbo->activated(1);
  QVERIFY(w.QueryCondition_Grp->Location_Chk->isChecked());
  // The order and the row limit tick nothing of their own.
  w.QueryCondition_Grp->Top_Chk->setChecked(false);
  w.QueryCondition_Grp->Top_Cbo->setFocus();
  QTest::keyClick(w.QueryCondition_Grp->Top_Cbo, Qt::Key_Down);
  QVERIFY(!w.QueryCondition_Grp->Top_Chk->isChecked());
}

void FitTest::escapeClosesMap() {
  MainWindowFixture f;
  TMap_Frm* map = ShowMapWindow(f.frm, f.frm->ProgramFolder);
  QVERIFY(QTest::qWaitForWindowExposed(map));
  QTest::keyClick(map, Qt::Key_A);
  QVERIFY(map->isVisible());
  QTest::keyClick(map, Qt::Key_Escape);
  QVERIFY(!map->isVisible());
  QCOMPARE(ShowMapWindow(f.frm, f.frm->ProgramFolder), map);  // hidden, not destroyed
  QVERIFY(map->isVisible());
  map->close();
}

void FitTest::arrowKeysChooseExportType() {
  TExportType_Dlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QAbstractButton* html = dlg.ExportType_Buttons->button(orbisk::etHtml);
  html->setFocus();
  QTRY_VERIFY(html->hasFocus());
  const int last = orbisk::kExportTypeCount - 1;
  // Down and Right step forward through the types in order, wrapping round.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  QCOMPARE(dlg.SelectedExportType(), int(orbisk::etHtml) + 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  QCOMPARE(dlg.SelectedExportType(), (int(orbisk::etHtml) + 2) % (last + 1));
  QCOMPARE(QApplication::focusWidget(), dlg.ExportType_Buttons->checkedButton());
  // Up and Left step back; from the first they go to the last.
  dlg.ExportType_Buttons->button(0)->setChecked(true);
  dlg.ExportType_Buttons->button(0)->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  QCOMPARE(dlg.SelectedExportType(), last);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
  QCOMPARE(dlg.SelectedExportType(), last - 1);
  // The chooser follows the type, as after a click.
  QVERIFY(dlg.OpenDialog->defaultSuffix().size() > 0);
  QCOMPARE(dlg.OpenDialog->defaultSuffix(),
           QString::fromLatin1(orbisk::ExportTypeInfoOf(last - 1).extension));
  dlg.hide();
}

void FitTest::pickerFilterNarrowsSubCategories() {
  MainWindowFixture f;
  TComanyCat_Dlg& dlg = *f.catDlg;
  f.dm.MainCat_Q.Open();
  f.dm.LeafCat_Q.Open();
  f.dm.OpenLeafCategories("Agri");
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  TDBGrid* sub = dlg.SubCat_DBGrid;
  const orbisk::Field& name = f.dm.LeafCat_Q.FieldByName("SubCat_Text");
  const int rows = sub->model()->rowCount();
  QVERIFY(rows >= 2);
  auto shown = [&] {
    QStringList r;
    for (int i = 0; i < sub->model()->rowCount(); ++i)
      if (!sub->isRowHidden(i)) r << QString::fromStdString(name.TextAt(i));
    return r;
  };
  const QStringList all = shown();
  QCOMPARE(all.size(), rows);
  // A piece of the second name, typed in another letter case.
  const QString piece = all[1].mid(1, 3).toUpper();
  dlg.SubCatFilter_Edt->setFocus();
  QTest::keyClicks(dlg.SubCatFilter_Edt, piece);
  const QStringList narrowed = shown();
  QVERIFY(narrowed.contains(all[1]));
  for (const QString& n : narrowed) QVERIFY2(n.contains(piece, Qt::CaseInsensitive), qPrintable(n));
  for (const QString& n : all)
    if (!n.contains(piece, Qt::CaseInsensitive)) QVERIFY(!narrowed.contains(n));
  QTest::keyClicks(dlg.SubCatFilter_Edt, QStringLiteral("zzqx"));
  QVERIFY(shown().isEmpty());
  dlg.SubCatFilter_Edt->clear();
  QCOMPARE(shown(), all);
  // The filter holds for the rows of the next main category too.
  QTest::keyClicks(dlg.SubCatFilter_Edt, QStringLiteral("CRAFT"));
  QVERIFY(shown().isEmpty());
  f.dm.OpenLeafCategories("Abor");
  QCOMPARE(shown(), QStringList{QStringLiteral("Aboriginal Crafts")});
  // The search's wildcards work here too.
  dlg.SubCatFilter_Edt->setText(QStringLiteral("ab_r%cr"));
  QCOMPARE(shown(), QStringList{QStringLiteral("Aboriginal Crafts")});
  dlg.SubCatFilter_Edt->clear();
  f.dm.OpenLeafCategories("Agri");

  // The name column is wide enough for the usual names and tells the whole name.
  const int column = ColumnOf(sub, "SubCat_Text");
  QVERIFY(sub->columnWidth(column) >= sub->fontMetrics().horizontalAdvance(QString(40, QLatin1Char('n'))));
  QCOMPARE(sub->model()->index(0, column).data(Qt::ToolTipRole).toString(), all[0]);
  dlg.hide();
}

QTEST_MAIN(FitTest)
#include "Fit_test.moc"
