#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "JetTestSupport.h"
#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Schema.h"
#include "data/jet/JetEmptyDatabase.h"
#include "data/jet/JetIndex.h"
#include "data/jet/JetPageFile.h"
#include "data/jet/JetRow.h"
#include "data/jet/JetSchema.h"
#include "data/jet/JetTableDef.h"
#include "data/jet/JetText.h"
#include "data/jet/JetUsageMap.h"
#include "data/jet/JetWriter.h"

// The files the Jet writer produces: the empty database, pages and usage
// maps, the catalog and its indexes, tables added to real Access files.
using namespace orbisk::jet;
using orbisk::Value;
using orbisk::testing::CatalogRows;
using orbisk::testing::CopyInto;
using orbisk::testing::FileBytes;
using orbisk::testing::PointerOf;
using orbisk::testing::ReadWithLibmdb;
using orbisk::testing::Snapshot;
using orbisk::testing::TablesWithLibmdb;
using orbisk::testing::TempFolder;
using orbisk::testing::WalkIndexesWithLibmdb;

namespace {

const std::string& kAccessDir = orbisk::testing::kAccessTestFiles;

}  // namespace

TEST(JetNewDatabase, MatchesTheEmptyDatabaseJetItselfCreates) {
  const std::string jet = FileBytes(kAccessDir + "adox_jet4.mdb");
  PageFile reference = PageFile::Load(kAccessDir + "adox_jet4.mdb");
  Page header = reference.At(0);
  MaskHeader(header);
  double created;
  std::memcpy(&created, &header[0x72], 8);
  PageFile ours = BuildEmptyDatabase(created);
  ASSERT_EQ(ours.PageCount() * static_cast<size_t>(kPageSize), jet.size());

  // Bytes Jet leaves uninitialised: the fixed offset of variable columns, the
  // order byte of unused index column slots; and the creation times of the rows.
  std::set<size_t> ignored;
  for (uint32_t tdef : {2u, 3u, 4u, 5u}) {
    TableInfo t = ReadTableInfo(reference, tdef);
    size_t pos = 63 + 12 * t.indexes.size();
    for (const auto& c : t.columns) {
      if (!c.Fixed()) ignored.insert(tdef * kPageSize + pos + 21), ignored.insert(tdef * kPageSize + pos + 22);
      pos += 25;
    }
    for (const auto& c : t.columns) pos += 2 + 2 * c.name.size();
    for (const auto& idx : t.indexes) {
      for (size_t k = idx.columns.size(); k < 10; ++k) ignored.insert(tdef * kPageSize + pos + 6 + 3 * k);
      pos += 52;
    }
  }
  const Page& rows = reference.At(14);
  for (int r = 0; r < DataRowCount(rows); ++r)
    for (size_t i = 0; i < 16; ++i) ignored.insert(14 * kPageSize + Get16(&rows[14 + 2 * r]) + 2 + 10 + i);

  int differences = 0;
  for (uint32_t p = 0; p < ours.PageCount(); ++p)
    for (int i = 0; i < kPageSize; ++i) {
      size_t at = p * static_cast<size_t>(kPageSize) + i;
      if (ours.At(p)[i] != static_cast<uint8_t>(jet[at]) && !ignored.count(at)) {
        if (++differences < 10) ADD_FAILURE() << "page " << p << " byte " << i;
      }
    }
  EXPECT_EQ(differences, 0);
}

TEST(JetNewDatabase, ReadersSeeTheSystemTablesAndTheirIndexes) {
  TempFolder tmp;
  std::string path = tmp.Path() + "new.mdb";
  JetWriter::CreateDatabase(path);
  EXPECT_TRUE(TablesWithLibmdb(path).empty());
  auto objects = ReadWithLibmdb(path, "MSysObjects");
  ASSERT_EQ(objects.rows.size(), 8u);
  EXPECT_EQ(objects.countInDefinition, 8);
  EXPECT_EQ(*objects.rows[0][2], "Tables");
  EXPECT_EQ(*objects.rows[3][2], "MSysDb");
  EXPECT_EQ(ReadWithLibmdb(path, "MSysACEs").rows.size(), 16u);
  std::set<uint32_t> catalog = CatalogRows(path);
  auto indexes = WalkIndexesWithLibmdb(path, "MSysObjects");
  ASSERT_EQ(indexes.size(), 2u);
  for (const auto& [name, pointers] : indexes)
    EXPECT_EQ(std::set<uint32_t>(pointers.begin(), pointers.end()), catalog) << name;
}

