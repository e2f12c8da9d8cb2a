// The main window driven as the user drives it: real buttons, grids, status bar.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include "browse/uiDBGrid.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

// As the platform delivers a double click: a click, then the second press as a double click.
void DoubleClick(TDBGrid* grid, int row, int column) {
  const QPoint at = CellCentre(grid, row, column);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void Wheel(QWidget* target, int angle, bool sideways = false) {
  const QPoint delta = sideways ? QPoint(angle, 0) : QPoint(0, angle);
  QWheelEvent e(QPointF(10, 10), target->mapToGlobal(QPointF(10, 10)), QPoint(), delta, Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &e);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void defaultsAtStart();
  void companySearchFillsGrid();
  void keyWordWithApostrophe();
  void contactSearchSwitchesPage();
  void clickWritesCurrentRecord();
  void rowsAreStriped();
  void doubleClickDispatch();
  void contactDoubleClickOnEmptyMail();
  void doubleClickOutsideCellsActsOnCurrentCell();
  void categoryBoxShowsItsStart();
  void wheelMovesOneRow();
  void wheelGoesToTheControlUnderTheMouse();
  void sidewaysWheelScrollsAcross();
  void hidingPanelGivesPagesItsHeight();
  void failingSearchKeepsOtherPage();
  void badNumberRunsNothing();
  void refusedSearchEmptiesItsPage();
  void missingDirectoryReportedAtFirstSearch();
  void helpKeyFromAnyControl();
  void modelPassesTester();
};

void MainWindowTest::defaultsAtStart() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QCOMPARE(w.windowTitle(), QStringLiteral("Orbisk 1.02"));
  QCOMPARE(w.StatusText(), QStringLiteral("Ready"));
  QVERIFY(w.Top_Chk->isChecked());
  QCOMPARE(w.Top_Cbo->currentText(), QStringLiteral("100"));
  QCOMPARE(w.OrderBy_Cbo->currentText(), QStringLiteral("None"));
  QCOMPARE(w.Result_PC->currentWidget(), w.CompanyList_TS);
  QCOMPARE(w.Result_PC->tabText(0), QStringLiteral("Company List"));
  QCOMPARE(w.Result_PC->tabText(1), QStringLiteral("Contact List"));
  QCOMPARE(w.C_TelAreaCode_Cbo->currentText(), QStringLiteral("="));
  QCOMPARE(w.TelAreaCode_Cbo->currentText(), QStringLiteral("204"));
  QCOMPARE(w.C_NumberOfEmployees_Cbo->currentText(), QStringLiteral(">"));
  QCOMPARE(w.C_YearEstablished_Cbo->currentText(), QStringLiteral(">"));
  QCOMPARE(w.Location_Cbo->currentText(), QString());
  QVERIFY(w.C_Location_Edt->isReadOnly());
  for (QCheckBox* c : {w.Category_Chk, w.Location_Chk, w.TelAreaCode_Chk, w.PostalCode_Chk, w.CompanyName_Chk,
                       w.PSL_Chk, w.NumberofEmployees_Chk, w.YearEstablished_Chk, w.WithURL_Chk, w.WithEmail_Chk,
                       w.WithContactEmail_Chk})
    QVERIFY2(!c->isChecked(), qPrintable(c->text()));
  QVERIFY(!w.ExportExcel_A->isEnabled());
  QVERIFY(w.Company_DBGrid->columnResizing());
  QVERIFY(!w.Contact_DBGrid->columnResizing());
  QVERIFY(!f.dm.ADOConnection.Connected());  // start-up opens no database
  QCOMPARE(w.Company_DBGrid->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Number of Employees"));
}

void MainWindowTest::companySearchFillsGrid() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 5"));
  QCOMPARE(w.Company_DBGrid->model()->rowCount(), 5);
  QVERIFY(w.ExportExcel_A->isEnabled());
  QVERIFY(w.Company_DBGrid->columnResizing());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(f.messages.isEmpty());

  w.CompanyName_Chk->setChecked(true);
  w.CompanyName_Edt->setText(QStringLiteral("bank"));
  w.OrderBy_Cbo->setCurrentText(QStringLiteral("Company Name"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 2"));
  QCOMPARE(w.Company_DBGrid->model()->index(0, 1).data().toString(), QStringLiteral("Bank of the North"));
  QCOMPARE(w.Company_DBGrid->model()->index(1, 1).data().toString(), QStringLiteral("Prairie Bank Ltd"));

  w.Top_Cbo->setCurrentText(QStringLiteral("1"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 1"));

  w.CompanyName_Edt->setText(QStringLiteral("no such company"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 0"));
  QTest::mouseDClick(w.Company_DBGrid->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
  QVERIFY(f.messages.isEmpty() && f.opened.isEmpty());  // nothing to act on
}

void MainWindowTest::keyWordWithApostrophe() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.CompanyName_Chk->setChecked(true);
  w.CompanyName_Edt->setText(QStringLiteral("O'Brien"));
  w.QueryCompany_A->trigger();
  QCOMPARE(f.messages, QStringList());
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 1"));
  QCOMPARE(w.Company_DBGrid->model()->index(0, 1).data().toString(), QStringLiteral("O'Brien Tools"));
}

void MainWindowTest::contactSearchSwitchesPage() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
  QCOMPARE(w.Result_PC->currentWidget(), w.ContactList_TS);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 4"));
  QVERIFY(w.Contact_DBGrid->columnResizing());  // resizable from its first search on
  w.WithContactEmail_Chk->setChecked(true);
  w.Location_Chk->setChecked(true);
  w.Location_Cbo->setEditText(QStringLiteral("quebec"));
  QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 2"));
  QCOMPARE(w.Company_DBGrid->model()->rowCount(), 0);  // the company page was never searched
}

void MainWindowTest::clickWritesCurrentRecord() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  ClickCell(w.Company_DBGrid, 1, 2);
  QCOMPARE(w.StatusText(),
           QStringLiteral("Current Record: 2/5  Société Générale Québec @ 5 Rue Laval, Montréal, Quebec"));
  w.SetStatusText(QStringLiteral("x"));
  // A click on the current row rewrites the text too.
  ClickCell(w.Company_DBGrid, 1, 3);
  QVERIFY(w.StatusText().startsWith(QStringLiteral("Current Record: 2/5  ")));
}

void MainWindowTest::rowsAreStriped() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  w.QueryCompany_Btn->setFocus();  // the grid without focus
  TDBGrid* grid = w.Company_DBGrid;
  grid->setCurrentIndex(grid->model()->index(0, 0));
  QApplication::processEvents();
  const QImage shot = grid->viewport()->grab().toImage();
  auto pixelRightIn = [&](int row, int column) {
    const QRect r = grid->visualRect(grid->model()->index(row, column));
    return QColor(shot.pixel(shot.width() * (r.right() - 4) / grid->viewport()->width(),
                             shot.height() * r.center().y() / grid->viewport()->height()));
  };
  const int name = ColumnOf(grid, "Company_Name");
  QCOMPARE(pixelRightIn(0, name), QColor(Qt::white));
  QCOMPARE(pixelRightIn(1, name), QApplication::palette().color(QPalette::ToolTipBase));
  QCOMPARE(pixelRightIn(2, name), QColor(Qt::white));
  QCOMPARE(pixelRightIn(3, name), QApplication::palette().color(QPalette::ToolTipBase));
}

void MainWindowTest::doubleClickDispatch() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  const int email = ColumnOf(grid, "Email"), web = ColumnOf(grid, "Website_URL");
  DoubleClick(grid, 0, email);
  QCOMPARE(f.opened, QList<QUrl>{QUrl(QStringLiteral("mailto:info@prairie.ca"))});
  QVERIFY(f.messages.isEmpty());  // no details window
  f.opened.clear();
  DoubleClick(grid, 3, web);
  QCOMPARE(f.opened, QList<QUrl>{QUrl(QStringLiteral("http://etoile.ca"))});
  f.opened.clear();
  DoubleClick(grid, 0, web);
  QCOMPARE(f.opened, QList<QUrl>{QUrl(QStringLiteral("http://www.prairie.ca"))});
  f.opened.clear();
  // An empty mail cell opens the details window instead.
  DoubleClick(grid, 1, email);
  QVERIFY(f.opened.isEmpty());
  QVERIFY(f.messages.isEmpty());
  QCOMPARE(f.shown, QStringList{QStringLiteral("Société Générale Québec")});
  // Past the last row nothing happens until the row moves.
  f.shown.clear();
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(4, 1));
  QTest::keyClick(grid, Qt::Key_Down);
  QVERIFY(f.dm.Company_Q.Eof());
  grid->gridDoubleClicked();
  QVERIFY(f.messages.isEmpty() && f.opened.isEmpty() && f.shown.isEmpty());
}

void MainWindowTest::doubleClickOutsideCellsActsOnCurrentCell() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  ClickCell(grid, 2, ColumnOf(grid, "Email"));
  QCOMPARE(f.dm.Company_Q.RecNo(), 3);
  // On the indicator column of another row: the current cell stays, its mail opens.
  QHeaderView* indicator = grid->verticalHeader();
  const QPoint onRow0(indicator->width() / 2, indicator->sectionViewportPosition(0) + indicator->sectionSize(0) / 2);
  QTest::mouseClick(indicator->viewport(), Qt::LeftButton, {}, onRow0);
  QTest::mouseDClick(indicator->viewport(), Qt::LeftButton, {}, onRow0);
  QCOMPARE(f.dm.Company_Q.RecNo(), 3);
  QCOMPARE(grid->currentIndex().row(), 2);
  QCOMPARE(f.opened.size(), 1);
  QVERIFY(f.opened.first().toString().startsWith(QStringLiteral("mailto:")));
  f.opened.clear();
  // Below the last row: the same.
  grid->resize(grid->width(), 600);
  const int below = grid->rowViewportPosition(4) + grid->rowHeight(4) + 20;
  QVERIFY(below < grid->viewport()->height());
  const QPoint empty(grid->columnViewportPosition(1) + 5, below);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, empty);
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, empty);
  QCOMPARE(f.dm.Company_Q.RecNo(), 3);
  QCOMPARE(grid->currentIndex().row(), 2);
  QCOMPARE(f.opened.size(), 1);
}

