// What the user arranged in a result list stays as they left it: column
// widths, the selected cells, the current cell and the scroll position survive
// a sort, an export, the details window and a walk of the rows; a new search
// fits only the columns the user left alone; the model keeps Qt's rules
// throughout.
#include <QAbstractItemModelTester>
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QCheckBox>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <map>
#include <set>

#include "data/uDM.h"
#include "export/ExportTypes.h"
#include "export/dlgSelectExportType.h"
#include "tests/ui/support/MainWindowFixture.h"
#include "ui/uiDBGrid.h"
#include "ui/uiWindowKit.h"

namespace {

// A result of `rows` companies whose names come in a scrambled order, so that
// a sort moves nearly every row.
void OpenMany(orbisk::Query& q, int rows) {
  const std::string n = std::to_string(rows);
  q.Close();
  q.SetSQL("with recursive n(i) as (select 1 union all select i + 1 from n where i < " + n +
           ") select i as Company_ID, printf('Firm %04d', (i * 7919) % " + n +
           ") as Company_Name, c.Location_Address, c.Location_Address_Postal, c.TelAreaCode, c.Telephone,"
           " c.Toll_Free_Phone, c.Fax, c.Email, c.Website_URL, c.Exporting, c.Year_Established,"
           " c.Number_of_Employees from n, Company_Info c where c.Company_ID = 1");
  q.Open();
}

// Everything the user arranged, with the selection and the current cell told
// by the records they are on (Company_ID), not by their places.
struct Arrangement {
  std::vector<int> widths;
  std::set<std::pair<std::string, int>> selected;  // (Company_ID, column)
  std::string current;
  int currentColumn = -1;
  int scroll = 0;
  bool operator==(const Arrangement&) const = default;
};

Arrangement Take(TDBGrid* grid) {
  Arrangement a;
  const orbisk::Field& id = grid->query()->FieldByName("Company_ID");
  for (int c = 0; c < grid->model()->columnCount(); ++c) a.widths.push_back(grid->columnWidth(c));
  for (const QModelIndex& i : grid->selectionModel()->selectedIndexes()) a.selected.insert({id.TextAt(i.row()), i.column()});
  a.current = id.TextAt(grid->currentIndex().row());
  a.currentColumn = grid->currentIndex().column();
  a.scroll = grid->verticalScrollBar()->value();
  return a;
}

QString Describe(const Arrangement& a) {
  QStringList w;
  for (int x : a.widths) w << QString::number(x);
  return QStringLiteral("widths %1; %2 selected; current %3/%4; scroll %5")
      .arg(w.join(QLatin1Char(',')))
      .arg(a.selected.size())
      .arg(QString::fromStdString(a.current))
      .arg(a.currentColumn)
      .arg(a.scroll);
}

#define COMPARE_ARRANGEMENT(grid, before)                                                                  \
  do {                                                                                                     \
    const Arrangement now = Take(grid);                                                                    \
    QVERIFY2(now == (before), qPrintable(Describe(now) + QStringLiteral(" / was ") + Describe(before)));   \
    QCOMPARE((grid)->query()->RecNo(), (grid)->currentIndex().row() + 1);                                  \
  } while (0)

void ClickTitle(TDBGrid* grid, int column) {
  QHeaderView* h = grid->horizontalHeader();
  QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                    QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

void ClickIndicator(TDBGrid* grid, int row, Qt::KeyboardModifiers modifiers = {}) {
  QHeaderView* h = grid->verticalHeader();
  QTest::mouseClick(h->viewport(), Qt::LeftButton, modifiers,
                    QPoint(h->width() / 2, h->sectionViewportPosition(row) + h->sectionSize(row) / 2));
}

std::set<int> SelectedRows(TDBGrid* grid) {
  std::set<int> rows;
  for (int r = 0; r < grid->model()->rowCount(); ++r)
    if (grid->selectionModel()->isRowSelected(r, {})) rows.insert(r);
  return rows;
}

// Exports the shown list as CSV through the export button and its dialog.
void ExportCsv(MainWindowFixture& f, const std::string& path) {
  ModalSeam() = [&f, path](QDialog& d) -> int {
    f.shown.append(d.windowTitle());
    auto* dlg = qobject_cast<TExportType_Dlg*>(&d);
    if (!dlg) return QDialog::Rejected;
    d.setResult(QDialog::Rejected);
    d.show();
    dlg->ExportType_Buttons->button(orbisk::etCsv)->setChecked(true);
    dlg->OutputFile_Edt->setText(QString::fromStdString(path));
    dlg->OpenAfterSave_Chk->setChecked(false);
    QTest::mouseClick(dlg->OK_Btn, Qt::LeftButton);
    const int result = d.result();
    d.hide();
    return result;
  };
  QTest::mouseClick(f.frm->Export_Btn, Qt::LeftButton);
}

}  // namespace

class GridArrangementTest : public QObject {
  Q_OBJECT
 private slots:
  void sortExportDetailsAndWalkKeepTheArrangement();
  void newSearchKeepsTheUsersWidths();
  void indicatorClicksSelectWholeRows();
  void modelKeepsQtsRulesAcrossSearchSortExportClose();
};

void GridArrangementTest::sortExportDetailsAndWalkKeepTheArrangement() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.resize(1200, 700);
  w.show();
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  orbisk::Query& q = f.dm.Company_Q;
  OpenMany(q, 300);
  const int name = ColumnOf(grid, "Company_Name"), phone = ColumnOf(grid, "Telephone");
  // The user widens a column, selects a range and scrolls it to the middle.
  grid->setColumnWidth(name, 420);
  grid->setFocus();
  ClickCell(grid, 150, name);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, CellCentre(grid, 154, phone));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(grid, 152, phone + 1));
  grid->verticalScrollBar()->setValue(140);
  QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 11);
  const Arrangement before = Take(grid);
  QCOMPARE(before.current, q.FieldByName("Company_ID").TextAt(152));
  QCOMPARE(before.widths[static_cast<size_t>(name)], 420);

  // A sort moves the selection and the current cell with their records; the
  // view stays where it was, the columns as wide as they were.
  ClickTitle(grid, name);
  QCOMPARE(grid->SortColumn(), name);
  QVERIFY(q.FieldByName("Company_ID").TextAt(152) != before.current);  // the records did move
  COMPARE_ARRANGEMENT(grid, before);
  ClickTitle(grid, name);  // descending
  COMPARE_ARRANGEMENT(grid, before);
  ClickTitle(grid, ColumnOf(grid, "RecNo"));  // the search's own order again
  COMPARE_ARRANGEMENT(grid, before);
  QCOMPARE(q.FieldByName("Company_ID").TextAt(152), before.current);
  ClickTitle(grid, name);

  // An export walks every row and comes back: nothing the user sees changes.
  const Arrangement sorted = Take(grid);
  const std::string csv = f.folder.Path() + "list.csv";
  ExportCsv(f, csv);
  QVERIFY2(f.messages.contains(QStringLiteral("Exported Successfully!")), qPrintable(f.messages.join(QLatin1Char('|'))));
  COMPARE_ARRANGEMENT(grid, sorted);

  // The details window of the current record.
  f.shown.clear();
  grid->gridDoubleClicked();
  QCOMPARE(f.shown.size(), 1);
  COMPARE_ARRANGEMENT(grid, sorted);

  // A walk with the controls suspended: the indicator stays on the current
  // row while the cursor runs, and the grid is as it was after it.
  const int currentRow = grid->currentIndex().row();
  {
    orbisk::WalkGuard walk(q);
    q.First();
    q.MoveBy(40);
    QCOMPARE(grid->model()->headerData(currentRow, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("\u25B6"));
    QVERIFY(grid->model()->headerData(40, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
  }
  COMPARE_ARRANGEMENT(grid, sorted);
}

void GridArrangementTest::newSearchKeepsTheUsersWidths() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  const int name = ColumnOf(grid, "Company_Name"), phone = ColumnOf(grid, "Telephone"),
            recNo = ColumnOf(grid, "RecNo");
  const int fittedRecNo = grid->columnWidth(recNo);
  grid->setColumnWidth(name, 420);
  // A result of six-digit record numbers widens the RecNo column the user left alone.
  OpenMany(f.dm.Company_Q, 100000);
  QCOMPARE(grid->columnWidth(name), 420);
  QVERIFY(grid->columnWidth(recNo) > fittedRecNo);
  grid->setColumnWidth(phone, 33);
  w.QueryCompany_A->trigger();  // the same page searched again
  QCOMPARE(grid->columnWidth(name), 420);
  QCOMPARE(grid->columnWidth(phone), 33);
  QCOMPARE(grid->columnWidth(recNo), fittedRecNo);
  // A closed list keeps its widths.
  f.dm.Company_Q.Close();
  QCOMPARE(grid->columnWidth(name), 420);
  QCOMPARE(grid->columnWidth(phone), 33);
  // The other page's grid has widths of its own.
  w.QueryContact_A->trigger();
  QVERIFY(w.Contact_DBGrid->columnWidth(ColumnOf(w.Contact_DBGrid, "Company_Name")) != 420);
}

void GridArrangementTest::indicatorClicksSelectWholeRows() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.resize(1200, 700);
  w.show();
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  ClickCell(grid, 2, ColumnOf(grid, "Telephone"));
  ClickIndicator(grid, 1);
  QCOMPARE(SelectedRows(grid), (std::set<int>{1}));
  QVERIFY(grid->WholeRowsSelected());
  QCOMPARE(grid->currentIndex().row(), 2);  // the current cell stays
  QCOMPARE(f.dm.Company_Q.RecNo(), 3);
  ClickIndicator(grid, 3, Qt::ControlModifier);
  QCOMPARE(SelectedRows(grid), (std::set<int>{1, 3}));
  ClickIndicator(grid, 3, Qt::ControlModifier);  // a second Ctrl+click takes it back
  QCOMPARE(SelectedRows(grid), (std::set<int>{1}));
  ClickIndicator(grid, 4, Qt::ShiftModifier);  // from the last row clicked
  QCOMPARE(SelectedRows(grid), (std::set<int>{3, 4}));
  // Dragging down the column selects the rows passed.
  QHeaderView* h = grid->verticalHeader();
  auto at = [h](int row) { return QPoint(h->width() / 2, h->sectionViewportPosition(row) + h->sectionSize(row) / 2); };
  QTest::mousePress(h->viewport(), Qt::LeftButton, {}, at(0));
  QMouseEvent move(QEvent::MouseMove, at(2), h->viewport()->mapToGlobal(at(2)), Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(h->viewport(), &move);
  QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, at(2));
  QCOMPARE(SelectedRows(grid), (std::set<int>{0, 1, 2}));
  // Copied whole rows come with the titles.
  QVERIFY(grid->SelectionText(false).startsWith(QStringLiteral("RecNo\tCompany Name\t")));
  // Below the last row a click selects nothing new.
  grid->resize(grid->width(), 600);
  const int below = h->sectionViewportPosition(4) + h->sectionSize(4) + 20;
  QVERIFY(below < h->viewport()->height());
  QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->width() / 2, below));
  QCOMPARE(SelectedRows(grid), (std::set<int>{0, 1, 2}));
}

