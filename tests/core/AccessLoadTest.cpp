// Loading Access files into the engine: every column type and its edge values,
// long values spread over many pages, and Access files against the same data
// kept as SQLite.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "ImporterSupport.h"
#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/jet/JetText.h"
#include "data/jet/JetWriter.h"

using namespace orbisk;
using orbisk::testing::Exec;
using orbisk::testing::TempFolder;

namespace {

// Every row of a table through the dataset layer.
std::vector<std::vector<Value>> Loaded(Connection& c, const std::string& table) {
  Query q("T_Q", &c);
  q.SetSQL("select * from [" + table + "]");
  q.Open();
  std::vector<std::vector<Value>> rows;
  for (int r = 0; r < q.RecordCount(); ++r) {
    rows.emplace_back();
    for (size_t col = 0; col < q.Columns().size(); ++col) rows.back().push_back(q.CellValue(r, static_cast<int>(col)));
  }
  return rows;
}

std::string Repeat(const std::string& piece, size_t times) {
  std::string s;
  for (size_t i = 0; i < times; ++i) s += piece;
  return s;
}

}  // namespace

TEST(AccessLoad, EveryColumnTypeReadsBackWithItsEdgeValues) {
  TempFolder tmp;
  const std::string path = tmp.Path() + "types.mdb";
  using namespace orbisk::jet;
  using Type = orbisk::jet::ColumnType;
  JetWriter w(path, JetWriter::Mode::CreateNew);
  int t = w.CreateTable({"Types",
                         {CounterColumn("Id"), TextColumn("Latin", 255), TextColumn("Wide", 40), MemoColumn("Memo"),
                          Column("Small", Type::Byte), IntegerColumn("Short"), LongColumn("Long"),
                          Column("Flag", Type::Bit), Column("Real", Type::Double),
                          Column("Single", Type::Single), Column("Money", Type::Money),
                          Column("When", Type::DateTime), Column("Picture", Type::Ole)}});
  const std::string binary("\0\1\2\xFF\0z", 6);
  const std::string longBinary = Repeat(binary, 2000);  // 12,000 bytes: a chain of long-value rows
  const std::vector<std::vector<Value>> rows = {
      // Empty texts and memos are not nulls.
      {1, "", "", "", 0, 0, 0, 0, 0.0, 0.0, 0.0, "1899-12-30 00:00:00", Blob{""}},
      {2, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
      // Ranges, Latin-1 (stored compressed), other scripts and characters beyond the BMP (stored as UCS-2).
      {3, "Montréal, Québec", "Ωμέγα 😀 中文", "Ligne 1\r\nLigne 2 — fin", 255, -32768, INT_MIN, 1, 1e-300, 0.1,
       1234.5678, "1899-12-29 06:00:00", Blob{binary}},
      {4, Repeat("é", 255), Repeat("Ж", 40), Repeat("Société générale ", 300), 1, 32767, INT_MAX, 1, -0.5, -3.25,
       -214748.3648, "9999-12-31 23:59:59", Blob{longBinary}},
      {5, "O'Brien", "a", Repeat("x\xE2\x82\xAC", 5000), 7, -1, -1, 0, 12345.678901234567, 16777216.0, 0.0001,
       "0100-01-01 12:00:00", Blob{"x"}},
  };
  for (const auto& r : rows) w.AppendRow(t, r);
  w.Commit();

  Connection c;
  c.SetImporter(orbisk::testing::AnyTablesImporter());
  c.SetConnectionString("Data Source=" + path);
  auto loaded = Loaded(c, "Types");
  ASSERT_EQ(loaded.size(), rows.size());
  const auto& columns = w.Table(t).columns;
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t col = 0; col < columns.size(); ++col) {
      Value want = rows[r][col];
      if (columns[col].type == Type::Bit && want.IsNull()) want = 0;  // a Yes/No column holds no null
      // CURRENCY has SQLite's numeric affinity: a whole amount is kept as an integer.
      if (columns[col].type == Type::Money && !want.IsNull() && want.AsReal() == std::trunc(want.AsReal()))
        want = static_cast<int64_t>(want.AsReal());
      EXPECT_EQ(loaded[r][col], want) << "row " << r << " column " << columns[col].name << ": ["
                                      << loaded[r][col].AsText() << "]";
    }
  }
}

// Stored text straight to UTF-8 gives what decoding to UTF-16 and then to
// UTF-8 gives, for both stored forms and their mode switches.
TEST(AccessLoad, StoredTextDecodesStraightToUtf8) {
  using orbisk::jet::DecodeTextUtf8;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"\xFF\xFE", ""},
      {"\xFF\xFE" "Qu\xE9" "bec", "Québec"},                       // compressed Latin-1
      {std::string("\xFF\xFE" "ab\0\x01\x01\0c", 9), "abāc"},      // switches to UCS-2 and back
      {std::string("\xFF\xFE" "a\0\x01", 5), "a"},                  // a UCS-2 half at the end is dropped
      {std::string("M\0o\0n\0t\0r\0\xE9\0", 12), "Montré"},     // UCS-2
      {std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80"},    // a surrogate pair: one character
      {std::string("\x3D\xD8" "a\0", 4), "\xEF\xBF\xBD" "a"},        // a lone high surrogate
      {std::string("\x00\xDE", 2), "\xEF\xBF\xBD"},                  // a lone low surrogate
      {std::string("a\0b", 3), "a"},                                 // an odd last byte is no character
  };
  std::string out = "left over";
  for (const auto& [stored, want] : cases) {
    DecodeTextUtf8(stored, out);
    EXPECT_EQ(out, want) << ::testing::PrintToString(stored);
    EXPECT_EQ(out, orbisk::jet::Utf16ToUtf8(orbisk::jet::DecodeText(stored))) << ::testing::PrintToString(stored);
  }
}