void MainWindowTest::contactDoubleClickOnEmptyMail() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryContact_A->trigger();
  TDBGrid* grid = w.Contact_DBGrid;
  const int email = ColumnOf(grid, "Email");
  DoubleClick(grid, 1, email);  // Bob Jones: none
  QVERIFY(f.opened.isEmpty() && f.messages.isEmpty());
  DoubleClick(grid, 0, email);
  QCOMPARE(f.opened, QList<QUrl>{QUrl(QStringLiteral("mailto:ann@prairie.ca"))});
  DoubleClick(grid, 0, ColumnOf(grid, "Name"));
  QVERIFY(f.messages.isEmpty());
  QCOMPARE(f.shown, QStringList{QStringLiteral("Ann Smith")});
}

void MainWindowTest::categoryBoxShowsItsStart() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  ModalSeam() = [&](QDialog& d) {
    d.show();
    ClickCell(f.catDlg->MainCat_DBGrid, 1, 1);  // Agriculture
    ClickCell(f.catDlg->SubCat_DBGrid, 1, 1);   // Dairy
    d.hide();
    return int(QDialog::Accepted);
  };
  w.Category_Edt->setFixedWidth(40);  // narrower than the path
  w.SelectCat_A->trigger();
  QCOMPARE(w.Category_Edt->text(), QStringLiteral("Agriculture/Dairy"));
  QCOMPARE(w.Category_Edt->cursorPosition(), 0);  // the main category in view, not the tail
  QVERIFY(f.messages.isEmpty());
}

