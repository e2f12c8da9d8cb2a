// The main window driven as the user drives it: real buttons, grids, status bar.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
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
#include <QStyle>
#include <QWheelEvent>

#include "ui/uiDBGrid.h"
#include "data/ProgramFiles.h"
#include "data/TextCollation.h"
#include "export/db2csv.h"
#include <QFile>
#include "search/frmMap.h"
#include <QStatusBar>
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
  void currentLinkCellWithoutFocusKeepsItsLook();
  void recNoFitsTheLargestNumber();
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
  void directoryFileGivenIsReadAtFirstSearch();
  void userDirectoryComesBeforeTheProgramsOwn();
  void mapClicksFillSearchRows();
  void titleClicksSortBothWays();
  void copyRangeRowsAndAll();
  void contextMenuActions();
  void helpKeyFromAnyControl();
  void modelPassesTester();
};

void MainWindowTest::defaultsAtStart() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QCOMPARE(w.windowTitle(), QStringLiteral("Orbisk 1.02"));
  QCOMPARE(w.StatusText(), QStringLiteral("Ready"));
  QVERIFY(w.QueryCondition_Grp->Top_Chk->isChecked());
  QCOMPARE(w.QueryCondition_Grp->Top_Cbo->currentText(), QStringLiteral("100"));
  QCOMPARE(w.QueryCondition_Grp->OrderBy_Cbo->currentText(), QStringLiteral("None"));
  QCOMPARE(w.Result_PC->currentWidget(), w.CompanyList_TS);
  QCOMPARE(w.Result_PC->tabText(0), QStringLiteral("Company List"));
  QCOMPARE(w.Result_PC->tabText(1), QStringLiteral("Contact List"));
  QCOMPARE(w.QueryCondition_Grp->C_TelAreaCode_Cbo->currentText(), QStringLiteral("="));
  QCOMPARE(w.QueryCondition_Grp->TelAreaCode_Cbo->currentText(), QStringLiteral("204"));
  QCOMPARE(w.QueryCondition_Grp->C_NumberOfEmployees_Cbo->currentText(), QStringLiteral(">"));
  QCOMPARE(w.QueryCondition_Grp->C_YearEstablished_Cbo->currentText(), QStringLiteral(">"));
  QCOMPARE(w.QueryCondition_Grp->Location_Cbo->currentText(), QString());
  QVERIFY(w.QueryCondition_Grp->C_Location_Edt->isReadOnly());
  for (QCheckBox* c : {w.QueryCondition_Grp->Category_Chk, w.QueryCondition_Grp->Location_Chk, w.QueryCondition_Grp->TelAreaCode_Chk, w.QueryCondition_Grp->PostalCode_Chk, w.QueryCondition_Grp->CompanyName_Chk,
                       w.QueryCondition_Grp->PSL_Chk, w.QueryCondition_Grp->NumberofEmployees_Chk, w.QueryCondition_Grp->YearEstablished_Chk, w.QueryCondition_Grp->WithURL_Chk, w.QueryCondition_Grp->WithEmail_Chk,
                       w.QueryCondition_Grp->WithContactEmail_Chk})
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

  w.QueryCondition_Grp->CompanyName_Chk->setChecked(true);
  w.QueryCondition_Grp->CompanyName_Edt->setText(QStringLiteral("bank"));
  w.QueryCondition_Grp->OrderBy_Cbo->setCurrentText(QStringLiteral("Company Name"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 2"));
  QCOMPARE(w.Company_DBGrid->model()->index(0, 1).data().toString(), QStringLiteral("Bank of the North"));
  QCOMPARE(w.Company_DBGrid->model()->index(1, 1).data().toString(), QStringLiteral("Prairie Bank Ltd"));

  w.QueryCondition_Grp->Top_Cbo->setCurrentText(QStringLiteral("1"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 1"));

  w.QueryCondition_Grp->CompanyName_Edt->setText(QStringLiteral("no such company"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 0"));
  QTest::mouseDClick(w.Company_DBGrid->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
  QVERIFY(f.messages.isEmpty() && f.opened.isEmpty());  // nothing to act on
}

void MainWindowTest::keyWordWithApostrophe() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCondition_Grp->CompanyName_Chk->setChecked(true);
  w.QueryCondition_Grp->CompanyName_Edt->setText(QStringLiteral("O'Brien"));
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
  w.QueryCondition_Grp->WithContactEmail_Chk->setChecked(true);
  w.QueryCondition_Grp->Location_Chk->setChecked(true);
  w.QueryCondition_Grp->Location_Cbo->setEditText(QStringLiteral("quebec"));
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

void MainWindowTest::currentLinkCellWithoutFocusKeepsItsLook() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  const int email = ColumnOf(grid, "Email");
  const QModelIndex cell = grid->model()->index(0, email);
  QVERIFY(!cell.data().toString().isEmpty());
  const QColor link = cell.data(Qt::ForegroundRole).value<QBrush>().color();
  QVERIFY(link.isValid());
  QVERIFY(cell.data(Qt::FontRole).value<QFont>().underline());
  grid->setCurrentIndex(cell);
  w.QueryCompany_Btn->setFocus();  // the grid without focus
  QTRY_VERIFY(!grid->hasFocus());
  QApplication::processEvents();
  const QImage shot = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const qreal ratio = shot.devicePixelRatio();
  const QRect r = grid->visualRect(cell);
  const QRect px((QPointF(r.topLeft()) * ratio).toPoint(), (QSizeF(r.size()) * ratio).toSize());
  int linkPixels = 0, dark = 0;
  for (int y = px.top() + 1; y < px.bottom(); ++y)
    for (int x = px.left() + 1; x < px.right(); ++x) {
      const QColor c(shot.pixel(x, y));
      if (std::abs(c.red() - link.red()) <= 8 && std::abs(c.green() - link.green()) <= 8 &&
          std::abs(c.blue() - link.blue()) <= 8)
        ++linkPixels;
      if (c.red() < 60 && c.green() < 60 && c.blue() < 60) ++dark;
    }
  // The text and its underline in the link colour, none in plain black...
  QVERIFY2(linkPixels >= r.width() / 4, qPrintable(QString::number(linkPixels)));
  QCOMPARE(dark, 0);
  // ...on the column's normal background, not the highlight.
  const QColor background(shot.pixel(px.right() - 3 * ratio, px.top() + 3 * ratio));
  QCOMPARE(background, grid->palette().color(QPalette::Active, QPalette::Base));
}

void MainWindowTest::recNoFitsTheLargestNumber() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();  // opens the directory
  TDBGrid* grid = w.Company_DBGrid;
  const int recNo = ColumnOf(grid, "RecNo");
  QCOMPARE(recNo, 0);
  const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
  auto fits = [&](const QString& number) {
    const QFontMetrics fm(grid->model()->index(0, recNo).data(Qt::FontRole).value<QFont>());
    // The cell's text area: the column less its grid line and the item's margins.
    return fm.horizontalAdvance(number) <= grid->columnWidth(recNo) - 1 - 2 * margin;
  };
  QVERIFY(fits(QString::number(grid->model()->rowCount())));
  // 200,000 rows: six-digit record numbers show whole.
  orbisk::Query& q = f.dm.Company_Q;
  q.Close();
  q.SetSQL("with recursive n(i) as (select 1 union all select i + 1 from n where i < 200000)"
           " select c.* from n, Company_Info c where c.Company_ID = 1");
  q.Open();
  QCOMPARE(grid->model()->rowCount(), 200000);
  QVERIFY2(fits(QStringLiteral("200000")), qPrintable(QString::number(grid->columnWidth(recNo))));
  QCOMPARE(grid->model()->index(199999, recNo).data().toString(), QStringLiteral("200000"));
  // A short result gives the column back its usual width.
  const int wide = grid->columnWidth(recNo);
  q.Close();
  q.SetSQL("select * from Company_Info where Company_ID = 1");
  q.Open();
  QVERIFY(grid->columnWidth(recNo) < wide);
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
  w.QueryCondition_Grp->Category_Edt->setFixedWidth(40);  // narrower than the path
  w.SelectCat_A->trigger();
  QCOMPARE(w.QueryCondition_Grp->Category_Edt->text(), QStringLiteral("Agriculture/Dairy"));
  QCOMPARE(w.QueryCondition_Grp->Category_Edt->cursorPosition(), 0);  // the main category in view, not the tail
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
  w.QueryCondition_Grp->TelAreaCode_Cbo->setFocus();
  QTRY_VERIFY(w.QueryCondition_Grp->TelAreaCode_Cbo->hasFocus());
  const QString code = w.QueryCondition_Grp->TelAreaCode_Cbo->currentText();
  Wheel(grid->viewport(), -120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);
  QCOMPARE(w.QueryCondition_Grp->TelAreaCode_Cbo->currentText(), code);
  QVERIFY(w.QueryCondition_Grp->TelAreaCode_Cbo->hasFocus());
  // Over the box itself the box moves and the grid stays.
  Wheel(w.QueryCondition_Grp->TelAreaCode_Cbo, -120);
  QVERIFY(w.QueryCondition_Grp->TelAreaCode_Cbo->currentText() != code);
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
  w.QueryCondition_Grp->CategoryCondition = QStringLiteral(" Company_ID in (select Company_ID from No_Such_Table)");
  w.QueryCondition_Grp->Category_Chk->setChecked(true);
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
  w.QueryCondition_Grp->Category_Chk->setChecked(false);
  w.QueryCompany_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 5"));
}

void MainWindowTest::badNumberRunsNothing() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCondition_Grp->NumberofEmployees_Chk->setChecked(true);
  w.QueryCondition_Grp->NumberofEmployees_Edt->setText(QStringLiteral("50 or 1=1"));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(f.messages, QStringList{QStringLiteral("\"Number of Employees\" needs a whole number.")});
  QCOMPARE(f.dm.ADOConnection.StatementsRun(), 0);
  QCOMPARE(w.StatusText(), QStringLiteral("Ready"));
  QVERIFY(!w.ExportExcel_A->isEnabled());
  w.QueryCondition_Grp->NumberofEmployees_Edt->setText(QStringLiteral(" 50"));
  w.QueryCondition_Grp->YearEstablished_Chk->setChecked(true);
  w.QueryCondition_Grp->YearEstablished_Edt->setText(QStringLiteral("   "));
  QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
  QCOMPARE(f.messages.last(), QStringLiteral("\"Year Established\" needs a whole number."));
  QCOMPARE(f.dm.ADOConnection.StatementsRun(), 0);
  w.QueryCondition_Grp->YearEstablished_Edt->setText(QStringLiteral(" 1940 "));
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
  w.QueryCondition_Grp->NumberofEmployees_Chk->setChecked(true);
  w.QueryCondition_Grp->NumberofEmployees_Edt->setText(QStringLiteral("\x01" "50"));
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

namespace {
// The small directory with only its first `companies` companies, at `folder`/Database/corpdir.mdb.
std::string WriteDirectoryOf(const std::string& folder, int companies) {
  const std::string path = orbisk::testing::WriteSmallDirectory(folder);
  orbisk::Connection c;
  c.OpenWritable(path);
  orbisk::testing::Exec(c.Handle(), "DELETE FROM Company_Info WHERE Company_ID > " + std::to_string(companies));
  return path;
}
}  // namespace

void MainWindowTest::directoryFileGivenIsReadAtFirstSearch() {
  orbisk::testing::TempFolder elsewhere;
  const std::string given = WriteDirectoryOf(elsewhere.Path() + "my;files/", 2);
  MainWindowFixture f(true, [&](const std::string&) { return given; });
  TMain_Frm& w = *f.frm;
  QVERIFY(!f.dm.ADOConnection.Connected());  // nothing is opened at start
  QCOMPARE(w.StatusBar->toolTip(), QStringLiteral("Directory: ") + QString::fromStdString(given));
  w.QueryCondition_Grp->Top_Cbo->setCurrentText(QStringLiteral("All"));
  w.QueryCompany_A->trigger();
  QVERIFY2(f.messages.isEmpty(), qPrintable(f.messages.join(QLatin1Char('\n'))));
  QCOMPARE(f.dm.Company_Q.RecordCount(), 2);  // not the 5 beside the program
}

void MainWindowTest::userDirectoryComesBeforeTheProgramsOwn() {
  orbisk::testing::TempFolder data;
  const QByteArray old = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.Path()));
  auto chosen = [](const std::string& folder) { return orbisk::DefaultDirectoryFile(folder); };
  {
    MainWindowFixture f(true, chosen);  // no directory of the user's yet
    f.frm->QueryCondition_Grp->Top_Cbo->setCurrentText(QStringLiteral("All"));
    f.frm->QueryCompany_A->trigger();
    QCOMPARE(f.dm.Company_Q.RecordCount(), 5);
  }
  const std::string own = WriteDirectoryOf(data.Path() + "orbisk/", 3);
  {
    MainWindowFixture f(true, chosen);
    QCOMPARE(f.frm->StatusBar->toolTip(), QStringLiteral("Directory: ") + QString::fromStdString(own));
    f.frm->QueryCondition_Grp->Top_Cbo->setCurrentText(QStringLiteral("All"));
    f.frm->QueryCompany_A->trigger();
    QCOMPARE(f.dm.Company_Q.RecordCount(), 3);
  }
  if (old.isNull()) qunsetenv("XDG_DATA_HOME");
  else qputenv("XDG_DATA_HOME", old);
}

void MainWindowTest::mapClicksFillSearchRows() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.ProgramFolder = QStringLiteral(ORBISK_BUILD_DIR "/bin/");  // the shipped map and its regions
  w.ShowMap_A->trigger();
  auto* map = w.findChild<TMap_Frm*>();
  QVERIFY(map && map->isVisible());
  QVERIFY(QTest::qWaitForWindowExposed(map));
  QVERIFY(!w.QueryCondition_Grp->Location_Chk->isChecked() && !w.QueryCondition_Grp->TelAreaCode_Chk->isChecked());
  QTest::mouseClick(map->Map_Img, Qt::LeftButton, {}, PointOf(*map, QStringLiteral("Location|Quebec")));
  QCOMPARE(w.QueryCondition_Grp->Location_Cbo->currentText(), QStringLiteral("Quebec"));
  QVERIFY(w.QueryCondition_Grp->Location_Chk->isChecked());
  QVERIFY(!w.QueryCondition_Grp->TelAreaCode_Chk->isChecked());
  // Nunavut is missing from the list and still goes in as typed text.
  QTest::mouseClick(map->Map_Img, Qt::LeftButton, {}, PointOf(*map, QStringLiteral("Location|Nunavut")));
  QCOMPARE(w.QueryCondition_Grp->Location_Cbo->currentText(), QStringLiteral("Nunavut"));
  QTest::mouseClick(map->Map_Img, Qt::LeftButton, {}, PointOf(*map, QStringLiteral("TelAreaCode|902")));
  QCOMPARE(w.QueryCondition_Grp->TelAreaCode_Cbo->currentText(), QStringLiteral("902"));
  QVERIFY(w.QueryCondition_Grp->TelAreaCode_Chk->isChecked());
  QCOMPARE(w.QueryCondition_Grp->Location_Cbo->currentText(), QStringLiteral("Nunavut"));  // the other row stays
  // The next search uses what the map chose.
  w.QueryCompany_A->trigger();
  QVERIFY(f.messages.isEmpty());
  QCOMPARE(f.dm.Company_Q.RecordCount(), 0);
}

namespace {
QString Clipboard() { return QApplication::clipboard()->text(); }
}  // namespace

namespace {
void ClickTitle(TDBGrid* grid, int column, bool twice = false) {
  QHeaderView* h = grid->horizontalHeader();
  const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
  QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
  if (twice) QTest::mouseDClick(h->viewport(), Qt::LeftButton, {}, at);
}
QStringList Column(orbisk::Query& q, const char* field) {
  QStringList out;
  for (int r = 0; r < q.RecordCount(); ++r) out.append(QString::fromStdString(q.FieldByName(field).TextAt(r)));
  return out;
}
bool InOrder(const QStringList& texts, bool descending) {
  for (int i = 1; i < texts.size(); ++i) {
    const int c = orbisk::CompareText(texts[i - 1].toStdString(), texts[i].toStdString());
    if (descending ? c < 0 : c > 0) return false;
  }
  return true;
}
}  // namespace

void MainWindowTest::titleClicksSortBothWays() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCondition_Grp->Top_Cbo->setCurrentText(QStringLiteral("All"));
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  orbisk::Query& q = f.dm.Company_Q;
  const QStringList searchOrder = Column(q, "Company_Name");
  const int name = ColumnOf(grid, "Company_Name"), recNo = ColumnOf(grid, "RecNo");
  ClickCell(grid, 1, name);  // Société Générale Québec is current
  ClickTitle(grid, name);
  QStringList names = Column(q, "Company_Name");
  QVERIFY2(InOrder(names, false), qPrintable(names.join(QLatin1Char('|'))));
  QVERIFY(names != searchOrder);
  QVERIFY(grid->horizontalHeader()->isSortIndicatorShown());
  QCOMPARE(grid->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
  QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), name);
  // The same record stays current; RecNo and the status text follow the new order.
  QCOMPARE(q.FieldByName("Company_Name").AsString(), std::string("Société Générale Québec"));
  const int at = names.indexOf(QStringLiteral("Société Générale Québec"));
  QCOMPARE(q.RecNo(), at + 1);
  QCOMPARE(grid->currentIndex().row(), at);
  QCOMPARE(Column(q, "RecNo"), (QStringList{"1", "2", "3", "4", "5"}));
  QVERIFY2(w.StatusText().startsWith(QStringLiteral("Current Record: %1/5  Société").arg(at + 1)), qPrintable(w.StatusText()));
  // The second click: descending; an export writes the rows as shown.
  ClickTitle(grid, name);
  names = Column(q, "Company_Name");
  QVERIFY(InOrder(names, true));
  QCOMPARE(grid->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
  const std::string csv = f.folder.Path() + "sorted.csv";
  orbisk::ExportToCSV(q, csv, orbisk::CsvOptions{.longestText = 255, .header = true, .progress = {}});
  QFile file(QString::fromStdString(csv));
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 6);
  for (int r = 0; r < 5; ++r)
    QVERIFY2(lines[r + 1].contains(QStringLiteral(",%1,\"%2\",").arg(r + 1).arg(names[r])), qPrintable(lines[r + 1]));
  // RecNo gives back the search's own order; a double click on a title sorts once.
  ClickTitle(grid, recNo);
  QCOMPARE(Column(q, "Company_Name"), searchOrder);
  QVERIFY(!grid->horizontalHeader()->isSortIndicatorShown());
  f.shown.clear();
  ClickTitle(grid, name, true);
  QVERIFY(InOrder(Column(q, "Company_Name"), false));
  QCOMPARE(grid->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
  QVERIFY(f.shown.isEmpty() && f.opened.isEmpty());  // and nothing opened
  // A new search comes in its own order.
  w.QueryCompany_A->trigger();
  QCOMPARE(Column(q, "Company_Name"), searchOrder);
  QVERIFY(!grid->horizontalHeader()->isSortIndicatorShown());
  ClickTitle(grid, name);  // and its first click sorts ascending again
  QVERIFY(InOrder(Column(q, "Company_Name"), false));
}

