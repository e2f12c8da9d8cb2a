#include <gtest/gtest.h>
#include <malloc.h>
#include <sqlite3.h>

#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/RowStore.h"

using namespace orbisk;
using orbisk::testing::Exec;

namespace {

std::string Long(size_t n, char seed) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i % 23);
  return s;
}

FieldDef Def(std::string name, TFieldType type, bool calculated = false) {
  FieldDef d;
  d.name = std::move(name);
  d.type = type;
  d.size = type == ftWideString ? 40 : 0;
  d.calculated = calculated;
  return d;
}

}  // namespace

TEST(RowStore, KeepsEveryKindApartAtItsEdges) {
  RowStore s(9);
  const std::string big = Long(70000, 'a');         // packed with the row
  const std::string huge = Long((1 << 20) + 3, 'A');  // kept whole on its own
  const std::string nul("a\0b", 3);
  s.BeginRow();
  s.AddNull();
  s.AddText("");
  s.AddBytes("");
  s.AddInteger((int64_t{1} << 28) - 1);  // the largest integer kept in its cell
  s.AddInteger(-(int64_t{1} << 28) - 1);  // one past the smallest
  s.AddInteger(INT64_MIN);
  s.AddReal(-0.5);
  s.AddText(big);
  s.AddText(huge);
  s.EndRow();
  s.BeginRow();
  s.AddText(nul);
  s.AddBytes(nul);
  s.AddInteger(-(int64_t{1} << 28));
  s.AddInteger(0);
  s.AddText(std::string(127, 'x'));  // lengths on both sides of one length byte
  s.AddText(std::string(128, 'y'));
  s.AddBytes(huge);
  s.AddNull();
  s.AddReal(1e300);
  s.EndRow();
  ASSERT_EQ(s.RowCount(), 2);

  EXPECT_EQ(s.Cell(0, 0).kind(), ValueKind::Null);
  EXPECT_EQ(s.Cell(0, 1).kind(), ValueKind::Text);  // empty text is not null
  EXPECT_EQ(s.Cell(0, 1).Bytes(), "");
  EXPECT_EQ(s.Cell(0, 2).kind(), ValueKind::Blob);
  EXPECT_EQ(s.Cell(0, 3).AsInteger(), (int64_t{1} << 28) - 1);
  EXPECT_EQ(s.Cell(0, 4).AsInteger(), -(int64_t{1} << 28) - 1);
  EXPECT_EQ(s.Cell(0, 5).AsInteger(), INT64_MIN);
  EXPECT_EQ(s.Cell(0, 6).kind(), ValueKind::Real);
  EXPECT_EQ(s.Cell(0, 6).AsReal(), -0.5);
  EXPECT_EQ(s.Cell(0, 7).Bytes(), big);
  EXPECT_EQ(s.Cell(0, 8).Bytes(), huge);
  EXPECT_EQ(s.Cell(0, 8).kind(), ValueKind::Text);
  EXPECT_EQ(s.Cell(1, 0).Bytes(), nul);
  EXPECT_EQ(s.Cell(1, 1).kind(), ValueKind::Blob);
  EXPECT_EQ(s.Cell(1, 1).Bytes(), nul);
  EXPECT_EQ(s.Cell(1, 2).AsInteger(), -(int64_t{1} << 28));
  EXPECT_EQ(s.Cell(1, 3).kind(), ValueKind::Integer);
  EXPECT_EQ(s.Cell(1, 4).Bytes(), std::string(127, 'x'));
  EXPECT_EQ(s.Cell(1, 5).Bytes(), std::string(128, 'y'));
  EXPECT_EQ(s.Cell(1, 6).kind(), ValueKind::Blob);
  EXPECT_EQ(s.Cell(1, 6).Bytes(), huge);
  EXPECT_TRUE(s.Cell(1, 7).IsNull());
  EXPECT_EQ(s.Cell(1, 8).AsReal(), 1e300);
}

TEST(RowStore, RowsMustHoldEveryColumnOnce) {
  RowStore s(2);
  s.BeginRow();
  s.AddInteger(1);
  EXPECT_THROW(s.EndRow(), std::logic_error);
  RowStore t(1);
  EXPECT_THROW(t.AddNull(), std::logic_error);  // outside a row
  t.BeginRow();
  t.AddNull();
  EXPECT_THROW(t.AddNull(), std::logic_error);
  t.EndRow();
  EXPECT_EQ(t.RowCount(), 1);
  EXPECT_THROW(RowStore(-1), std::invalid_argument);
}