void MainWindowTest::wheelMovesOneRow() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  grid->setFocus();
  QTRY_VERIFY(grid->hasFocus());
  QCOMPARE(f.dm.Company_Q.RecNo(), 1);
  Wheel(grid->viewport(), -120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);
  QVERIFY(w.StatusText().startsWith(QStringLiteral("Current Record: 2/5")));
  Wheel(grid->viewport(), -120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 3);
  Wheel(grid->viewport(), 120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);
  Wheel(grid->viewport(), 0);  // no distance counts as down
  QCOMPARE(f.dm.Company_Q.RecNo(), 3);
  QCOMPARE(grid->verticalScrollBar()->value(), 0);
}

void MainWindowTest::wheelGoesToTheControlUnderTheMouse() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  // The focus in the area-code box, the mouse over the grid: the grid moves,
  // the condition of the next search stays as typed.
  w.TelAreaCode_Cbo->setFocus();
  QTRY_VERIFY(w.TelAreaCode_Cbo->hasFocus());
  const QString code = w.TelAreaCode_Cbo->currentText();
  Wheel(grid->viewport(), -120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);
  QCOMPARE(w.TelAreaCode_Cbo->currentText(), code);
  QVERIFY(w.TelAreaCode_Cbo->hasFocus());
  // Over the box itself the box moves and the grid stays.
  Wheel(w.TelAreaCode_Cbo, -120);
  QVERIFY(w.TelAreaCode_Cbo->currentText() != code);
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);
  // Over a label nothing moves, wherever the focus is.
  grid->setFocus();
  QTRY_VERIFY(grid->hasFocus());
  Wheel(w.Title_Pnl, 120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);
}

