// The sample directory written as an Access file: the same rows as the SQLite
// file of the same seed once the program has loaded it, and a file that
// mdbtools reads as Access 2000.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/Connection.h"
#include "data/Schema.h"

using namespace orbisk;
namespace fs = std::filesystem;

namespace {

const std::string kGenerator = std::string(ORBISK_BUILD_DIR) + "/tools/orbisk-gensample";

int Run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Generate(const std::string& args) { return Run(kGenerator + " " + args + " >/dev/null 2>&1"); }

std::string Output(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
  return out;
}

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A value as the engine holds it: its storage class and its bytes.
struct Stored {
  int type = SQLITE_NULL;
  std::string bytes;
  bool operator==(const Stored&) const = default;
};
using StoredRow = std::vector<Stored>;

std::vector<StoredRow> Rows(sqlite3* db, const std::string& sql) {
  std::vector<StoredRow> rows;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    return rows;
  }
  while (sqlite3_step(st) == SQLITE_ROW) {
    StoredRow row;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      Stored v;
      v.type = sqlite3_column_type(st, i);
      if (v.type != SQLITE_NULL) {
        auto* p = static_cast<const char*>(sqlite3_column_blob(st, i));
        v.bytes.assign(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(st, i)));
      }
      row.push_back(std::move(v));
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(st);
  return rows;
}

long long Count(sqlite3* db, const std::string& sql) {
  auto rows = Rows(db, sql);
  return rows.empty() ? -1 : std::stoll(rows[0][0].bytes);
}

class GenSampleAccess : public ::testing::Test {
 protected:
  // 2000 companies: enough for Company_Info to outgrow an inline usage map.
  static void SetUpTestSuite() {
    char templ[] = "/tmp/orbisk-gensample-access-XXXXXX";
    dir_ = mkdtemp(templ);
    ASSERT_EQ(Generate("--companies 2000 --seed 7 --format access --output " + Access().string()), 0);
    ASSERT_EQ(Generate("--companies 2000 --seed 7 --format sqlite --output " + Sqlite().string()), 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  static fs::path Access() { return dir_ / "corpdir.mdb"; }
  static fs::path Sqlite() { return dir_ / "corpdir-sqlite.mdb"; }
  static inline fs::path dir_;
};

TEST_F(GenSampleAccess, LoadsWithTheSameRowsAsTheSqliteFileOfTheSameSeed) {
  ASSERT_EQ(DetectDatabaseFormat(Access().string()), DatabaseFormat::Jet4);
  ASSERT_EQ(DetectDatabaseFormat(Sqlite().string()), DatabaseFormat::Sqlite);
  Connection access, sqlite;
  access.SetConnectionString("Data Source=" + Access().string());
  sqlite.SetConnectionString("Data Source=" + Sqlite().string());
  sqlite3* a = access.Handle();
  sqlite3* s = sqlite.Handle();
  for (const SchemaTable& table : DirectoryTables()) {
    // Columns and their declared types: the loader maps Access types back to
    // the names the SQLite file was written with.
    const std::string info = "select name, type from pragma_table_info('" + table.name + "')";
    EXPECT_EQ(Rows(a, info), Rows(s, info)) << table.name;
    // Every value, in file order, with its storage class: nulls stay nulls,
    // empty texts stay empty texts, numbers stay numbers.
    const std::string all = "select * from \"" + table.name + "\" order by rowid";
    auto fromAccess = Rows(a, all);
    auto fromSqlite = Rows(s, all);
    ASSERT_EQ(fromAccess.size(), fromSqlite.size()) << table.name;
    ASSERT_GT(fromSqlite.size(), 0u) << table.name;
    for (size_t r = 0; r < fromSqlite.size(); ++r) {
      ASSERT_EQ(fromAccess[r].size(), table.columns.size());
      for (size_t c = 0; c < table.columns.size(); ++c)
        ASSERT_EQ(fromAccess[r][c], fromSqlite[r][c])
            << table.name << "." << table.columns[c].name << " row " << r << ": [" << fromAccess[r][c].bytes << "] vs ["
            << fromSqlite[r][c].bytes << "]";
    }
  }
  // The data holds what makes the comparison worth it.
  for (std::string column : {"Email", "Website_URL"}) {
    EXPECT_GT(Count(a, "select count(*) from Company_Info where " + column + " = ''"), 0) << column;
    EXPECT_GT(Count(a, "select count(*) from Company_Info where " + column + " is null"), 0) << column;
  }
  EXPECT_GT(Count(a, "select count(*) from Company_Info where length(Company_Description) > 4076"), 0);  // chained memos
  EXPECT_GT(Count(a, "select count(*) from Company_Info where instr(Company_Name, 'é')"), 0);
  // The loader indexed what a search filters on.
  EXPECT_EQ(Count(a, "select count(*) from sqlite_master where type = 'index' and tbl_name = 'Company_SubCat'"), 3);
}

TEST_F(GenSampleAccess, MdbtoolsReadAnAccess2000FileWithEveryRow) {
  EXPECT_EQ(Output("mdb-ver '" + Access().string() + "'"), "JET4\n");
  EXPECT_EQ(Output("mdb-tables -1 '" + Access().string() + "' | sort"),
            "All_Leaf_SubCat\nCompany_Contact\nCompany_Info\nCompany_ProductServiceLicensing\nCompany_SubCat\n"
            "Main_Category\n");
  Connection sqlite;
  sqlite.SetConnectionString("Data Source=" + Sqlite().string());
  for (const SchemaTable& table : DirectoryTables()) {
    long long rows = Count(sqlite.Handle(), "select count(*) from \"" + table.name + "\"");
    EXPECT_EQ(Output("mdb-count '" + Access().string() + "' " + table.name), std::to_string(rows) + "\n") << table.name;
  }
}

TEST_F(GenSampleAccess, SameSeedGivesTheSameFile) {
  ASSERT_EQ(Generate("--companies 2000 --seed 7 --format access --output " + (dir_ / "again.mdb").string()), 0);
  ASSERT_EQ(Generate("--companies 2000 --seed 8 --format access --output " + (dir_ / "other.mdb").string()), 0);
  EXPECT_TRUE(Bytes(Access()) == Bytes(dir_ / "again.mdb"));
  EXPECT_FALSE(Bytes(Access()) == Bytes(dir_ / "other.mdb"));
}

TEST_F(GenSampleAccess, AnEmptyDirectoryIsStillAWholeFile) {
  const fs::path empty = dir_ / "empty.mdb";
  ASSERT_EQ(Generate("--companies 0 --seed 1 --format access --output " + empty.string()), 0);
  Connection c;
  c.SetConnectionString("Data Source=" + empty.string());
  EXPECT_EQ(Count(c.Handle(), "select count(*) from Company_Info"), 0);
  Connection sqlite;
  sqlite.SetConnectionString("Data Source=" + Sqlite().string());
  const std::string leaves = "select * from All_Leaf_SubCat order by rowid";
  EXPECT_EQ(Rows(c.Handle(), leaves), Rows(sqlite.Handle(), leaves));  // the tree does not depend on the size
}

}  // namespace