TEST(RowStore, ReorderMovesRowsAndRefusesAnythingButAPermutation) {
  RowStore s(2);
  for (int i = 0; i < 5000; ++i) {  // over several blocks
    s.BeginRow();
    s.AddInteger(i);
    s.AddText("row " + std::to_string(i));
    s.EndRow();
  }
  std::vector<int> order(5000);
  std::iota(order.rbegin(), order.rend(), 0);
  s.Reorder(order);
  EXPECT_EQ(s.Cell(0, 0).AsInteger(), 4999);
  EXPECT_EQ(s.Cell(4999, 1).Bytes(), "row 0");
  EXPECT_EQ(s.Cell(1234, 1).Bytes(), "row 3765");
  order[0] = order[1];  // one row twice, another lost
  EXPECT_THROW(s.Reorder(order), std::invalid_argument);
  EXPECT_THROW(s.Reorder({0, 1}), std::invalid_argument);
  order[0] = -1;
  EXPECT_THROW(s.Reorder(order), std::invalid_argument);
  EXPECT_EQ(s.Cell(0, 0).AsInteger(), 4999);  // unchanged by the refusals
}

TEST(RowStore, RefillReusesBlocksAndTrimGivesBackTheRest) {
  RowStore s(1);
  auto fill = [&](int n) {
    for (int i = 0; i < n; ++i) {
      s.BeginRow();
      s.AddText("a text of some forty bytes, kept packed");
      s.EndRow();
    }
  };
  fill(20000);
  s.Trim();
  const size_t full = s.BytesHeld();
  s.Refill(1);
  EXPECT_EQ(s.RowCount(), 0);
  fill(20000);
  s.Trim();
  EXPECT_EQ(s.BytesHeld(), full);  // the same blocks again
  s.Refill(1);
  fill(10);
  EXPECT_EQ(s.Cell(9, 0).Bytes(), "a text of some forty bytes, kept packed");
  s.Trim();
  EXPECT_LT(s.BytesHeld(), 8192u);
  s.Reset(1);
  EXPECT_LT(s.BytesHeld(), 64u);  // nothing beyond the object itself
}

class ResultRows : public ::testing::Test {
 protected:
  void SetUp() override { c.OpenMemory(); }
  Connection c;
};

TEST_F(ResultRows, EmptyOneColumnAndThreeHundredColumns) {
  Exec(c.Handle(), "CREATE TABLE one (a TEXT)");
  Query q("One_Q", &c);
  q.SetSQL("select a from one");
  q.Open();
  EXPECT_TRUE(q.Active());
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_TRUE(q.FieldByName("a").IsNull());
  EXPECT_TRUE(q.CellView(0, 0).IsNull());
  q.Close();
  Exec(c.Handle(), "INSERT INTO one VALUES ('x')");
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName("a").AsString(), "x");

  std::string create = "CREATE TABLE wide (", insert = "INSERT INTO wide VALUES (";
  for (int i = 0; i < 300; ++i) {
    create += (i ? ",c" : "c") + std::to_string(i) + (i % 2 ? " INTEGER" : " TEXT");
    insert += (i ? "," : "") + (i % 2 ? std::to_string(i * 1000003LL) : "'v" + std::to_string(i) + "'");
  }
  Exec(c.Handle(), (create + ")").c_str());
  for (int r = 0; r < 3; ++r) Exec(c.Handle(), (insert + ")").c_str());
  Query w("Wide_Q", &c);
  w.SetSQL("select * from wide");
  w.Open();
  ASSERT_EQ(w.FieldCount(), 300);
  w.Last();
  EXPECT_EQ(w.FieldByName("c0").AsString(), "v0");
  EXPECT_EQ(w.FieldByName("c299").AsInteger(), 299 * 1000003LL);
  EXPECT_EQ(w.FieldByName("c298").AsString(), "v298");
  EXPECT_EQ(w.Fields()[151].TextAt(2), std::to_string(151 * 1000003LL));
}

TEST_F(ResultRows, EmptyTextNullAndLongMemosComeBackWhole) {
  Exec(c.Handle(), "CREATE TABLE m (id INTEGER, note MEMO, b BLOB)");
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(c.Handle(), "INSERT INTO m VALUES (?, ?, ?)", -1, &st, nullptr), SQLITE_OK);
  const std::string memo = Long(200000, '0');
  const std::string bytes("\0\1\2", 3);
  auto row = [&](int id, const std::string* text, const std::string* blob) {
    sqlite3_bind_int(st, 1, id);
    text ? sqlite3_bind_text(st, 2, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT)
         : sqlite3_bind_null(st, 2);
    blob ? sqlite3_bind_blob(st, 3, blob->data(), static_cast<int>(blob->size()), SQLITE_TRANSIENT)
         : sqlite3_bind_null(st, 3);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_reset(st);
  };
  const std::string empty;
  row(1, &empty, &bytes);
  row(2, nullptr, nullptr);
  row(3, &memo, &empty);
  sqlite3_finalize(st);
  Query q("Memo_Q", &c);
  q.SetSQL("select * from m order by id");
  q.Open();
  const Field& note = q.FieldByName("note");
  EXPECT_FALSE(note.IsNull());
  EXPECT_EQ(note.View().kind(), ValueKind::Text);
  EXPECT_EQ(note.AsValue(), Value(""));
  EXPECT_EQ(q.FieldByName("b").AsValue(), Value(Blob{bytes}));
  q.Next();
  EXPECT_TRUE(note.IsNull());
  EXPECT_TRUE(q.FieldByName("b").IsNull());
  q.Next();
  EXPECT_EQ(note.AsString(), memo);
  EXPECT_EQ(q.CellValue(2, 2), Value(Blob{""}));
}