void MainWindowTest::sidewaysWheelScrollsAcross() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  for (int c = 0; c < grid->model()->columnCount(); ++c) grid->setColumnWidth(c, 400);
  QTRY_VERIFY(grid->horizontalScrollBar()->maximum() > 0);
  QCOMPARE(grid->horizontalScrollBar()->value(), 0);
  Wheel(grid->viewport(), -120, true);
  QVERIFY(grid->horizontalScrollBar()->value() > 0);
  QCOMPARE(f.dm.Company_Q.RecNo(), 1);
}

void MainWindowTest::hidingPanelGivesPagesItsHeight() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QTRY_VERIFY(w.Query_Pnl->height() > 0);
  const int pages = w.Result_PC->height(), panel = w.Query_Pnl->height();
  QTest::mouseClick(w.QueryVisible_Btn, Qt::LeftButton);
  QVERIFY(w.Query_Pnl->isHidden());
  QTRY_COMPARE(w.Result_PC->height(), pages + panel + 3);
  w.QueryVisible_A->trigger();
  QVERIFY(!w.Query_Pnl->isHidden());
  QTRY_COMPARE(w.Result_PC->height(), pages);
  QCOMPARE(w.Cat_Splitter->handleWidth(), 3);
}

void MainWindowTest::failingSearchKeepsOtherPage() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  w.QueryContact_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 4"));
  // A stored category condition the engine refuses.
  w.CategoryCondition = QStringLiteral(" Company_ID in (select Company_ID from No_Such_Table)");
  w.Category_Chk->setChecked(true);
  w.QueryCompany_A->trigger();
  QCOMPARE(f.messages.size(), 1);
  QVERIFY2(f.messages[0].contains(QStringLiteral("No_Such_Table")), qPrintable(f.messages[0]));
  QCOMPARE(w.Company_DBGrid->model()->rowCount(), 0);
  QVERIFY(!f.dm.Company_Q.Active());
  QCOMPARE(w.Contact_DBGrid->model()->rowCount(), 4);
  QCOMPARE(w.Result_PC->currentWidget(), w.ContactList_TS);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 4"));
  QVERIFY(w.Company_DBGrid->columnResizing());
  QVERIFY(!f.dm.Company_Q.ControlsDisabled());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(w.ExportExcel_A->isEnabled());
  // The next search starts afresh.
  w.Category_Chk->setChecked(false);
  w.QueryCompany_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 5"));
}