void MainWindowTest::copyRangeRowsAndAll() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  grid->setFocus();
  const int name = ColumnOf(grid, "Company_Name"), phone = ColumnOf(grid, "Telephone");
  // A range: a click, then Shift+click.
  ClickCell(grid, 0, name);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, CellCentre(grid, 1, phone));
  QApplication::clipboard()->clear();
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(Clipboard(), QStringLiteral("Prairie Bank Ltd\t(204) 555-0101\n"
                                       "Société Générale Québec\t(514) 555-0102"));
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);  // the range's far corner is the current row
  // Shift+Left widens it by one column.
  QTest::keyClick(grid, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(grid, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(Clipboard(), QStringLiteral("1\tPrairie Bank Ltd\n2\tSociété Générale Québec"));
  // Whole rows (as the indicator column selects them) come with the titles.
  grid->clearSelection();
  grid->selectRow(1);
  grid->selectionModel()->select(QItemSelection(grid->model()->index(2, 0), grid->model()->index(2, 12)),
                                 QItemSelectionModel::Select);
  QVERIFY(grid->WholeRowsSelected());
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  QStringList lines = Clipboard().split(QLatin1Char('\n'));
  QCOMPARE(lines.size(), 3);
  QVERIFY2(lines[0].startsWith(QStringLiteral("RecNo\tCompany Name\tTelephone\tToll Free Phone\tEmail\t")),
           qPrintable(lines[0]));
  QCOMPARE(lines[0].split(QLatin1Char('\t')).size(), grid->model()->columnCount());
  QVERIFY(lines[1].startsWith(QStringLiteral("2\tSociété Générale Québec\t")));
  QVERIFY(lines[2].startsWith(QStringLiteral("3\tO'Brien Tools\t(416) 555-0103\t")));
  QCOMPARE(lines[2].split(QLatin1Char('\t')).size(), grid->model()->columnCount());
  // Ctrl+Click adds a cell elsewhere: the rows and columns in between stay empty.
  ClickCell(grid, 0, name);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(grid, 2, phone));
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(Clipboard(), QStringLiteral("Prairie Bank Ltd\t\n\t(416) 555-0103"));
  // Ctrl+A: everything, with the titles.
  QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(Clipboard().split(QLatin1Char('\n')).size(), 1 + f.dm.Company_Q.RecordCount());
}