TEST(JetPages, AtMost255RowsOnAPage) {
  TempFolder tmp;
  std::string path = tmp.Path() + "bits.mdb";
  JetWriter w(path, JetWriter::Mode::CreateNew);
  int t = w.CreateTable({"Bits", {Column("Flag", ColumnType::Bit)}});
  for (int i = 0; i < 600; ++i) w.AppendRow(t, {i % 3 == 0});
  w.Commit();
  PageFile f = PageFile::Load(path);
  TableInfo info = ReadTableInfo(f, 16);
  std::vector<int> perPage;
  for (uint32_t page : ReadUsageMap(f, info.ownedMap)) perPage.push_back(DataRowCount(f.At(page)));
  EXPECT_EQ(perPage, (std::vector<int>{255, 255, 90}));
  auto read = ReadWithLibmdb(path, "Bits");
  ASSERT_EQ(read.rows.size(), 600u);
  for (int i = 0; i < 600; ++i) EXPECT_EQ(*read.rows[i][0], i % 3 == 0 ? "1" : "0") << i;
}

TEST(JetPages, TableBeyond512PagesUsesAReferenceMap) {
  TempFolder tmp;
  std::string path = tmp.Path() + "big.mdb";
  JetWriter w(path, JetWriter::Mode::CreateNew);
  std::vector<ColumnDef> columns{LongColumn("N")};
  for (int i = 0; i < 15; ++i) columns.push_back(TextColumn("T" + std::to_string(i), 255));
  int t = w.CreateTable({"Big", columns});
  for (int n = 0; n < 700; ++n) {
    std::vector<Value> v{n};
    for (int i = 0; i < 15; ++i) v.emplace_back(std::string(250, static_cast<char>('a' + (n + i) % 26)));
    w.AppendRow(t, v);
  }
  w.Commit();
  PageFile f = PageFile::Load(path);
  TableInfo info = ReadTableInfo(f, 16);
  EXPECT_EQ(ReadRow(f, info.ownedMap >> 8, static_cast<int>(info.ownedMap & 0xFF))[0], 1);  // reference map
  EXPECT_EQ(ReadUsageMap(f, info.ownedMap).size(), 700u);
  auto read = ReadWithLibmdb(path, "Big");
  ASSERT_EQ(read.rows.size(), 700u);
  EXPECT_EQ(*read.rows[699][0], "699");
  EXPECT_EQ(*read.rows[699][15], std::string(250, static_cast<char>('a' + (699 + 14) % 26)));
}

TEST(JetExistingFiles, TablesAddedToEveryTestFileReadBackAndOldDataStays) {
  TempFolder tmp;
  for (const auto& entry : std::filesystem::directory_iterator(kAccessDir)) {
    if (entry.path().extension() != ".mdb") continue;
    std::string name = entry.path().filename().string();
    std::string path = tmp.Path() + name;
    CopyInto(entry.path().string(), path);
    auto before = Snapshot(path);
    long long catalogRows = ReadWithLibmdb(path, "MSysObjects").countInDefinition;
    {
      JetWriter w(path);
      EXPECT_THROW(w.CreateTable({"msysobjects", {LongColumn("Id")}}), JetError) << name;
      int t = w.CreateTable({"Company", {CounterColumn("Company_ID"), TextColumn("Company_Name", 80),
                                         MemoColumn("Company_Description"), IntegerColumn("Year_Established")}});
      for (int i = 0; i < 300; ++i)
        w.AppendRow(t, {nullptr, "Société " + std::to_string(i), std::string(i * 20, 'd'), 1900 + i});
      w.Commit();
    }
    auto after = Snapshot(path);
    ASSERT_EQ(after.count("Company"), 1u) << name;
    const auto& company = after["Company"];
    ASSERT_EQ(company.size(), 300u) << name;
    EXPECT_EQ(company[299][1], "Société 299") << name;
    EXPECT_EQ(company[299][2], std::string(299 * 20, 'd')) << name;
    after.erase("Company");
    EXPECT_EQ(after, before) << name;
    EXPECT_EQ(ReadWithLibmdb(path, "MSysObjects").countInDefinition, catalogRows + 1) << name;
    std::set<uint32_t> catalog = CatalogRows(path);
    for (const auto& [index, pointers] : WalkIndexesWithLibmdb(path, "MSysObjects"))
      EXPECT_EQ(std::set<uint32_t>(pointers.begin(), pointers.end()), catalog) << name << " " << index;
  }
}

