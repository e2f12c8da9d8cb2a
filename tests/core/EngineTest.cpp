#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "ImporterSupport.h"
#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/JetSql.h"
#include "data/Query.h"

using namespace orbisk;
using orbisk::testing::Exec;
using orbisk::testing::TempFolder;

TEST(JetSql, TopBecomesLimitPerSelect) {
  EXPECT_EQ(TranslateJetSql("select  top 100  a from t  where  1=1 "), "select    a from t  where  1=1 LIMIT 100 ");
  EXPECT_EQ(TranslateJetSql("SELECT TOP 5 a FROM t ORDER BY a;"), "SELECT  a FROM t ORDER BY a LIMIT 5;");
  EXPECT_EQ(TranslateJetSql("select a from t where id in (select top 2 id from u order by id) order by a"),
            "select a from t where id in (select  id from u order by id LIMIT 2) order by a");
  EXPECT_EQ(TranslateJetSql("select distinct top 3 a from t"), "select distinct  a from t LIMIT 3");
}

TEST(JetSql, LiteralsNamesAndParametersPassThrough) {
  // A typed name that looks like SQL stays inside its literal.
  const std::string s = "select a from t where Company_Name Like '%Top 5 Tools%' and b = ':x [' and [top] = :top";
  EXPECT_EQ(TranslateJetSql(s), s);
  EXPECT_EQ(TranslateJetSql("select a from t where n = 'O''Brien select top 3'"),
            "select a from t where n = 'O''Brien select top 3'");
  EXPECT_EQ(TranslateJetSql("select top x from t"), "select top x from t");  // not a row limit
}

class TextRules : public ::testing::Test {
 protected:
  void SetUp() override {
    c.OpenMemory();
    Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name VARCHAR(40) COLLATE NOCASE)");
    Exec(c.Handle(),
         "INSERT INTO t VALUES (1, 'École Polytechnique'), (2, 'ecole libre'), (3, 'ÉCOLE DES ARTS'),"
         " (4, 'Banque Zoé'), (5, 'bank of X'), (6, NULL), (7, '100% Wool'), (8, 'a_b')");
  }
  std::vector<int64_t> Ids(const std::string& sql) {
    Query q("T_Q", &c);
    q.SetSQL(sql);
    q.Open();
    std::vector<int64_t> ids;
    for (q.First(); !q.Eof(); q.Next()) ids.push_back(q.FieldByName("id").AsInteger());
    return ids;
  }
  Connection c;
};

TEST_F(TextRules, LikeIgnoresCaseOfAccentedLettersButNotAccents) {
  EXPECT_EQ(Ids("select id from t where name like '%é%' order by id"), (std::vector<int64_t>{1, 3, 4}));
  EXPECT_EQ(Ids("select id from t where name like 'école%' order by id"), (std::vector<int64_t>{1, 3}));
  EXPECT_EQ(Ids("select id from t where name like 'ecole%' order by id"), (std::vector<int64_t>{2}));
  EXPECT_EQ(Ids("select id from t where name Like '%BANK%' order by id"), (std::vector<int64_t>{5}));
  EXPECT_EQ(Ids("select id from t where name like 'b%' order by id"), (std::vector<int64_t>{4, 5}));
  // Wildcards typed by the user stay wildcards.
  EXPECT_EQ(Ids("select id from t where name like '%0%%' order by id"), (std::vector<int64_t>{7}));
  EXPECT_EQ(Ids("select id from t where name like 'a_b' order by id"), (std::vector<int64_t>{8}));
  EXPECT_EQ(Ids("select id from t where name like '_' order by id"), (std::vector<int64_t>{}));
  EXPECT_EQ(Ids("select id from t where name like '%%' order by id").size(), 7u);  // not the null
  EXPECT_EQ(Ids("select id from t where name like '%a\\_b' escape '\\'"), (std::vector<int64_t>{8}));
}