void MainWindowTest::contextMenuActions() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  const int email = ColumnOf(grid, "Email"), web = ColumnOf(grid, "Website_URL"), name = ColumnOf(grid, "Company_Name");
  auto names = [](QMenu& m) {
    QStringList out;
    for (QAction* a : m.actions())
      if (!a->isSeparator()) out.append(a->objectName());
    return out;
  };
  auto trigger = [](QMenu& m, const char* name) {
    for (QAction* a : m.actions())
      if (a->objectName() == QLatin1String(name) && a->isEnabled()) return a->trigger(), true;
    return false;
  };
  // A right click on another row's mail cell makes it current and offers the mail.
  ClickCell(grid, 1, name);
  auto menu = grid->ContextMenuAt(CellCentre(grid, 0, email));
  QCOMPARE(f.dm.Company_Q.RecNo(), 1);
  QCOMPARE(names(*menu), (QStringList{"Copy", "CopyWithTitles", "Details", "SendEmail", "Export"}));
  QVERIFY(trigger(*menu, "SendEmail"));
  QCOMPARE(f.opened, QList<QUrl>{QUrl(QStringLiteral("mailto:info@prairie.ca"))});
  QVERIFY(trigger(*menu, "CopyWithTitles"));
  QCOMPARE(Clipboard(), QStringLiteral("Email\ninfo@prairie.ca"));
  QVERIFY(trigger(*menu, "Copy"));
  QCOMPARE(Clipboard(), QStringLiteral("info@prairie.ca"));
  // The web cell opens the page; an empty link cell offers no link entry.
  f.opened.clear();
  menu = grid->ContextMenuAt(CellCentre(grid, 0, web));
  QVERIFY(trigger(*menu, "OpenWebPage"));
  QCOMPARE(f.opened, QList<QUrl>{QUrl(QStringLiteral("http://www.prairie.ca"))});
  menu = grid->ContextMenuAt(CellCentre(grid, 1, email));
  QCOMPARE(names(*menu), (QStringList{"Copy", "CopyWithTitles", "Details", "Export"}));
  // Details of the row clicked, then the export dialog.
  QVERIFY(trigger(*menu, "Details"));
  QCOMPARE(f.shown, QStringList{QStringLiteral("Société Générale Québec")});
  f.shown.clear();
  QVERIFY(trigger(*menu, "Export"));
  QCOMPARE(f.shown.size(), 1);
  // A right click inside a selection keeps it.
  grid->selectAll();
  menu = grid->ContextMenuAt(CellCentre(grid, 2, name));
  QCOMPARE(grid->selectionModel()->selectedIndexes().size(), grid->model()->rowCount() * grid->model()->columnCount());
  // The contact grid's details entry is the contact window; before a search nothing can be copied.
  menu = w.Contact_DBGrid->ContextMenuAt(QPoint(5, 5));
  QCOMPARE(names(*menu), (QStringList{"Copy", "CopyWithTitles", "Details", "Export"}));
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
  w.QueryContact_A->trigger();
  menu = w.Contact_DBGrid->ContextMenuAt(CellCentre(w.Contact_DBGrid, 0, 1));
  QVERIFY(trigger(*menu, "Details"));
  QCOMPARE(f.shown.size(), 2);
}

