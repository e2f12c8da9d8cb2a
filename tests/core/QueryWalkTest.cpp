// The walk every writer makes over a result: rows in order, progress every
// few hundred rows and at the end, a stop when the answer is no, and the query
// back on its row with its grids following again on every path.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ExportSupport.h"
#include "export/QueryWalk.h"

using namespace orbisk;
using namespace orbisk::testing;

namespace {

struct Recorder {
  std::vector<long long> done;
  std::vector<long long> totals;
  long long stopAt = -1;  // answer no once this many rows are done
  Progress Callback() {
    return [this](const ProgressStep& step) {
      done.push_back(step.done);
      totals.push_back(step.total);
      return step.done != stopAt;
    };
  }
};

TEST(QueryWalk, ReportsEveryFewHundredRowsAndOnceAtTheEnd) {
  struct Case {
    int rows;
    std::vector<long long> reports;
  } cases[] = {
      {600, {256, 512, 600}},
      {512, {256, 512, 512}},  // the last report comes even when it repeats a count
      {1, {1}},
      {0, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows);
    MemoryQuery m(ManyRowsSetup(c.rows), "select id, name from Big order by id");
    Recorder progress;
    std::vector<int> seen;
    const long long visited = WalkAllRows(m.q, progress.Callback(), [&] { seen.push_back(m.q.RecNo()); });
    EXPECT_EQ(visited, c.rows);
    EXPECT_EQ(progress.done, c.reports);
    EXPECT_EQ(progress.totals, std::vector<long long>(c.reports.size(), c.rows));
    ASSERT_EQ(seen.size(), static_cast<size_t>(c.rows));
    for (int i = 0; i < c.rows; ++i) ASSERT_EQ(seen[static_cast<size_t>(i)], i + 1);
  }
}

TEST(QueryWalk, TheQueryIsBackOnItsRowOnEveryPath) {
  MemoryQuery m(ManyRowsSetup(600), "select id, name from Big order by id");
  m.q.MoveTo(10);

  // The grids do not follow while the rows are walked.
  bool disabledInside = false;
  WalkAllRows(m.q, {}, [&] { disabledInside = m.q.ControlsDisabled(); });
  EXPECT_TRUE(disabledInside);
  EXPECT_EQ(m.q.RecNo(), 10);
  EXPECT_FALSE(m.q.ControlsDisabled());

  // A failure on a row.
  EXPECT_THROW(WalkAllRows(m.q, {},
                           [&] {
                             if (m.q.RecNo() == 300) throw std::runtime_error("bad row");
                           }),
               std::runtime_error);
  EXPECT_EQ(m.q.RecNo(), 10);
  EXPECT_FALSE(m.q.ControlsDisabled());

  // The user's no at the first report: the walk ends there with the export's
  // own stop, which long work of every kind catches as Cancelled.
  Recorder progress;
  progress.stopAt = 256;
  long long rows = 0;
  try {
    WalkAllRows(m.q, progress.Callback(), [&] { ++rows; });
    ADD_FAILURE() << "the walk went on after the answer no";
  } catch (const Cancelled& stop) {
    EXPECT_NE(dynamic_cast<const ExportCancelled*>(&stop), nullptr);
    EXPECT_STREQ(stop.what(), "The export was cancelled.");
  }
  EXPECT_EQ(rows, 256);
  EXPECT_EQ(progress.done, std::vector<long long>{256});
  EXPECT_EQ(m.q.RecNo(), 10);
  EXPECT_FALSE(m.q.ControlsDisabled());

  // A no at the last report, after every row, still stops.
  progress = Recorder{};
  progress.stopAt = 600;
  EXPECT_THROW(WalkAllRows(m.q, progress.Callback(), [] {}), ExportCancelled);
  EXPECT_EQ(progress.done, (std::vector<long long>{256, 512, 600}));
  EXPECT_EQ(m.q.RecNo(), 10);
}

TEST(QueryWalk, FromTheCurrentRowAndEndingEarly) {
  MemoryQuery m(ManyRowsSetup(600), "select id, name from Big order by id");
  m.q.MoveTo(598);
  std::vector<int> seen;
  EXPECT_EQ(WalkQuery(m.q, [&] { seen.push_back(m.q.RecNo()); }, WalkFrom::Current), 3);
  EXPECT_EQ(seen, (std::vector<int>{598, 599, 600}));
  EXPECT_EQ(m.q.RecNo(), 598);

  // A visit that answers false ends the walk after its row.
  seen.clear();
  EXPECT_EQ(WalkQuery(m.q,
                      [&] {
                        seen.push_back(m.q.RecNo());
                        return m.q.RecNo() < 3;
                      }),
            3);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(m.q.RecNo(), 598);

  // Counting rows from the current one, with the report the caller makes at its end.
  Recorder progress;
  RowProgress counted(progress.Callback(), 3);
  m.q.MoveTo(598);
  WalkQuery(m.q, counted, [] {}, WalkFrom::Current);
  EXPECT_TRUE(progress.done.empty());
  counted.Done();
  EXPECT_EQ(counted.Rows(), 3);
  EXPECT_EQ(progress.done, std::vector<long long>{3});
  EXPECT_EQ(progress.totals, std::vector<long long>{3});
}

TEST(QueryWalk, AClosedQueryIsRefusedBeforeAnyRow) {
  Query closed("Closed_Q");
  bool visited = false;
  EXPECT_THROW(WalkAllRows(closed, {}, [&] { visited = true; }), std::runtime_error);
  EXPECT_FALSE(visited);
  try {
    RequireOpen(closed);
    ADD_FAILURE() << "a closed query passed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Closed_Q: Cannot perform this operation on a closed dataset");
  }
  MemoryQuery open(ManyRowsSetup(1), "select id from Big");
  EXPECT_NO_THROW(RequireOpen(open.q));
}

}  // namespace
