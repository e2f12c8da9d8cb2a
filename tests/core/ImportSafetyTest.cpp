// What the importer does with files made to harm: it runs sandboxed, runs
// no SQL of a file, takes only the directory's own tables, and reports
// damaged Access data instead of serving fewer or wrong rows.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ImporterSupport.h"
#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "import/Import.h"
#include "import/RowDecode.h"

using namespace orbisk;
using orbisk::testing::Exec;
using orbisk::testing::ScopedCache;
using orbisk::testing::TempFolder;
namespace fs = std::filesystem;

using orbisk::testing::Bytes;
using orbisk::testing::Write;

namespace {

const std::string kAccess = std::string(ORBISK_TEST_DATA) + "/access/";
const std::string kImporter = std::string(ORBISK_BUILD_DIR) + "/bin/orbisk-import";


std::string Script(const TempFolder& tmp, const std::string& name, const std::string& body) {
  const std::string path = tmp.Path() + name;
  Write(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

// The error of opening `path` (empty when it opened).
std::string OpenError(const std::string& path, const std::string& importer = "") {
  Connection c;
  c.SetConnectionString("Data Source=" + path);
  if (!importer.empty()) c.SetImporter(importer);
  try {
    c.EnsureOpen();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

long long Count(Connection& c, const std::string& sql) {
  Query q("T_Q", &c);
  q.SetSQL(sql);
  q.Open();
  return q.CellValue(0, 0).AsInteger();
}

bool NoImportLeft(const ScopedCache& cache) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(cache.Folder(), ec))
    if (e.path().filename().string().find(".import-") != std::string::npos) return false;
  return true;
}

// A SQLite directory with every table and row of the small test directory,
// but not marked as made by our tools: it is imported.
std::string ForeignDirectory(const TempFolder& tmp, const std::string& name) {
  const std::string path = orbisk::testing::WriteSmallDirectory(tmp.Path() + name + "/");
  Connection w;
  w.OpenWritable(path);
  Exec(w.Handle(), "DROP TABLE Orbisk_Directory; PRAGMA application_id = 0");
  return path;
}

// Replaces the text of a schema row as a crafted file would hold it.
void SetSchemaText(const std::string& path, const std::string& object, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  Exec(db, "PRAGMA writable_schema = ON");
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE sqlite_master SET sql = ?1 WHERE name = ?2", -1, &st, nullptr), SQLITE_OK);
  sqlite3_bind_text(st, 1, sql.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 2, object.c_str(), -1, SQLITE_TRANSIENT);
  EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
  EXPECT_EQ(sqlite3_changes(db), 1);
  sqlite3_finalize(st);
  sqlite3_close(db);
}

}  // namespace

// ---------------------------------------------------------------------------
// The sandbox

TEST(ImporterSandbox, AnOpenAfterTheFilterFailsTheImportAndChangesNothing) {
  TempFolder tmp;
  const std::string mine = tmp.Path() + "mine.txt", fresh = tmp.Path() + "fresh.txt";
  Write(mine, "the user's own file\n");
  const std::string foreign = ForeignDirectory(tmp, "sqlite");
  for (const std::string& source : {kAccess + "directory-200.mdb", foreign}) {
    for (const std::string& target : {mine, fresh}) {
      ScopedCache cache;
      const std::string importer = Script(tmp, "opener", "exec '" + kImporter + "' \"$@\" --test-open-after-sandbox '" + target + "'");
      EXPECT_EQ(OpenError(source, importer), "Unrecognized database format '" + source +
                                                 "'.\nThe reader tried to open a file (openat), which it may not do.");
      EXPECT_EQ(Bytes(mine), "the user's own file\n");
      EXPECT_FALSE(fs::exists(fresh));
      EXPECT_TRUE(NoImportLeft(cache));
    }
    // The same importer without the switch reads the file.
    ScopedCache cache;
    EXPECT_EQ(OpenError(source, Script(tmp, "plain", "exec '" + kImporter + "' \"$@\"")), "") << source;
  }
  // A reader the filter had to end (it could not report the call itself) is named as such.
  {
    ScopedCache cache;
    const std::string source = kAccess + "directory-200.mdb";
    EXPECT_EQ(OpenError(source, Script(tmp, "ended", "kill -SYS $$")),
              "Unrecognized database format '" + source + "'.\nThe reader tried to reach another file, which it may not do.");
  }
  errno = 0;
  EXPECT_TRUE(::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD);
}

// ---------------------------------------------------------------------------
// SQLite files made by others

TEST(ForeignSqlite, StatementsHiddenInItsSchemaAreNeverRun) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string victim = tmp.Path() + "victim.sqlite";
  {
    Connection v;
    v.OpenWritable(victim);
    Exec(v.Handle(), "CREATE TABLE t (x); INSERT INTO t VALUES ('kept')");
  }
  const std::string victimBytes = Bytes(victim);
  const std::string path = ForeignDirectory(tmp, "hostile");
  {
    Connection w;
    w.OpenWritable(path);
    Exec(w.Handle(),
         "CREATE VIEW Everything AS SELECT * FROM Company_Info;"
         "CREATE TRIGGER Spy AFTER INSERT ON Company_SubCat BEGIN DELETE FROM Company_Info; END;"
         "CREATE TABLE Extra (a INTEGER, b AS (a * 2), \"we\"\"ird\" TEXT);"
         "INSERT INTO Extra (a, \"we\"\"ird\") VALUES (21, 'x');"
         "CREATE INDEX Odd ON Company_Info (Company_Name)");
  }
  const std::string attack = "; ATTACH DATABASE '" + victim + "' AS v; DELETE FROM v.t; CREATE TABLE v.pwned (x)";
  std::string create;
  {
    Connection r;
    r.OpenWritable(path);
    Query q("T_Q", &r);
    q.SetSQL("select sql from sqlite_master where name = 'Company_Info'");
    q.Open();
    create = q.CellValue(0, 0).AsText();
  }
  SetSchemaText(path, "Company_Info", create + attack);
  SetSchemaText(path, "Odd", "CREATE INDEX Odd ON Company_Info (Company_Name)" + attack);

  Connection c;
  c.SetConnectionString("Data Source=" + path);
  EXPECT_EQ(Count(c, "select count(*) from Company_Info"), 5);
  EXPECT_EQ(Count(c, "select count(*) from Company_SubCat"), 4);
  EXPECT_EQ(Bytes(victim), victimBytes);
  // Only tables are built; the views, triggers and indexes of the file are not.
  EXPECT_EQ(Count(c, "select count(*) from sqlite_master where type in ('view', 'trigger')"), 0);
  EXPECT_EQ(Count(c, "select count(*) from sqlite_master where name = 'Odd'"), 0);
  EXPECT_EQ(Count(c, "select count(*) from sqlite_master where type = 'index' and name = 'ix_Company_SubCat_Company_ID'"), 1);
  // A computed column is left out; a name with a quote is kept as it is.
  EXPECT_EQ(Count(c, "select count(*) from pragma_table_info('Extra') where name = 'b'"), 0);
  EXPECT_EQ(Count(c, "select count(*) from Extra where \"we\"\"ird\" = 'X' and a = 21"), 1);
  // Text columns compare under the program's collation.
  EXPECT_EQ(Count(c, "select count(*) from Company_Info where Company_Name = 'prairie bank ltd'"), 1);
}

TEST(ForeignSqlite, ATableMissingOrStandingInAsAViewIsNoDirectory) {
  TempFolder tmp;
  {
    ScopedCache cache;
    const std::string path = ForeignDirectory(tmp, "view");
    {
      Connection w;
      w.OpenWritable(path);
      Exec(w.Handle(), "ALTER TABLE Main_Category RENAME TO Old_Category;"
                       "CREATE VIEW Main_Category AS SELECT * FROM Old_Category");
    }
    EXPECT_EQ(OpenError(path),
              "Unrecognized database format '" + path + "'.\nIt has no table Main_Category: it is not a business directory.");
    EXPECT_TRUE(NoImportLeft(cache));
  }
  {
    ScopedCache cache;
    const std::string path = ForeignDirectory(tmp, "bare");
    {
      Connection w;
      w.OpenWritable(path);
      Exec(w.Handle(), "DROP TABLE Company_Info; CREATE TABLE \"Company\x01Info\" (Company_ID INTEGER)");
    }
    EXPECT_EQ(OpenError(path),
              "Unrecognized database format '" + path + "'.\nIt has no table Company_Info: it is not a business directory.");
  }
}

TEST(ForeignSqlite, DeclaredTypesPassOnlyThroughTheListOfKnownNames) {
  using import::WhitelistedType;
  EXPECT_EQ(WhitelistedType("VARCHAR(80)"), "VARCHAR(80) COLLATE NOCASE");
  EXPECT_EQ(WhitelistedType(" nvarchar ( 80 ) "), "VARCHAR(80) COLLATE NOCASE");
  EXPECT_EQ(WhitelistedType("Text (50)"), "VARCHAR(50) COLLATE NOCASE");
  EXPECT_EQ(WhitelistedType("varchar"), "VARCHAR COLLATE NOCASE");
  EXPECT_EQ(WhitelistedType("VARCHAR(70000)"), "VARCHAR COLLATE NOCASE");
  EXPECT_EQ(WhitelistedType("TEXT"), "LONGTEXT COLLATE NOCASE");
  EXPECT_EQ(WhitelistedType("int"), "INTEGER");
  EXPECT_EQ(WhitelistedType("SMALLINT"), "SMALLINT");
  EXPECT_EQ(WhitelistedType("double   precision"), "DOUBLE");
  EXPECT_EQ(WhitelistedType("DECIMAL(10, 2)"), "DOUBLE");
  EXPECT_EQ(WhitelistedType("COUNTER"), "COUNTER");
  EXPECT_EQ(WhitelistedType("blob"), "BLOB");
  // Unknown, empty or carrying anything else: no type, only the collation.
  for (const char* declared : {"", "WIDGET", "VARCHAR(80) COLLATE BINARY", "INTEGER) ; DROP TABLE x; --",
                               "VARCHAR(8", "VARCHAR(8)x", "VARCHAR(1234567890)", "VARCHAR(1,2,3)", "INT\"EGER",
                               "INTEGER PRIMARY KEY", "VARCHAR()"})
    EXPECT_EQ(WhitelistedType(declared), "COLLATE NOCASE") << declared;
}

TEST(ForeignSqlite, NamesThatFitArePrintableUtf8OfAtMost128Bytes) {
  using import::NameFits;
  EXPECT_TRUE(NameFits("Company_Info"));
  EXPECT_TRUE(NameFits("Société \"générale\""));
  EXPECT_TRUE(NameFits(std::string(128, 'a')));
  EXPECT_FALSE(NameFits(std::string(129, 'a')));
  EXPECT_FALSE(NameFits(""));
  EXPECT_FALSE(NameFits("a\tb"));
  EXPECT_FALSE(NameFits("a\x7F"));
  EXPECT_FALSE(NameFits(std::string("a\0b", 3)));
  EXPECT_FALSE(NameFits("caf\xC3"));      // cut in the middle of a letter
  EXPECT_FALSE(NameFits("\xC0\x80"));     // an overlong form
  EXPECT_FALSE(NameFits("\xE2\x82" "x"));  // a continuation byte missing
}

// ---------------------------------------------------------------------------
// Access files

TEST(AccessImportChecks, AnAccessFileWithoutTheDirectoryTablesIsNoDirectory) {
  ScopedCache cache;
  for (const char* name : {"emptyJet4.mdb", "test2V1997.mdb", "testV2010.accdb"}) {
    const std::string path = kAccess + name;
    EXPECT_EQ(OpenError(path),
              "Unrecognized database format '" + path + "'.\nIt has no table Company_Info: it is not a business directory.");
    // Told to take any tables, the importer reads the same file.
    EXPECT_EQ(OpenError(path, orbisk::testing::AnyTablesImporter()), "") << name;
  }
}

namespace {

uint16_t Get16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
uint32_t Get32(const std::string& b, size_t at) { return Get16(b, at) | static_cast<uint32_t>(Get16(b, at + 2)) << 16; }
void Put16(std::string& b, size_t at, unsigned v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// The Company_Info table of directory-200.mdb: its definition page (the one
// naming the column Location_Address_Postal) and its data pages.
struct CompanyPages {
  uint32_t tdef = 0;
  std::vector<uint32_t> data;
};
CompanyPages FindCompanyPages(const std::string& b) {
  std::string wide;
  for (char ch : std::string("Location_Address_Postal")) wide += std::string{ch, '\0'};
  CompanyPages out;
  for (uint32_t p = 1; (p + 1) * 4096 <= b.size(); ++p)
    if (b[p * 4096] == 2 && b.substr(p * 4096, 4096).find(wide) != std::string::npos) out.tdef = p;
  for (uint32_t p = 1; (p + 1) * 4096 <= b.size(); ++p)
    if (b[p * 4096] == 1 && Get32(b, p * 4096 + 4) == out.tdef) out.data.push_back(p);
  return out;
}

}  // namespace

TEST(AccessImportChecks, DamagedDataIsReportedNeverServedAsFewerRows) {
  TempFolder tmp;
  const std::string good = Bytes(kAccess + "directory-200.mdb");
  const CompanyPages pages = FindCompanyPages(good);
  ASSERT_NE(pages.tdef, 0u);
  ASSERT_GE(pages.data.size(), 3u);
  ASSERT_EQ(Get32(good, pages.tdef * 4096 + 16), 200u);  // the declared row count
  const uint32_t second = pages.data[1];
  const size_t page = second * 4096;
  const unsigned rowsThere = Get16(good, page + 12);
  ASSERT_GT(rowsThere, 1u);

  struct Case {
    std::string name, bytes, reason;
  };
  std::vector<Case> cases;
  {
    std::string b = good;  // a data page zeroed
    std::fill(b.begin() + static_cast<long>(page), b.begin() + static_cast<long>(page + 4096), '\0');
    cases.push_back({"zeroed", b, "Table 'Company_Info' declares 200 rows; " + std::to_string(200 - rowsThere) + " could be read."});
  }
  {
    std::string b = good;  // more rows declared than the file holds
    Put32(b, pages.tdef * 4096 + 16, 5000);
    cases.push_back({"declared", b, "Table 'Company_Info' declares 5,000 rows; 200 could be read."});
  }
  {
    std::string b = good;  // the last row's offset table pointing past its row
    const unsigned last = rowsThere - 1;
    const unsigned start = Get16(b, page + 14 + 2 * last) & 0x1FFF;
    const unsigned end = Get16(b, page + 14 + 2 * (last - 1)) & 0x1FFF;
    const unsigned mask = (Get16(b, page + start) + 7) / 8;
    Put16(b, page + end - mask - 4, 3000);  // the first variable-length column's offset
    cases.push_back({"offsets", b, "Table 'Company_Info' has a damaged row on page " + std::to_string(second) + "."});
  }
  {
    std::string b = good;  // a row's place outside its page
    Put16(b, page + 14, 0x1FF0);
    cases.push_back({"place", b, "Table 'Company_Info' has a damaged row on page " + std::to_string(second) + "."});
  }
  {
    std::string b = good;  // the usage map of its pages starting far past the end of the file
    const uint32_t map = Get32(b, pages.tdef * 4096 + 55);
    const size_t mapPage = (map >> 8) * 4096;
    const unsigned row = Get16(b, mapPage + 14 + 2 * (map & 0xFF)) & 0x1FFF;
    ASSERT_EQ(b[mapPage + row], 0);  // a map of one stretch: its first page follows
    Put32(b, mapPage + row + 1, 0x00F00000);
    cases.push_back({"far-map", b, "Table 'Company_Info' lists pages beyond the end of the file."});
  }
  for (const Case& c : cases) {
    ScopedCache cache;
    const std::string path = tmp.Path() + c.name + ".mdb";
    Write(path, c.bytes);
    EXPECT_EQ(OpenError(path), "Unrecognized database format '" + path + "'.\n" + c.reason) << c.name;
    EXPECT_TRUE(NoImportLeft(cache));
    std::error_code ec;
    EXPECT_TRUE(fs::is_empty(cache.Folder(), ec) || ec) << c.name << ": nothing is cached";
  }
}

// ---------------------------------------------------------------------------
// Row layouts

namespace {

using import::ColumnLayout;
using import::PageFormat;
using import::RowFits;

// A Long (fixed, 4 bytes) and a Text (variable length) column.
const std::vector<ColumnLayout> kColumns = {{true, 0, 4, 0, 0}, {false, 0, 0, 0, 1}};

// A page whose last bytes are `row`.
std::vector<unsigned char> PageWith(const std::vector<unsigned char>& row) {
  std::vector<unsigned char> page(4096);
  std::copy(row.begin(), row.end(), page.end() - static_cast<long>(row.size()));
  return page;
}

bool Fits(const std::vector<unsigned char>& row, bool jet3, const std::vector<ColumnLayout>& columns = kColumns) {
  const auto page = PageWith(row);
  const unsigned start = 4096 - static_cast<unsigned>(row.size());
  return RowFits(page.data(), PageFormat{4096, jet3 ? 8u : 12u}, jet3, start, static_cast<unsigned>(row.size()), columns);
}

}  // namespace

TEST(RowLayout, Jet4RowsFitOnlyWithTheirOffsetsInOrderInsideTheRow) {
  // count | long | "abc" | eod=9 | offset 6 | 1 variable column | null mask
  const std::vector<unsigned char> row = {2, 0, 42, 0, 0, 0, 'a', 'b', 'c', 9, 0, 6, 0, 1, 0, 3};
  EXPECT_TRUE(Fits(row, false));
  auto with = [&](size_t at, unsigned char v) {
    auto r = row;
    r[at] = v;
    return r;
  };
  EXPECT_TRUE(Fits(with(9, 6), false));     // an empty text: the end at its start
  EXPECT_FALSE(Fits(with(9, 10), false));   // the end inside the offset table
  EXPECT_FALSE(Fits(with(9, 5), false));    // ending before it starts
  EXPECT_FALSE(Fits(with(11, 1), false));   // starting inside the column count
  EXPECT_FALSE(Fits(with(11, 5), false));   // starting inside the fixed value
  EXPECT_FALSE(Fits(with(12, 1), false));   // an offset far past the row
  EXPECT_FALSE(Fits(with(13, 4), false));   // more offsets than the row has room for
  EXPECT_FALSE(Fits(with(0, 0), false));    // more variable columns than columns
  std::vector<ColumnLayout> wide = kColumns;
  wide[0].size = 5;  // the fixed value running into the text
  EXPECT_FALSE(Fits(row, false, wide));
  // Too short for its own trailer, and placed past the page.
  EXPECT_FALSE(Fits({2, 0, 0}, false));
  const auto page = PageWith(row);
  EXPECT_FALSE(RowFits(page.data(), PageFormat{4096, 12}, false, 4090, 16, kColumns));
  // A row that stores no fixed value (the variable one only) needs no room for it.
  const std::vector<ColumnLayout> text = {{false, 0, 0, 0, 0}};
  EXPECT_TRUE(Fits({1, 0, 'a', 3, 0, 2, 0, 1, 0, 1}, false, text));
  EXPECT_FALSE(Fits({1, 0, 'a', 4, 0, 2, 0, 1, 0, 1}, false, text));  // its end inside the offset table
}

TEST(RowLayout, Jet3RowsFitOnlyWithTheirOffsetsInOrderInsideTheRow) {
  // count | long | "abc" | eod=8 | offset 5 | 1 variable column | null mask
  const std::vector<unsigned char> row = {2, 42, 0, 0, 0, 'a', 'b', 'c', 8, 5, 1, 3};
  EXPECT_TRUE(Fits(row, true));
  auto with = [&](size_t at, unsigned char v) {
    auto r = row;
    r[at] = v;
    return r;
  };
  EXPECT_FALSE(Fits(with(8, 9), true));   // the end inside the offset table
  EXPECT_FALSE(Fits(with(9, 9), true));   // starting after its end
  EXPECT_FALSE(Fits(with(9, 3), true));   // starting inside the fixed value
  EXPECT_FALSE(Fits(with(10, 9), true));  // more offsets than the row has room for
  EXPECT_FALSE(Fits({2, 0}, true));
}