void MainWindowTest::helpKeyFromAnyControl() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  for (QWidget* control : std::initializer_list<QWidget*>{w.QueryCondition_Grp->CompanyName_Edt, w.QueryCondition_Grp->Top_Cbo, w.Company_DBGrid}) {
    control->setFocus();
    QTRY_VERIFY(control->hasFocus());
    QTest::keyRelease(control, Qt::Key_F1, Qt::ShiftModifier);
  }
  QCOMPARE(f.opened.size(), 3);
  QVERIFY(f.opened[0].isLocalFile());
  QVERIFY2(f.opened[0].toLocalFile().endsWith(QStringLiteral("Help/orbisk_help.htm")),
           qPrintable(f.opened[0].toString()));
  QTest::keyRelease(w.QueryCondition_Grp->Top_Cbo, Qt::Key_F2);
  QCOMPARE(f.opened.size(), 3);
}

void MainWindowTest::modelPassesTester() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QAbstractItemModelTester tester(w.Company_DBGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
  w.QueryCompany_A->trigger();
  w.QueryCondition_Grp->CompanyName_Chk->setChecked(true);
  w.QueryCondition_Grp->CompanyName_Edt->setText(QStringLiteral("b"));
  w.QueryCompany_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 1"));  // initial B: "Bank of the North" only
  Wheel(w.Company_DBGrid->viewport(), -120);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindow_test.moc"
