// What bound controls hear of a query: openings, closings, moves, new orders
// and walks told apart, and what a suspension holds back.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"

using namespace orbisk;
using orbisk::testing::Exec;

namespace {

class QueryEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    c.OpenMemory();
    Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name TEXT)");
    Exec(c.Handle(), "INSERT INTO t VALUES (1, 'c'), (2, 'a'), (3, 'b')");
    q.SetSQL("select id, name from t order by id");
    q.AddObserver([this](Query& r, QueryEvent e) {
      heard.push_back(e);
      rowsWhenHeard.push_back(r.RecordCount());
    });
  }
  std::vector<QueryEvent> Take() { return std::exchange(heard, {}); }
  Connection c;
  Query q{"T_Q", &c};
  std::vector<QueryEvent> heard;
  std::vector<int> rowsWhenHeard;
};

using E = QueryEvent;

TEST_F(QueryEvents, EachChangeIsToldByItsKind) {
  q.Open();
  EXPECT_EQ(Take(), (std::vector<E>{E::Opened}));
  q.Next();
  q.MoveTo(3);
  EXPECT_EQ(Take(), (std::vector<E>{E::Scrolled, E::Scrolled}));
  q.ReorderRows({2, 0, 1});
  EXPECT_EQ(Take(), (std::vector<E>{E::Reordering, E::Reordered}));
  EXPECT_EQ(q.LastOrder(), (std::vector<int>{2, 0, 1}));
  // A wrong order is refused before anyone hears of it.
  EXPECT_THROW(q.ReorderRows({0, 1}), std::invalid_argument);
  EXPECT_THROW(q.ReorderRows({0, 1, 1}), std::invalid_argument);
  EXPECT_TRUE(Take().empty());
  q.Close();
  q.Close();  // a closed query closes once
  EXPECT_EQ(Take(), (std::vector<E>{E::Closed}));
}

TEST_F(QueryEvents, AWalkIsHeardOnlyByItsBounds) {
  q.Open();
  q.MoveTo(2);
  Take();
  {
    WalkGuard walk(q);
    q.DisableControls();  // nested: the walk still ends once
    for (q.First(); !q.Eof(); q.Next()) {
    }
    q.EnableControls();
  }
  EXPECT_EQ(Take(), (std::vector<E>{E::WalkBegan, E::WalkEnded}));
  EXPECT_EQ(q.RecNo(), 2);
}

TEST_F(QueryEvents, ANewResultWithinASuspensionIsToldOnceAtItsEnd) {
  q.Open();
  Take();
  rowsWhenHeard.clear();
  q.DisableControls();
  q.Close();
  q.SetSQL("select id, name from t where id > 1");
  q.Open();
  q.Next();
  q.EnableControls();
  // Told when the new rows are there, before the walk's end.
  EXPECT_EQ(Take(), (std::vector<E>{E::WalkBegan, E::Opened, E::WalkEnded}));
  EXPECT_EQ(rowsWhenHeard, (std::vector<int>{3, 2, 2}));
  // Closed and not opened again: a closing.
  q.DisableControls();
  q.Close();
  q.EnableControls();
  EXPECT_EQ(Take(), (std::vector<E>{E::WalkBegan, E::Closed, E::WalkEnded}));
  // Nothing replaced: only the bounds.
  q.DisableControls();
  q.EnableControls();
  EXPECT_EQ(Take(), (std::vector<E>{E::WalkBegan, E::WalkEnded}));
}

TEST_F(QueryEvents, ANewOrderCannotWaitForTheSuspensionsEnd) {
  q.Open();
  Take();
  q.DisableControls();
  q.ReorderRows({1, 2, 0});
  q.EnableControls();
  EXPECT_EQ(Take(), (std::vector<E>{E::WalkBegan, E::Reordering, E::Reordered, E::WalkEnded}));
}

}  // namespace