TEST_F(ResultRows, ReopeningManyTimesHoldsNoMoreMemory) {
  Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name TEXT, town TEXT)");
  Exec(c.Handle(),
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)"
       " INSERT INTO t SELECT i, 'Company ' || i, CASE WHEN i % 3 THEN 'Town ' || (i % 70) END FROM n");
  Query q("T_Q", &c);
  q.DeclareFields({Def("RecNo", ftInteger, true), Def("id", ftInteger), Def("name", ftWideString),
                   Def("town", ftWideString)});
  q.OnCalcFields = [](Query& r) { r.FieldByName("RecNo").SetCalcValue(Value(r.CalcPosition())); };
  q.SetSQL("select * from t");
  auto reopen = [&] {
    q.Close();
    q.Open();
  };
  for (int i = 0; i < 3; ++i) reopen();
  const size_t held = mallinfo2().uordblks + mallinfo2().hblkhd;
  for (int i = 0; i < 60; ++i) reopen();
  const size_t after = mallinfo2().uordblks + mallinfo2().hblkhd;
  EXPECT_LT(after, held + 64 * 1024) << "held " << held << ", after 60 reopenings " << after;
  EXPECT_EQ(q.RecordCount(), 5000);
  EXPECT_EQ(q.FieldByName("RecNo").ValueAt(4999).AsInteger(), 5000);
  // Packed: a row of this result takes far less than a cell object per value.
  EXPECT_LT(q.MemoryUsed() / 5000, 80u);
}

TEST_F(ResultRows, ReorderedRowsKeepTheirRecordsAndRenumber) {
  Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name TEXT)");
  Exec(c.Handle(), "INSERT INTO t VALUES (1, 'c'), (2, 'a'), (3, 'b')");
  Query q("T_Q", &c);
  q.DeclareFields({Def("RecNo", ftInteger, true), Def("id", ftInteger), Def("name", ftWideString)});
  q.OnCalcFields = [](Query& r) { r.FieldByName("RecNo").SetCalcValue(Value(r.CalcPosition())); };
  q.SetSQL("select id, name from t order by id");
  q.Open();
  q.MoveTo(3);  // id 3, "b"
  std::vector<QueryEvent> heard;
  int scrolls = 0;
  q.AddObserver([&](Query&, QueryEvent e) { heard.push_back(e); });
  q.AfterScroll = [&](Query&) { ++scrolls; };
  q.ReorderRows({1, 2, 0});  // by name: a, b, c
  EXPECT_EQ(q.FieldByName("name").TextAt(0), "a");
  EXPECT_EQ(q.FieldByName("id").TextAt(2), "1");
  EXPECT_EQ(q.FieldByName("name").AsString(), "b");  // the cursor stayed on its record
  EXPECT_EQ(q.RecNo(), 2);
  EXPECT_EQ(q.FieldByName("RecNo").AsInteger(), 2);  // numbered by the new position
  EXPECT_EQ(q.FieldByName("RecNo").ValueAt(0).AsInteger(), 1);
  EXPECT_EQ(heard, (std::vector<QueryEvent>{QueryEvent::Reordering, QueryEvent::Reordered}));
  EXPECT_EQ(q.LastOrder(), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(scrolls, 1);
  EXPECT_THROW(q.ReorderRows({0, 0, 1}), std::invalid_argument);
  EXPECT_EQ(q.FieldByName("name").TextAt(0), "a");
  q.Close();
  EXPECT_THROW(q.ReorderRows({}), std::runtime_error);
}

TEST_F(ResultRows, CalcHandlerSeesTheRowItCalculates) {
  Exec(c.Handle(), "CREATE TABLE t (id INTEGER)");
  Exec(c.Handle(), "INSERT INTO t VALUES (10), (20)");
  Query q("T_Q", &c);
  q.DeclareFields({Def("id", ftInteger), Def("Twice", ftWideString, true)});
  q.OnCalcFields = [](Query& r) {
    r.FieldByName("Twice").SetCalcValue(Value("x" + std::to_string(2 * r.FieldByName("id").AsInteger())));
  };
  q.SetSQL("select id from t order by id");
  q.Open();
  EXPECT_EQ(q.FieldByName("Twice").AsString(), "x20");
  EXPECT_EQ(q.FieldByName("Twice").TextAt(1), "x40");
}