TEST(JetCatalog, ManyTablesSplitTheCatalogIndexesIntoATree) {
  TempFolder tmp;
  std::string path = tmp.Path() + "many.mdb";
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) names.push_back("Table " + std::to_string(i * 7919 % 100000) + " of the catalog");
  std::shuffle(names.begin(), names.end(), std::mt19937(7));
  {
    JetWriter w(path, JetWriter::Mode::CreateNew);
    for (const auto& n : names) w.AppendRow(w.CreateTable({n, {LongColumn("A")}}), {1});
    w.Commit();
  }
  std::vector<std::string> listed = TablesWithLibmdb(path);
  EXPECT_EQ(listed.size(), names.size());

  PageFile f = PageFile::Load(path);
  TableInfo objects = ReadTableInfo(f, 2);
  std::set<uint32_t> catalog = CatalogRows(path);
  ASSERT_EQ(catalog.size(), 408u);
  std::map<std::string, std::vector<uint32_t>> ours;
  for (size_t i = 0; i < objects.indexes.size(); ++i) {
    EXPECT_EQ(f.At(objects.indexes[i].rootPage)[0], kIndexNodePage);  // the root leaf was split
    std::vector<std::string> entries = ReadIndexEntries(f, objects.indexes[i].rootPage);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_EQ(objects.indexes[i].distinctKeys, 408u);
    for (const auto& e : entries) ours[i == 0 ? "ParentIdName" : "Id"].push_back(PointerOf(e));
  }
  for (const auto& [name, pointers] : WalkIndexesWithLibmdb(path, "MSysObjects")) {
    EXPECT_EQ(std::set<uint32_t>(pointers.begin(), pointers.end()), catalog) << name;
    EXPECT_EQ(pointers, ours[name]) << name;  // the same order as ours
  }
  for (const auto& [name, pointers] : WalkIndexesWithLibmdb(path, "MSysACEs"))
    EXPECT_EQ(pointers.size(), 16u + 3 * names.size()) << name;
}

TEST(JetDirectory, DirectoryWrittenAsAccessLoadsBackWithItsTypesAndValues) {
  TempFolder tmp;
  std::string path = tmp.Path() + "corpdir.mdb";
  auto sample = [](const orbisk::SchemaColumn& c) -> Value {
    switch (c.type.kind) {
      case orbisk::ColumnKind::Text: {
        std::string s;
        for (int i = 0; i < c.type.size; ++i) s += i % 2 ? "é" : "Q";  // as long as the column allows
        return s;
      }
      case orbisk::ColumnKind::Integer: return 123456789;
      case orbisk::ColumnKind::SmallInteger: return -1234;
      case orbisk::ColumnKind::Counter: return nullptr;
      case orbisk::ColumnKind::Memo: return std::string(5000, 'm');
      default: return nullptr;
    }
  };
  {
    JetWriter w(path, JetWriter::Mode::CreateNew);
    for (const auto& table : orbisk::DirectoryTables()) {
      int t = w.CreateTable(JetTableFor(table));
      std::vector<Value> full, empty;
      for (const auto& c : table.columns) full.push_back(sample(c)), empty.emplace_back();
      w.AppendRow(t, full);
      w.AppendRow(t, empty);
    }
    w.Commit();
  }
  orbisk::Connection c;
  c.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
  c.EnsureOpen();
  for (const auto& table : orbisk::DirectoryTables()) {
    size_t i = 0;
    orbisk::testing::ForEachRow(c.Handle(), "PRAGMA table_info(\"" + table.name + "\")", [&](sqlite3_stmt* st) {
      ASSERT_LT(i, table.columns.size()) << table.name;
      const auto& column = table.columns[i++];
      EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), column.name);
      auto type = orbisk::ColumnTypeFromDeclared(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
      EXPECT_EQ(type.kind, column.type.kind) << table.name << "." << column.name;
      EXPECT_EQ(type.size, column.type.size) << table.name << "." << column.name;
    });
    EXPECT_EQ(i, table.columns.size());
    int row = 0;
    orbisk::testing::ForEachRow(c.Handle(), "SELECT * FROM \"" + table.name + "\"", [&](sqlite3_stmt* st) {
      for (size_t k = 0; k < table.columns.size(); ++k) {
        const auto& column = table.columns[k];
        Value want = row == 0 ? sample(column) : Value();
        if (column.type.kind == orbisk::ColumnKind::Counter) want = row + 1;
        std::string got = sqlite3_column_type(st, static_cast<int>(k)) == SQLITE_NULL
                              ? "(null)"
                              : reinterpret_cast<const char*>(sqlite3_column_text(st, static_cast<int>(k)));
        EXPECT_EQ(got, want.IsNull() ? "(null)" : want.AsText()) << table.name << "." << column.name << " row " << row;
      }
      ++row;
    });
    EXPECT_EQ(row, 2) << table.name;
  }
}