void GridArrangementTest::modelKeepsQtsRulesAcrossSearchSortExportClose() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.show();
  TDBGrid* grid = w.Company_DBGrid;
  QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy resets(grid->model(), &QAbstractItemModel::modelReset);
  QSignalSpy layouts(grid->model(), &QAbstractItemModel::layoutChanged);
  w.QueryCondition_Grp->Top_Cbo->setCurrentText(QStringLiteral("All"));
  w.QueryCompany_A->trigger();
  QCOMPARE(resets.size(), 1);  // one search, one reset: the close within it is not told apart
  QCOMPARE(grid->model()->rowCount(), f.dm.Company_Q.RecordCount());
  grid->selectAll();
  ClickTitle(grid, ColumnOf(grid, "Company_Name"));
  ClickTitle(grid, ColumnOf(grid, "Telephone"));
  ClickTitle(grid, ColumnOf(grid, "Year_Established"));
  ClickTitle(grid, ColumnOf(grid, "RecNo"));
  QCOMPARE(layouts.size(), 4);
  QCOMPARE(resets.size(), 1);
  QCOMPARE(grid->selectionModel()->selectedIndexes().size(), grid->model()->rowCount() * grid->model()->columnCount());
  ExportCsv(f, f.folder.Path() + "all.csv");
  QVERIFY(f.messages.contains(QStringLiteral("Exported Successfully!")));
  QCOMPARE(resets.size(), 1);
  QCOMPARE(layouts.size(), 4);
  f.dm.Company_Q.Close();
  QCOMPARE(resets.size(), 2);
  QCOMPARE(grid->model()->rowCount(), 0);
  // A sort of a closed list does nothing; the next search comes in.
  grid->SortByColumn(ColumnOf(grid, "Company_Name"));
  QCOMPARE(layouts.size(), 4);
  w.QueryCompany_A->trigger();
  QCOMPARE(resets.size(), 3);
  QVERIFY(grid->model()->rowCount() > 0);
}

QTEST_MAIN(GridArrangementTest)
#include "GridArrangement_test.moc"