TEST_F(TextRules, ComparisonAndOrderIgnoreCaseAccentsIncluded) {
  EXPECT_EQ(Ids("select id from t where name = 'école polytechnique'"), (std::vector<int64_t>{1}));
  EXPECT_EQ(Ids("select id from t where name = 'ECOLE LIBRE'"), (std::vector<int64_t>{2}));
  EXPECT_EQ(Ids("select id from t where name >= 'B' and name < 'C' order by name, id"),
            (std::vector<int64_t>{5, 4}));  // "bank" before "Banque"
  // ORDER BY files accented letters with their base letter: the words after
  // "école" decide, whatever the accents and capitals.
  EXPECT_EQ(Ids("select id from t where id in (1,2,3) order by name, id"), (std::vector<int64_t>{3, 2, 1}));
  EXPECT_EQ(Ids("select id from t where name = 'ecole libre' or name = 'ÉCOLE LIBRE'"), (std::vector<int64_t>{2}));
}

TEST(Engine, DetectsFormatsByFirstBytes) {
  const std::string data = ORBISK_TEST_DATA;
  EXPECT_EQ(DetectDatabaseFormat(data + "/access/emptyJet4.mdb"), DatabaseFormat::Jet4);
  EXPECT_EQ(DetectDatabaseFormat(data + "/access/test2V1997.mdb"), DatabaseFormat::Jet3);
  EXPECT_EQ(DetectDatabaseFormat(data + "/access/test2V2007.accdb"), DatabaseFormat::Ace);
  EXPECT_EQ(DetectDatabaseFormat(data + "/access/testV2010.accdb"), DatabaseFormat::Ace);
  EXPECT_EQ(DetectDatabaseFormat(data + "/access"), DatabaseFormat::Missing);  // a folder
  EXPECT_EQ(DetectDatabaseFormat("/dev/zero"), DatabaseFormat::Missing);
  EXPECT_EQ(DetectDatabaseFormat(data + "/nothing-here.mdb"), DatabaseFormat::Missing);
  TempFolder tmp;
  std::string sq = tmp.Path() + "x.mdb";
  {
    Connection c;
    c.OpenWritable(sq);
    Exec(c.Handle(), "CREATE TABLE a (b INTEGER)");
  }
  EXPECT_EQ(DetectDatabaseFormat(sq), DatabaseFormat::Sqlite);
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen((tmp.Path() + "short").c_str(), "wb"), std::fclose);
  std::fputs("SQL", f.get());
  f.reset();
  EXPECT_EQ(DetectDatabaseFormat(tmp.Path() + "short"), DatabaseFormat::Unknown);
}

TEST(Engine, SqliteDirectoryOpensReadOnly) {
  TempFolder tmp;
  orbisk::testing::WriteSmallDirectory(tmp.Path());
  Connection c;
  c.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + tmp.Path() +
                        "database/CORPDIR.mdb");  // found whatever the letter case
  char* err = nullptr;
  int rc = sqlite3_exec(c.Handle(), "DELETE FROM Company_Info", nullptr, nullptr, &err);
  sqlite3_free(err);
  EXPECT_NE(rc, SQLITE_OK);
}

namespace {

// mdb-export's view of a table: rows of fields, with <~N~> for null. The data
// holds every control byte, so the separators are words.
std::vector<std::vector<std::string>> MdbExport(const std::string& file, const std::string& table) {
  std::string cmd = "mdb-export -H -Q -d '<~F~>' -R '<~R~>' -0 '<~N~>'"
                    " -T '%Y-%m-%d %H:%M:%S' -b hex '" + file + "' '" + table + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  std::string out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
  std::vector<std::vector<std::string>> rows;
  size_t pos = 0;
  while (pos < out.size()) {
    size_t end = out.find("<~R~>", pos);
    if (end == std::string::npos) end = out.size();
    std::vector<std::string> row;
    std::string rec = out.substr(pos, end - pos);
    size_t f = 0;
    for (;;) {
      size_t sep = rec.find("<~F~>", f);
      row.push_back(rec.substr(f, sep == std::string::npos ? std::string::npos : sep - f));
      if (sep == std::string::npos) break;
      f = sep + 5;
    }
    rows.push_back(row);
    pos = end + 5;
  }
  return rows;
}

std::vector<std::string> MdbTables(const std::string& file) {
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(("mdb-tables -1 '" + file + "'").c_str(), "r"), pclose);
  std::vector<std::string> names;
  char line[1024];
  while (std::fgets(line, sizeof line, p.get())) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    if (!s.empty()) names.push_back(s);
  }
  return names;
}

}  // namespace

