// Orders of fetched rows by one field, as the grids' title clicks use them.
#include <gtest/gtest.h>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/QuerySort.h"

using namespace orbisk;
using orbisk::testing::Exec;

class QuerySortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c.OpenMemory();
    Exec(c.Handle(), "create table t (id integer, name text, n real, code text)");
    Exec(c.Handle(),
         "insert into t values (1, 'Zèbre', 2.5, '416'), (2, 'apple', null, ''), (3, NULL, 10, '204'),"
         " (4, 'cherry', 2.5, '416'), (5, '', -1, null), (6, 'banana', 2.5, '905'), (7, 'Apple', 100, '204')");
    q.SetSQL("select * from t order by id");
    q.Open();
  }
  // The ids in the order given.
  std::vector<int64_t> Ids(const std::vector<int>& order) {
    std::vector<int64_t> out;
    for (int r : order) out.push_back(q.FieldByName("id").ViewAt(r).AsInteger());
    return out;
  }
  Connection c;
  Query q{"T_Q", &c};
};

TEST_F(QuerySortTest, TextByCollationEmptiesLastAscending) {
  auto up = SortedRowOrder(q, q.FieldByName("name"), false);
  // Case folds; equal texts (apple, Apple) keep their order; null and '' last.
  EXPECT_EQ(Ids(up), (std::vector<int64_t>{2, 7, 6, 4, 1, 3, 5}));
  auto down = SortedRowOrder(q, q.FieldByName("name"), true);
  EXPECT_EQ(Ids(down), (std::vector<int64_t>{3, 5, 1, 4, 6, 2, 7}));
}

TEST_F(QuerySortTest, NumbersByValueTiesInRankOrder) {
  EXPECT_EQ(Ids(SortedRowOrder(q, q.FieldByName("n"), false)), (std::vector<int64_t>{5, 1, 4, 6, 3, 7, 2}));
  // Ties follow the rank given (here: the reverse of the rows' order).
  std::vector<int> rank = {6, 5, 4, 3, 2, 1, 0};
  EXPECT_EQ(Ids(SortedRowOrder(q, q.FieldByName("n"), false, rank)), (std::vector<int64_t>{5, 6, 4, 1, 3, 7, 2}));
  EXPECT_THROW(SortedRowOrder(q, q.FieldByName("n"), false, {0, 1}), std::invalid_argument);
  // Text holding digits sorts as text, an empty text with the nulls.
  EXPECT_EQ(Ids(SortedRowOrder(q, q.FieldByName("code"), false)), (std::vector<int64_t>{3, 7, 1, 4, 6, 2, 5}));
}

TEST_F(QuerySortTest, ReorderedRowsFollowTheSortedOrder) {
  q.MoveTo(4);  // cherry
  q.ReorderRows(SortedRowOrder(q, q.FieldByName("name"), false));
  EXPECT_EQ(q.FieldByName("name").AsString(), "cherry");  // still the current record
  EXPECT_EQ(q.RecNo(), 4);
  q.First();
  EXPECT_EQ(q.FieldByName("id").AsInteger(), 2);
  EXPECT_LT(CompareForSort(ValueView::Integer(3), ValueView::Text("3")), 0);  // numbers before texts
  EXPECT_GT(CompareForSort(ValueView(), ValueView::Integer(-5)), 0);
  EXPECT_EQ(CompareForSort(ValueView(), ValueView::Text("")), 0);
}

TEST_F(QuerySortTest, EmptyResult) {
  Query e{"E_Q", &c};
  e.SetSQL("select * from t where id < 0");
  e.Open();
  EXPECT_TRUE(SortedRowOrder(e, e.FieldByName("name"), true).empty());
}

TEST(QuerySortKeys, ManyRowsSortAsTheComparisonSaysStableAndReversible) {
  // Texts mixing plain ASCII (sorted by keys) with accented, decomposed and
  // invalid ones (sorted by the full comparison), sharing long prefixes, with
  // duplicates in every letter case, nulls, empty texts and numbers.
  Connection c;
  c.OpenMemory();
  Exec(c.Handle(), "create table t (id integer, v)");
  const char* stems[] = {"Abbott Industries", "abbott industrieS", "Abbott Industries Ltd", "Abbott-Industries",
                         "Abbott Indus\xC3\xA9tries", "\xC3\x89toile Inc", "Etoile Inc", "E\xCC\x81toile Inc",
                         "etoile inc", "Zebra", "\xFFZebra", "O''Brien", "OBrien", "o brien", "1st Choice", " ",
                         "Abbott Industries\x01"};
  std::string insert = "insert into t values ";
  int id = 0;
  for (int round = 0; round < 6; ++round)
    for (const char* s : stems) {
      std::string v = std::string("'") + s + "'";
      if (round == 1 && id % 5 == 0) v = "null";
      if (round == 2 && id % 7 == 0) v = "''";
      if (round == 3 && id % 4 == 0) v = std::to_string(id % 3);
      insert += (id ? "," : "") + std::string("(") + std::to_string(id) + "," + v + ")";
      ++id;
    }
  Exec(c.Handle(), insert.c_str());
  Query q("T_Q", &c);
  // Column a: the same values where they are plain ASCII, so every text there
  // has the quick key.
  q.SetSQL("select id, v, case when cast(v as blob) glob '*[^ -~]*' then 'Plain' else v end as a from t order by id");
  q.Open();
  const int n = q.RecordCount();
  for (const char* column : {"v", "a"}) {
  const Field& v = q.FieldByName(column);
  std::vector<int> rank(static_cast<size_t>(n));
  for (int r = 0; r < n; ++r) rank[static_cast<size_t>(r)] = (r * 37) % n;  // a permutation: 37 and n share no factor
  ASSERT_EQ(n % 37 == 0, false);
  for (bool descending : {false, true})
    for (bool ranked : {false, true}) {
      std::vector<int> want(static_cast<size_t>(n));
      for (int r = 0; r < n; ++r) want[static_cast<size_t>(r)] = r;
      std::stable_sort(want.begin(), want.end(), [&](int x, int y) {
        const int cmp = CompareForSort(v.ViewAt(x), v.ViewAt(y));
        if (cmp != 0) return descending ? cmp > 0 : cmp < 0;
        return ranked ? rank[static_cast<size_t>(x)] < rank[static_cast<size_t>(y)] : x < y;
      });
      EXPECT_EQ(SortedRowOrder(q, v, descending, ranked ? rank : std::vector<int>{}), want)
          << column << (descending ? " descending" : " ascending") << (ranked ? ", ranked" : "");
    }
  }
}