// Values of several memo columns interleave on their pages; each value must
// come from its own row whatever the reader keeps of the pages in between.
TEST(AccessLoad, LongValuesOfManyRowsAndColumnsComeFromTheirOwnRows) {
  TempFolder tmp;
  const std::string path = tmp.Path() + "memos.mdb";
  using namespace orbisk::jet;
  JetWriter w(path, JetWriter::Mode::CreateNew);
  std::vector<ColumnDef> columns = {LongColumn("N")};
  for (int k = 0; k < 20; ++k) columns.push_back(MemoColumn("M" + std::to_string(k)));
  int t = w.CreateTable({"Memos", columns});
  std::vector<std::vector<Value>> rows;
  for (int n = 0; n < 150; ++n) {
    std::vector<Value> row = {n};
    for (int k = 0; k < 20; ++k) {
      // Short (in the row), one page row, or a chain, by turns.
      size_t repeat = (n + k) % 3 == 0 ? 2 : (n + k) % 3 == 1 ? 150 : 700;
      row.push_back(Repeat("r" + std::to_string(n) + "c" + std::to_string(k) + " ", repeat));
    }
    rows.push_back(row);
    w.AppendRow(t, row);
  }
  w.Commit();
  Connection c;
  c.SetImporter(orbisk::testing::AnyTablesImporter());
  c.SetConnectionString("Data Source=" + path);
  auto loaded = Loaded(c, "Memos");
  ASSERT_EQ(loaded.size(), rows.size());
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t col = 0; col < columns.size(); ++col)
      ASSERT_EQ(loaded[r][col], rows[r][col]) << "row " << r << " column " << columns[col].name;
}

// The real Access files, once imported, hold the same rows as a SQLite file
// with the same tables (which is itself imported, being no file of Orbisk's
// tools): the dataset layer sees the same fields and values either way.
TEST(AccessLoad, AccessFilesAndTheirSqliteCopiesGiveTheSameRows) {
  const std::string dir = std::string(ORBISK_TEST_DATA) + "/access/";
  int tables = 0;
  for (const char* name : {"test2V2000.mdb", "testUnicodeCompV2003.mdb", "overflowTestV2000.mdb",
                           "fixedTextTestV2000.mdb", "indexTestV2000.mdb", "bigIndexTestV2000.mdb"}) {
    TempFolder tmp;
    const std::string copy = tmp.Path() + "copy.mdb";
    Connection access;
    access.SetImporter(orbisk::testing::AnyTablesImporter());
    access.SetConnectionString("Data Source=" + dir + name);
    // The imported copy, read from a connection of its own that writes the plain SQLite file.
    const std::string imported = sqlite3_db_filename(access.Handle(), "main");
    Connection writer;
    writer.OpenWritable(copy);
    sqlite3* db = writer.Handle();
    Exec(db, "ATTACH DATABASE '" + imported + "' AS imported");
    std::vector<std::string> names;
    {
      sqlite3_stmt* st = nullptr;
      ASSERT_EQ(sqlite3_prepare_v2(db,
                                   "select name, sql from imported.sqlite_master where type = 'table'"
                                   " and name <> 'Orbisk_Directory'",
                                   -1, &st, nullptr),
                SQLITE_OK);
      std::vector<std::string> creates;
      while (sqlite3_step(st) == SQLITE_ROW) {
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        creates.push_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
      }
      sqlite3_finalize(st);
      for (size_t i = 0; i < names.size(); ++i) {
        Exec(db, creates[i]);
        Exec(db, "INSERT INTO main.\"" + names[i] + "\" SELECT * FROM imported.\"" + names[i] + "\"");
      }
      Exec(db, "DETACH DATABASE imported");
    }
    writer.Close();
    Connection sqlite;
    sqlite.SetImporter(orbisk::testing::AnyTablesImporter());
    sqlite.SetConnectionString("Data Source=" + copy);
    ASSERT_EQ(DetectDatabaseFormat(copy), DatabaseFormat::Sqlite) << name << ": " << names.size() << " tables";
    for (const auto& table : names) {
      ++tables;
      Query a("A_Q", &access), s("S_Q", &sqlite);
      a.SetSQL("select * from [" + table + "]");
      s.SetSQL("select * from [" + table + "]");
      a.Open();
      s.Open();
      ASSERT_EQ(a.RecordCount(), s.RecordCount()) << name << " " << table;
      ASSERT_EQ(a.Columns().size(), s.Columns().size()) << name << " " << table;
      for (size_t col = 0; col < a.Columns().size(); ++col) {
        EXPECT_EQ(a.Columns()[col].name, s.Columns()[col].name);
        EXPECT_EQ(a.Columns()[col].type, s.Columns()[col].type) << name << " " << table << "." << a.Columns()[col].name;
        EXPECT_EQ(a.Columns()[col].size, s.Columns()[col].size) << name << " " << table << "." << a.Columns()[col].name;
      }
      for (int r = 0; r < a.RecordCount(); ++r)
        for (size_t col = 0; col < a.Columns().size(); ++col)
          ASSERT_EQ(a.CellValue(r, static_cast<int>(col)), s.CellValue(r, static_cast<int>(col)))
              << name << " " << table << "." << a.Columns()[col].name << " row " << r;
    }
  }
  EXPECT_GE(tables, 8);
}