// Every real Access file (Access 97 to 2010) loads through the importer with
// the same rows and values that mdbtools' own exporter lists.
TEST(Engine, AccessFilesLoadLikeMdbExportShowsThem) {
  // mdbtools turns each character beyond the Basic Multilingual Plane into
  // "??"; the importer keeps the character.
  auto mdbtoolsText = [](const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if ((static_cast<unsigned char>(s[i]) & 0xF8) == 0xF0 && i + 3 < s.size() + 0) {
        out += "??";
        i += 3;
      } else {
        out += s[i];
      }
    }
    return out;
  };
  orbisk::testing::ScopedCache cache;  // every file imported afresh
  const std::string dir = std::string(ORBISK_TEST_DATA) + "/access/";
  int tablesChecked = 0;
  for (const char* name : {"test2V2000.mdb", "testUnicodeCompV2003.mdb", "overflowTestV2000.mdb",
                           "indexTestV2000.mdb", "bigIndexTestV2000.mdb", "fixedTextTestV2000.mdb",
                           "emptyJet4.mdb", "adox_jet4.mdb", "test2V1997.mdb", "test2V2007.accdb",
                           "testV2010.accdb", "testEmoticonsV2010.accdb"}) {
    const std::string file = dir + name;
    Connection c;
    c.SetImporter(orbisk::testing::AnyTablesImporter());
    c.SetConnectionString("Data Source=" + file);
    long long lastDone = -1, total = -1;
    c.SetProgress([&](const ProgressStep& step) {
      EXPECT_GE(step.done, lastDone);
      lastDone = step.done;
      total = step.total;
      return true;
    });
    c.EnsureOpen();
    EXPECT_EQ(lastDone, total) << name;
    for (const auto& table : MdbTables(file)) {
      ++tablesChecked;
      auto expected = MdbExport(file, table);
      Query q("T_Q", &c);
      q.SetSQL("select * from [" + table + "]");
      q.Open();
      ASSERT_EQ(q.RecordCount(), static_cast<int>(expected.size())) << name << " " << table;
      for (int r = 0; r < q.RecordCount(); ++r) {
        ASSERT_EQ(expected[r].size(), q.Columns().size()) << name << " " << table;
        for (size_t col = 0; col < q.Columns().size(); ++col) {
          const Value& v = q.CellValue(r, static_cast<int>(col));
          const std::string& want = expected[r][col];
          const auto& info = q.Columns()[col];
          std::string where = std::string(name) + " " + table + "." + info.name + " row " + std::to_string(r);
          if (want == "<~N~>") {
            EXPECT_TRUE(v.IsNull() || info.type == ftBoolean) << where << " [" << v.AsText() << "]";
            continue;
          }
          ASSERT_FALSE(v.IsNull()) << where;
          if (info.type == ftBlob) continue;  // binary export forms differ
          if (info.type == ftFloat || info.type == ftCurrency)
            EXPECT_NEAR(v.AsReal(), std::strtod(want.c_str(), nullptr), 1e-6 * (1 + std::fabs(v.AsReal()))) << where;
          else
            EXPECT_EQ(mdbtoolsText(v.AsText()), want) << where;
        }
      }
    }
  }
  EXPECT_GE(tablesChecked, 8);
}
