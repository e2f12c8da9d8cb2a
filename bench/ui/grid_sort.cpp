// A click on the "Company Name" title of a result list holding every company
// of a generated directory (1,000,000 by default): the rows reordered in place,
// the grid told and painted again, against the `sqlite3` command sorting the
// same rows with ORDER BY Company_Name COLLATE NOCASE. The peer is measured
// twice: writing the whole rows, as the list holds them, and writing only the
// two columns of the order (less work than the list's rows).
// Usage: bench_ui_grid_sort [--companies N] [--runs N]   (defaults 1,000,000 and 3)
#include <QApplication>
#include <QHeaderView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <memory>
#include <string>

#include "../BenchUtil.h"
#include "browse/ResultColumns.h"
#include "data/TextCollation.h"
#include "data/uDM.h"
#include "ui/uiDBGrid.h"

using namespace orbisk;

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int status = 0;
  try {
    const int companies = static_cast<int>(bench::Option(argc, argv, "--companies", 1000000));
    const int runs = static_cast<int>(bench::Option(argc, argv, "--runs", 3));
    const std::string path = bench::GeneratedDirectory(companies);

    TDM dm;
    dm.DataModuleCreate(bench::Folder(), path);
    dm.ADOConnection.SetImporter(bench::Importer());
    Query& q = dm.Company_Q;
    q.SetSQL("select * from Company_Info");
    q.Open();

    std::vector<GridColumn> columns;
    for (const ResultColumn& c : CompanyResultColumns())
      columns.push_back({c.field, QString::fromStdString(c.title), c.centred ? Qt::AlignHCenter : Qt::AlignLeft,
                         c.link, QColor(51, 51, 255), c.widthChars});
    TDBGrid grid(&q, std::move(columns));
    grid.queryModel()->setStriped(true);
    grid.resize(1200, 700);
    grid.show();
    QApplication::processEvents();
    int name = -1, recNo = -1;
    for (int c = 0; c < grid.model()->columnCount(); ++c) {
      if (grid.queryModel()->column(c).field == "Company_Name") name = c;
      if (grid.queryModel()->column(c).field == "RecNo") recNo = c;
    }
    grid.setCurrentIndex(grid.model()->index(q.RecordCount() / 2, name));
    QApplication::processEvents();

    auto click = [&] {
      grid.SortByColumn(name);  // what a click on the title runs
      QApplication::processEvents();
    };
    // Each timed click starts from the search's own order, and sorts ascending.
    auto ours = [&] {
      grid.SortByColumn(recNo);
      QApplication::processEvents();
      return bench::Seconds(click);
    };
    const std::string whole = "sqlite3 -readonly '" + path +
                              "' 'select * from Company_Info order by Company_Name collate nocase' >/dev/null";
    const std::string narrow = "sqlite3 -readonly '" + path +
                               "' 'select Company_ID, Company_Name from Company_Info order by Company_Name collate "
                               "nocase' >/dev/null";
    auto peer = [](const std::string& command) {
      return bench::Seconds([&] {
        if (std::system(command.c_str()) != 0) throw std::runtime_error("could not run: " + command);
      });
    };
    bench::Pair wholeRows, twoColumns;
    for (int i = 0; i < runs; ++i) {
      wholeRows.ours = std::min(wholeRows.ours, ours());
      wholeRows.peer = std::min(wholeRows.peer, peer(whole));
      twoColumns.peer = std::min(twoColumns.peer, peer(narrow));
    }
    twoColumns.ours = wholeRows.ours;
    const std::string what = "title click on Company Name (" + std::to_string(q.RecordCount()) + " rows)";
    bench::Report((what + ", vs sqlite3 whole rows").c_str(), wholeRows, 0.5);
    bench::Report((what + ", vs sqlite3 two columns").c_str(), twoColumns, 0.5);

    // The sort itself: names in the collation's order, the current record kept.
    const Field& names = q.FieldByName("Company_Name");
    for (int r = 1; r < q.RecordCount(); ++r)
      if (CompareText(names.TextAt(r - 1), names.TextAt(r)) > 0) {
        std::fprintf(stderr, "rows %d and %d out of order\n", r, r + 1);
        status = 1;
        break;
      }
    if (q.RecordCount() != companies || grid.currentIndex().row() != q.CurrentRow()) status = 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    status = 1;
  }
  return status;
}
