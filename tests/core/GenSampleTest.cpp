// The sample directory generator, checked through the files it writes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "data/Connection.h"
#include "data/Schema.h"
#include "data/TextCollation.h"

using namespace orbisk;
namespace fs = std::filesystem;

namespace {

const std::string kGenerator = std::string(ORBISK_BUILD_DIR) + "/tools/orbisk-gensample";

int RunGenerator(const std::string& args) {
  int status = std::system((kGenerator + " " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using Cells = std::vector<std::optional<std::string>>;

class Db {
 public:
  explicit Db(const fs::path& p) {
    if (sqlite3_open_v2(p.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
      ADD_FAILURE() << "cannot open " << p;
    // The text indexes were built under the program's collation.
    RegisterTextCollation(db_);
  }
  ~Db() { sqlite3_close(db_); }

  std::vector<Cells> Rows(const std::string& sql) const {
    sqlite3_stmt* st = nullptr;
    std::vector<Cells> rows;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
      return rows;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
      Cells row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        auto text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        row.push_back(text ? std::optional<std::string>(text) : std::nullopt);
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return rows;
  }
  long long Number(const std::string& sql) const {
    auto rows = Rows(sql);
    return rows.empty() || !rows[0][0] ? -1 : std::stoll(*rows[0][0]);
  }

 private:
  sqlite3* db_ = nullptr;
};

// Province -> its area codes and the first letters of its postal codes.
struct ProvinceRule {
  std::set<std::string> codes;
  std::string letters;
};
const std::map<std::string, ProvinceRule> kProvinces = {
    {"Alberta", {{"403", "780"}, "T"}},
    {"British Columbia", {{"250", "604", "778"}, "V"}},
    {"Manitoba", {{"204"}, "R"}},
    {"New Brunswick", {{"506"}, "E"}},
    {"Newfoundland and Labrador", {{"709"}, "A"}},
    {"Northwest Territories", {{"867"}, "X"}},
    {"Nova Scotia", {{"902"}, "B"}},
    {"Ontario", {{"289", "416", "519", "613", "647", "705", "807", "905"}, "KLMNP"}},
    {"Prince Edward Island", {{"902"}, "C"}},
    {"Quebec", {{"418", "450", "514", "819"}, "GHJ"}},
    {"Saskatchewan", {{"306"}, "S"}},
    {"Yukon Territory", {{"867"}, "Y"}},
};

class GenSample : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char templ[] = "/tmp/orbisk-gensample-XXXXXX";
    dir_ = mkdtemp(templ);
    ASSERT_EQ(RunGenerator("--companies 600 --seed 7 --output " + (dir_ / "corpdir.mdb").string()), 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  static fs::path Sample() { return dir_ / "corpdir.mdb"; }
  static inline fs::path dir_;
};

TEST_F(GenSample, SameSeedGivesTheSameFileAndAnotherSeedAnotherOne) {
  ASSERT_EQ(RunGenerator("--companies 600 --seed 7 --output " + (dir_ / "again.mdb").string()), 0);
  ASSERT_EQ(RunGenerator("--companies 600 --seed 8 --output " + (dir_ / "other.mdb").string()), 0);
  EXPECT_TRUE(ReadBytes(Sample()) == ReadBytes(dir_ / "again.mdb"));
  EXPECT_FALSE(ReadBytes(Sample()) == ReadBytes(dir_ / "other.mdb"));
  // A company's rows depend on the seed and its position only, not on how many follow it.
  ASSERT_EQ(RunGenerator("--companies 100 --seed 7 --output " + (dir_ / "small.mdb").string()), 0);
  const std::string first100 = "select * from Company_Info order by Company_ID limit 100";
  EXPECT_EQ(Db(dir_ / "small.mdb").Rows(first100), Db(Sample()).Rows(first100));
}

TEST_F(GenSample, EveryDirectoryColumnExistsWithItsDeclaredType) {
  Db db(Sample());
  for (const SchemaTable& table : DirectoryTables()) {
    auto created = db.Rows("select sql from sqlite_master where type='table' and name='" + table.name + "'");
    ASSERT_EQ(created.size(), 1u) << table.name;
    EXPECT_EQ(*created[0][0], CreateTableStatement(table));
    auto info = db.Rows("select name, type from pragma_table_info('" + table.name + "')");
    ASSERT_EQ(info.size(), table.columns.size()) << table.name;
    for (size_t i = 0; i < info.size(); ++i) {
      const SchemaColumn& c = table.columns[i];
      EXPECT_EQ(*info[i][0], c.name);
      ColumnType read = ColumnTypeFromDeclared(*info[i][1]);
      EXPECT_EQ(read.kind, c.type.kind) << table.name << "." << c.name;
      EXPECT_EQ(read.size, c.type.size) << table.name << "." << c.name;
      // Values are stored as what the column declares: text as text, numbers as integers.
      bool numeric = c.type.kind != ColumnKind::Text && c.type.kind != ColumnKind::Memo;
      std::string wrong = "select count(*) from \"" + table.name + "\" where \"" + c.name + "\" is not null and typeof(\"" +
                          c.name + "\") <> '" + (numeric ? "integer" : "text") + "'";
      EXPECT_EQ(db.Number(wrong), 0) << table.name << "." << c.name;
      if (c.type.kind == ColumnKind::Text) {
        std::string longest = "select max(length(\"" + c.name + "\")) from \"" + table.name + "\"";
        EXPECT_LE(db.Number(longest), c.type.size) << table.name << "." << c.name;
      }
      // Every column holds something somewhere: no column is left empty by oversight.
      EXPECT_GT(db.Number("select count(\"" + c.name + "\") from \"" + table.name + "\""), 0)
          << table.name << "." << c.name;
    }
  }
}

TEST_F(GenSample, CompanyIdAndCategoryCodeColumnsAreIndexed) {
  Db db(Sample());
  const std::vector<std::pair<std::string, std::string>> wanted = {
      {"Company_Info", "Company_ID"},     {"Company_Contact", "Company_ID"},
      {"Company_ProductServiceLicensing", "Company_ID"}, {"Company_SubCat", "Company_ID"},
      {"Company_SubCat", "SubCat_Code"}, {"Company_SubCat", "MainCat_Code"},
      {"Main_Category", "Cat_Code"},      {"All_Leaf_SubCat", "SubCat_Code"},
      {"All_Leaf_SubCat", "MainCat_Code"}};
  for (const auto& [table, column] : wanted) {
    long long found = db.Number("select count(*) from pragma_index_list('" + table + "') l, pragma_index_info(l.name) i "
                                "where i.name = '" + column + "'");
    EXPECT_EQ(found, 1) << table << "." << column;
  }
  // The category condition of a search can use its index (the column's own collation).
  auto plan = db.Rows("explain query plan select Company_ID from Company_SubCat where MainCat_Code='Abor'");
  ASSERT_FALSE(plan.empty());
  EXPECT_NE(plan[0][3]->find("USING INDEX"), std::string::npos) << *plan[0][3];
}

TEST_F(GenSample, AddressesAreaCodesAndPostalCodesAgreeWithTheProvince) {
  Db db(Sample());
  const std::regex postal("[ABCEGHJ-NPRSTVXY][0-9][ABCEGHJ-NPRSTV-Z] [0-9][ABCEGHJ-NPRSTV-Z][0-9]");
  const std::regex phone(R"(\((\d{3})\) [2-9]\d{2}-\d{4})");
  std::set<std::string> seenProvinces, seenCodes;
  auto rows = db.Rows("select Location_Address, Location_Address_Postal, Mailing_Address, Mailing_Address_Postal, "
                      "TelAreaCode, Telephone, Fax from Company_Info");
  ASSERT_EQ(rows.size(), 600u);
  for (const Cells& r : rows) {
    const std::string& location = *r[0];
    std::vector<std::string> named;
    for (const auto& [name, rule] : kProvinces)
      if (location.find(name) != std::string::npos) named.push_back(name);
    ASSERT_EQ(named.size(), 1u) << location;  // a Location search finds it in one province only
    const ProvinceRule& rule = kProvinces.at(named[0]);
    seenProvinces.insert(named[0]);
    EXPECT_TRUE(location.size() > named[0].size() && location.ends_with(", " + named[0])) << location;
    EXPECT_TRUE(rule.codes.count(*r[4])) << *r[4] << " in " << named[0];
    seenCodes.insert(*r[4]);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(*r[5], m, phone)) << *r[5];
    EXPECT_EQ(m[1].str(), *r[4]);
    if (r[6]) {
      EXPECT_TRUE(std::regex_match(*r[6], m, phone) && m[1].str() == *r[4]) << *r[6];
    }
    for (int col : {1, 3}) {
      if (!r[col]) continue;
      EXPECT_TRUE(std::regex_match(*r[col], postal)) << *r[col];
      EXPECT_NE(rule.letters.find(r[col]->front()), std::string::npos) << *r[col] << " in " << named[0];
    }
    if (r[2]) {
      EXPECT_TRUE(r[2]->ends_with(", " + named[0])) << *r[2];
    }
  }
  EXPECT_EQ(seenProvinces.size(), kProvinces.size());
  EXPECT_GE(seenCodes.size(), 15u);
}

TEST_F(GenSample, CompaniesLookRealWithNullsEmptiesAndAccents) {
  Db db(Sample());
  auto count = [&](const std::string& where) { return db.Number("select count(*) from Company_Info where " + where); };
  // Absent addresses are null; a few are stored as empty text, which still counts as present.
  for (std::string column : {"Website_URL", "Email"}) {
    EXPECT_GT(count(column + " is null"), 0) << column;
    EXPECT_GT(count(column + " = ''"), 0) << column;
    EXPECT_GT(count(column + " <> ''"), 300) << column;
  }
  EXPECT_GT(count("Email like '%_@_%._%'"), 300);
  EXPECT_EQ(count("Email <> '' and Email not like '%_@_%._%'"), 0);
  EXPECT_GT(count("instr(Company_Name, 'é') or instr(Company_Name, 'É')"), 0);
  EXPECT_GT(count("instr(Company_Name, '''')"), 0);
  EXPECT_GT(count("instr(Company_Name, 'Bank')"), 0);
  EXPECT_GT(count("instr(Company_Name, 'bank')"), 0);
  EXPECT_GT(count("instr(Location_Address, 'Montréal') or instr(Location_Address, 'Québec,')"), 0);
  EXPECT_EQ(count("Exporting not in ('Yes', 'No')"), 0);
  EXPECT_GT(count("Exporting is null"), 0);
  EXPECT_GT(count("Toll_Free_Phone like '1-8__-___-____'"), 0);
  EXPECT_EQ(count("Year_Established not between 1850 and 2005"), 0);
  EXPECT_EQ(count("Number_of_Employees not between 1 and 5000"), 0);
  EXPECT_GT(count("Year_Established is null"), 0);
  EXPECT_GT(count("Number_of_Employees is null"), 0);
  EXPECT_GT(count("Number_of_Employees >= 1000"), 0);
  EXPECT_EQ(db.Number("select count(distinct Company_ID) from Company_Info"), 600);
  // Memo lines end in CR LF, never in a bare LF; a few descriptions run to kilobytes.
  EXPECT_GT(count("instr(Company_Description, char(13, 10))"), 100);
  for (std::string memo : {"Company_Description", "Market_Alliances", "Market_Strategic_Alliances"})
    EXPECT_EQ(count("instr(replace(" + memo + ", char(13, 10), ''), char(10))"), 0) << memo;
  EXPECT_GT(count("length(Company_Description) > 3000"), 0);
  EXPECT_GT(count("instr(Market_Alliances, char(13, 10))"), 0);
}

TEST_F(GenSample, ContactsAndProductsBelongToCompanies) {
  Db db(Sample());
  const long long contacts = db.Number("select count(*) from Company_Contact");
  EXPECT_EQ(db.Number("select min(Record_ID) from Company_Contact"), 1);
  EXPECT_EQ(db.Number("select max(Record_ID) from Company_Contact"), contacts);
  EXPECT_EQ(db.Number("select count(distinct Record_ID) from Company_Contact"), contacts);
  EXPECT_EQ(db.Number("select count(*) from Company_Contact c left join Company_Info i using (Company_ID) "
                      "where i.Company_ID is null or c.Profile_ID <> i.Profile_ID"), 0);
  EXPECT_EQ(db.Number("select max(n) from (select count(*) n from Company_Contact group by Company_ID)"), 6);
  EXPECT_GT(db.Number("select count(*) from Company_Info where Company_ID not in (select Company_ID from Company_Contact)"), 0);
  EXPECT_GT(db.Number("select count(*) from Company_Contact where Email is null"), 0);
  EXPECT_GT(db.Number("select count(*) from Company_Contact where Email like '%_@_%._%'"), 0);
  EXPECT_GT(db.Number("select count(*) from Company_Contact where instr(Name, 'é') or instr(Name, '''')"), 0);

  EXPECT_EQ(db.Number("select count(*) from Company_ProductServiceLicensing where Company_ID not in "
                      "(select Company_ID from Company_Info)"), 0);
  EXPECT_EQ(db.Number("select max(n) from (select count(*) n from Company_ProductServiceLicensing group by Company_ID)"), 8);
  EXPECT_GT(db.Number("select count(*) from Company_Info where Company_ID not in "
                      "(select Company_ID from Company_ProductServiceLicensing)"), 0);
  auto types = db.Rows("select distinct Type from Company_ProductServiceLicensing order by 1");
  EXPECT_EQ(types, (std::vector<Cells>{{"Licensing"}, {"Product"}, {"Service"}}));
  auto exporting = db.Rows("select distinct IsExporting from Company_ProductServiceLicensing order by 1");
  EXPECT_EQ(exporting, (std::vector<Cells>{{"N"}, {"Y"}}));
}

TEST_F(GenSample, CategoryTreeHoldsFullPathsDownToEachLeaf) {
  Db db(Sample());
  auto mains = db.Rows("select RecordID, Cat_Name, Cat_Code from Main_Category order by rowid");
  ASSERT_GE(mains.size(), 12u);
  EXPECT_EQ(*mains[0][2], "Abor");  // the leaf list's first parameter
  std::map<std::string, std::string> mainNames;
  for (const Cells& m : mains) {
    EXPECT_EQ(m[2]->size(), 4u) << *m[2];
    EXPECT_TRUE(mainNames.emplace(*m[2], *m[1]).second) << *m[2];
  }
  auto leaves = db.Rows("select * from All_Leaf_SubCat");
  std::set<std::string> codes;
  std::set<int> levels;
  for (const Cells& l : leaves) {
    const std::string& code = *l[0];
    EXPECT_TRUE(codes.insert(code).second) << code;
    EXPECT_TRUE(*l[2] == "Y" || *l[2] == "N");
    EXPECT_EQ(*l[3], "L");
    const int level = std::stoi(*l[4]);
    levels.insert(level);
    ASSERT_TRUE(level >= 1 && level <= 6) << code;
    ASSERT_TRUE(mainNames.count(*l[5])) << code;
    EXPECT_EQ(*l[6], mainNames[*l[5]]);
    for (int k = 1; k <= 6; ++k) {
      const auto& catCode = l[7 + 2 * (k - 1)];
      const auto& catText = l[8 + 2 * (k - 1)];
      EXPECT_EQ(catCode.has_value(), k <= level) << code << " Cat" << k;
      EXPECT_EQ(catText.has_value(), k <= level) << code << " Cat" << k;
    }
    EXPECT_EQ(*l[7 + 2 * (level - 1)], code);
    EXPECT_NE(l[1]->find(*l[8 + 2 * (level - 1)]), std::string::npos) << "the leaf's text names its own level";
  }
  EXPECT_EQ(levels, (std::set<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_GT(db.Number("select count(*) from All_Leaf_SubCat where IsValid = 'N'"), 0);
  EXPECT_GT(db.Number("select count(*) from All_Leaf_SubCat where IsValid = 'Y' and MainCat_Code = 'Abor'"), 0);
  // The tree does not change with the seed or the size.
  ASSERT_EQ(RunGenerator("--companies 0 --seed 99 --output " + (dir_ / "empty.mdb").string()), 0);
  Db empty(dir_ / "empty.mdb");
  EXPECT_EQ(empty.Rows("select * from All_Leaf_SubCat"), leaves);
  EXPECT_EQ(empty.Number("select count(*) from Company_Info"), 0);
}

TEST_F(GenSample, CompaniesAreAssignedToLeavesOfTheirMainCategory) {
  Db db(Sample());
  EXPECT_EQ(db.Number("select count(*) from Company_SubCat s left join All_Leaf_SubCat l using (SubCat_Code) "
                      "where l.SubCat_Code is null or l.MainCat_Code <> s.MainCat_Code"), 0);
  EXPECT_EQ(db.Number("select count(*) from Company_SubCat where Company_ID not in (select Company_ID from Company_Info)"), 0);
  EXPECT_EQ(db.Number("select max(n) from (select count(*) n from Company_SubCat group by Company_ID)"), 3);
  EXPECT_EQ(db.Number("select count(*) from (select 1 from Company_SubCat group by Company_ID, SubCat_Code having count(*) > 1)"), 0);
  EXPECT_GT(db.Number("select count(*) from Company_Info where Company_ID not in (select Company_ID from Company_SubCat)"), 0);
  // Companies of a withdrawn leaf are still found through their main category.
  EXPECT_GT(db.Number("select count(*) from Company_SubCat where SubCat_Code in "
                      "(select SubCat_Code from All_Leaf_SubCat where IsValid = 'N')"), 0);
  EXPECT_GT(db.Number("select count(distinct Company_ID) from Company_SubCat where MainCat_Code = 'Abor'"), 0);
}

TEST_F(GenSample, OpensInPlaceThroughTheDirectoryEngine) {
  ASSERT_EQ(DetectDatabaseFormat(Sample().string()), DatabaseFormat::Sqlite);
  Connection c;
  c.SetConnectionString("Data Source=" + Sample().string());
  sqlite3* db = c.Handle();
  auto number = [&](const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
    long long n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
  };
  // The indexes were built under the engine's own letter-case rule (the
  // engine replaces NOCASE): a mismatch would show here as a broken index.
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
  sqlite3_finalize(st);
  const long long abor = number("select count(*) from Company_SubCat where MainCat_Code = 'Abor'");
  EXPECT_GT(abor, 0);
  EXPECT_EQ(number("select count(*) from Company_SubCat where MainCat_Code = 'ABOR'"), abor);
  // Accented names are found whatever their letter case, as the search panel's LIKE does it.
  EXPECT_GT(number("select count(*) from Company_Info where Location_Address like '%MONTRÉAL%'"), 0);
  EXPECT_EQ(number("select count(*) from Company_Info where Company_Name like '%bank%'"),
            number("select count(*) from Company_Info where instr(lower(Company_Name), 'bank')"));
}

TEST_F(GenSample, BadArgumentsAndFailuresLeaveNoFile) {
  const std::string target = (dir_ / "bad.mdb").string();
  for (const std::string& args : std::vector<std::string>{"", "--companies", "--companies -1 --output " + target, "--companies abc --output " + target,
                           "--companies 5000001 --output " + target, "--companies 10 --seed x --output " + target,
                           "--companies 10", "--companies 10 --format csv --output " + target,
                           "--companies 10 --colour blue --output " + target}) {
    EXPECT_EQ(RunGenerator(args), 2) << args;
    EXPECT_FALSE(fs::exists(target)) << args;
  }
  EXPECT_EQ(RunGenerator("--companies 10 --output " + (dir_ / "no-such-folder" / "x.mdb").string()), 1);
  EXPECT_EQ(RunGenerator("--companies 10 --output " + dir_.string()), 1);  // a folder, not a file
  // An existing file survives a run that fails while writing (here: the file
  // size limit, with the signal it raises ignored so that writes fail instead).
  { std::ofstream(target) << "keep"; }
  for (std::string format : {"sqlite", "access"}) {
    std::string run = "ulimit -f 40; trap '' XFSZ; " + kGenerator + " --companies 200 --format " + format +
                      " --output " + target + " >/dev/null 2>&1";
    int status = std::system(run.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << format;
    EXPECT_EQ(ReadBytes(target), "keep") << format;
  }
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().front(), '.') << "temporary file left: " << entry.path();
}

}  // namespace