TEST(JetCatalog, IndexTreesGrowByMoreThanOneLevel) {
  // Long names in the ParentIdName index, inserted in random order, until its
  // node pages split too.
  TempFolder tmp;
  std::string path = tmp.Path() + "deep.mdb";
  PageFile f = BuildEmptyDatabase(45000.5);
  TableInfo objects = ReadTableInfo(f, 2);
  const RealIndexInfo& byName = objects.indexes[0];
  std::vector<int> order(3000);
  for (int i = 0; i < 3000; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(3));
  for (int i : order) {
    std::string entry;
    AppendLongKey(entry, kTablesContainerId);
    ASSERT_TRUE(AppendTextKey(entry, Utf8ToUtf16("Name " + std::to_string(i) + std::string(60, 'x'))));
    AppendRowPointer(entry, 14, i % 200);
    InsertIndexEntry(f, objects, byName, entry);
  }
  f.Save(path);
  int depth = 1;
  for (uint32_t p = byName.rootPage; f.At(p)[0] == kIndexNodePage; ++depth) p = PointerOf(ReadIndexPage(f.At(p))[0]);
  EXPECT_GE(depth, 3);
  std::vector<std::string> entries = ReadIndexEntries(f, byName.rootPage);
  ASSERT_EQ(entries.size(), 3008u);
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
  std::vector<uint32_t> ours;
  for (const auto& e : entries) ours.push_back(PointerOf(e));
  bool walked = false;
  for (const auto& [name, pointers] : WalkIndexesWithLibmdb(path, "MSysObjects")) {
    if (name != "ParentIdName") continue;
    walked = true;
    EXPECT_EQ(pointers, ours);
  }
  EXPECT_TRUE(walked);
  std::vector<uint32_t> pages = ReadUsageMap(f, byName.usageMap);
  EXPECT_GT(pages.size(), 60u);  // every new page is in the index's usage map
  for (uint32_t p : pages) EXPECT_TRUE(f.At(p)[0] == kIndexLeafPage || f.At(p)[0] == kIndexNodePage) << p;
}

TEST(JetExistingFiles, WhatIsNoFileIsNamedWithoutBlocking) {
  TempFolder tmp;
  const std::string fifo = tmp.Path() + "pipe.mdb";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  const std::string huge = tmp.Path() + "huge.mdb";
  // A sparse file beyond the 2 GB an Access database can hold: refused before any is read.
  CopyInto(kAccessDir + "emptyJet4.mdb", huge);
  ASSERT_EQ(truncate(huge.c_str(), (off_t{2} << 30) + 4096), 0);
  auto message = [](const std::string& path) {
    try {
      PageFile::Load(path);
    } catch (const JetError& e) {
      return std::string(e.what());
    }
    return std::string("loaded");
  };
  EXPECT_EQ(message(tmp.Path()), "'" + tmp.Path() + "' is a folder.");
  EXPECT_EQ(message(fifo), "'" + fifo + "' is a FIFO.");
  EXPECT_EQ(message("/dev/null"), "'/dev/null' is a device.");
  EXPECT_EQ(message(huge), "'" + huge + "' is larger than an Access database can be.");
  EXPECT_EQ(message(tmp.Path() + "missing.mdb"), "Could not find file '" + tmp.Path() + "missing.mdb'.");
}