void MainWindowTest::badNumberRunsNothing() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.NumberofEmployees_Chk->setChecked(true);
  w.NumberofEmployees_Edt->setText(QStringLiteral("50 or 1=1"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(f.messages, QStringList{QStringLiteral("\"Number of Employees\" needs a whole number.")});
  QCOMPARE(f.dm.ADOConnection.StatementsRun(), 0);
  QCOMPARE(w.StatusText(), QStringLiteral("Ready"));
  QVERIFY(!w.ExportExcel_A->isEnabled());
  w.NumberofEmployees_Edt->setText(QStringLiteral(" 50"));
  w.YearEstablished_Chk->setChecked(true);
  w.YearEstablished_Edt->setText(QStringLiteral("   "));
  QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
  QCOMPARE(f.messages.last(), QStringLiteral("\"Year Established\" needs a whole number."));
  QCOMPARE(f.dm.ADOConnection.StatementsRun(), 0);
  w.YearEstablished_Edt->setText(QStringLiteral(" 1940 "));
  w.QueryCompany_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 2"));  // 120 and 300 employees, both after 1940
}

void MainWindowTest::refusedSearchEmptiesItsPage() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  w.QueryContact_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 4"));
  const long long statements = f.dm.ADOConnection.StatementsRun();
  // The company page's list stood for conditions that are no longer on the panel.
  w.NumberofEmployees_Chk->setChecked(true);
  w.NumberofEmployees_Edt->setText(QStringLiteral("\x01" "50"));
  w.QueryCompany_A->trigger();
  QCOMPARE(f.messages, QStringList{QStringLiteral("\"Number of Employees\" needs a whole number.")});
  QCOMPARE(f.dm.ADOConnection.StatementsRun(), statements);
  QVERIFY(!f.dm.Company_Q.Active());
  QCOMPARE(w.Company_DBGrid->model()->rowCount(), 0);
  QCOMPARE(w.Contact_DBGrid->model()->rowCount(), 4);
  QCOMPARE(w.Result_PC->currentWidget(), w.ContactList_TS);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 4"));
  QVERIFY(w.ExportExcel_A->isEnabled());
  QVERIFY(w.Company_DBGrid->columnResizing());
  QVERIFY(!f.dm.Company_Q.ControlsDisabled());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // The same on the contact page, whichever page is in front.
  w.QueryContact_A->trigger();
  QVERIFY(!f.dm.Contact_Q.Active());
  QCOMPARE(w.Contact_DBGrid->model()->rowCount(), 0);
  QCOMPARE(f.messages.size(), 2);
}

void MainWindowTest::missingDirectoryReportedAtFirstSearch() {
  MainWindowFixture f(false);
  TMain_Frm& w = *f.frm;
  QVERIFY(w.isVisible());
  QVERIFY(f.messages.isEmpty());
  w.QueryCompany_A->trigger();
  QCOMPARE(f.messages.size(), 1);
  QVERIFY2(f.messages[0].startsWith(QStringLiteral("Could not find file '")), qPrintable(f.messages[0]));
  QCOMPARE(w.StatusText(), QStringLiteral("Ready"));
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void MainWindowTest::helpKeyFromAnyControl() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  for (QWidget* control : std::initializer_list<QWidget*>{w.CompanyName_Edt, w.Top_Cbo, w.Company_DBGrid}) {
    control->setFocus();
    QTRY_VERIFY(control->hasFocus());
    QTest::keyRelease(control, Qt::Key_F1, Qt::ShiftModifier);
  }
  QCOMPARE(f.opened.size(), 3);
  QVERIFY(f.opened[0].isLocalFile());
  QVERIFY2(f.opened[0].toLocalFile().endsWith(QStringLiteral("Help/orbisk_help.htm")),
           qPrintable(f.opened[0].toString()));
  QTest::keyRelease(w.Top_Cbo, Qt::Key_F2);
  QCOMPARE(f.opened.size(), 3);
}

void MainWindowTest::modelPassesTester() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QAbstractItemModelTester tester(w.Company_DBGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
  w.QueryCompany_A->trigger();
  w.CompanyName_Chk->setChecked(true);
  w.CompanyName_Edt->setText(QStringLiteral("b"));
  w.QueryCompany_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 1"));  // initial B: "Bank of the North" only
  Wheel(w.Company_DBGrid->viewport(), -120);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindow_test.moc"
