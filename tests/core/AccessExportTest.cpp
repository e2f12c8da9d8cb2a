#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "JetTestSupport.h"
#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/jet/JetDatabase.h"
#include "data/jet/JetDdl.h"
#include "data/uDM.h"
#include "export/db2access.h"

using namespace orbisk;
using orbisk::testing::CopyInto;
using orbisk::testing::Exec;
using orbisk::testing::FileBytes;
using orbisk::testing::ReadWithLibmdb;
using orbisk::testing::TempFolder;

namespace {

const std::string kAccessDir = std::string(ORBISK_TEST_DATA) + "/access/";

FieldDef Def(const char* name, TFieldType type, int size = 0, int tag = 0) {
  FieldDef d;
  d.name = name;
  d.type = type;
  d.size = size;
  d.tag = tag;
  return d;
}

void NumberRows(Query& q) { q.FieldByName("RecNo").SetCalcValue(Value(ClampRecNo(q.CalcPosition()))); }

class AccessExport : public ::testing::Test {
 protected:
  void SetUp() override {
    c.OpenMemory();
    for (const auto& t : DirectoryTables()) Exec(c.Handle(), CreateTableStatement(t));
    Exec(c.Handle(),
         "INSERT INTO Company_Info (Company_ID, Company_Name, Location_Address, Location_Address_Postal,"
         " TelAreaCode, Telephone, Email, Website_URL, Year_Established, Number_of_Employees, Exporting) VALUES"
         " (1, 'Prairie Bank Ltd', '100 Main St', 'R3C 1A1', '204', '(204) 555-0101', 'info@prairie.ca',"
         "  'www.prairie.ca', 1950, 120, 'Yes'),"
         " (2, 'Société Générale Québec', '5 Rue Laval', 'H2X 1Y4', '514', NULL, NULL, NULL, 1988, 40, 'No'),"
         " (3, 'O''Brien Tools', '', 'M5H 2N2', '416', '(416) 555-0103', '', NULL, NULL, NULL, 'No'),"
         " (4, 'Ελληνική Εταιρεία 日本', '9 Rue Champlain', 'G1K 4H4', '418', NULL, NULL, NULL, 1975, 300, 'Yes')");
    company.SetConnection(&c);
    company.DeclareFields(CompanyQueryFields());
    company.OnCalcFields = NumberRows;
    company.SetSQL("select * from Company_Info order by Company_ID");
    company.Open();
  }

  std::string Export(const std::string& file, AccessExportResult* result = nullptr) {
    try {
      AccessExportResult r = ExportToAccess(company, file, AccessOptions{.tableName = QueryBaseName(company), .lowestTag = 0, .progress = {}});
      if (result) *result = r;
      return "ok";
    } catch (const std::exception& e) {
      return e.what();
    }
  }

  Connection c;
  Query company{"Company_Q"};
  TempFolder tmp;
};

}  // namespace

TEST(AccessExportTypes, JetColumnTypeFollowsTheFieldType) {
  struct Case {
    TFieldType type;
    int size;
    const char* jet;
  } cases[] = {
      {ftString, 80, "VarChar(80)"},  {ftWideString, 255, "VarChar(255)"}, {ftWideString, 256, "Text"},
      {ftFixedChar, 2, "Char(2)"},    {ftFixedChar, 300, "Text"},          {ftSmallint, 0, "Int"},
      {ftInteger, 0, "Int"},          {ftWord, 0, "Int"},                  {ftAutoInc, 0, "Int"},
      {ftLargeint, 0, "Int"},         {ftBoolean, 0, "Bit"},               {ftFloat, 0, "Float"},
      {ftBCD, 0, "Float"},            {ftCurrency, 0, "Money"},            {ftDate, 0, "Datetime"},
      {ftTime, 0, "Datetime"},        {ftDateTime, 0, "Datetime"},         {ftMemo, 0, "Text"},
      {ftFmtMemo, 0, "Text"},         {ftBlob, 0, "Image"},                {ftBytes, 0, "Image"},
      {ftVarBytes, 0, "Image"},       {ftGraphic, 0, "Image"},             {ftGuid, 38, "Image"},
      {ftTimeStamp, 0, "Image"},      {ftFMTBcd, 0, "Image"},              {ftUnknown, 0, "Image"},
  };
  for (const Case& c : cases) EXPECT_EQ(JetColumnType(c.type, c.size), c.jet) << FieldTypeName(c.type);
}

TEST_F(AccessExport, CreateTableStatementNamesEveryFieldInOrder) {
  Query two("Company_Q", &c);
  two.DeclareFields({Def("Company_ID", ftInteger), Def("Company_Name", ftWideString, 80)});
  two.SetSQL("select Company_ID, Company_Name from Company_Info");
  two.Open();
  EXPECT_EQ(BuildCreateTableSQL(two, "Company"),
            " CREATE TABLE Company ( [Company_ID] Int null,\r\n[Company_Name] VarChar(80) null )");
  std::string all = BuildCreateTableSQL(company, "Company");
  EXPECT_EQ(all.substr(0, 56), " CREATE TABLE Company ( [Company_ID] Int null,\r\n[RecNo] ");
  EXPECT_NE(all.find("[Website_URL] VarChar(255) null,\r\n"), std::string::npos);
  EXPECT_TRUE(all.ends_with(",\r\n[Number_of_Employees] Int null )")) << all;
}

TEST_F(AccessExport, NewFileGetsTheTableWithTheRowsFromTheCurrentOn) {
  company.MoveTo(2);
  std::vector<long long> progress;
  std::string file = tmp.Path() + "export.mdb";
  AccessExportResult r = ExportToAccess(company, file,
                                        AccessOptions{.tableName = "Company", .lowestTag = 0,
                                                      .progress = [&](const ProgressStep& step) {
                                                        progress.push_back(step.done);
                                                        return true;
                                                      }});
  EXPECT_EQ(r.rowsWritten, 3);
  EXPECT_EQ(r.rowsRefused, 0);
  EXPECT_EQ(progress, (std::vector<long long>{3}));
  EXPECT_EQ(company.RecNo(), 2);  // back on its row, the grids following again
  EXPECT_FALSE(company.ControlsDisabled());

  auto read = ReadWithLibmdb(file, "Company");
  ASSERT_TRUE(read.found);
  std::vector<std::string> names;
  for (const Field& f : company.Fields()) names.push_back(f.FieldName());
  EXPECT_EQ(read.columns, names);
  EXPECT_EQ(read.types[0], MDB_LONGINT);
  EXPECT_EQ(read.types[2], MDB_TEXT);
  EXPECT_EQ(read.types[12], MDB_LONGINT);  // a small integer goes into an Int column
  ASSERT_EQ(read.rows.size(), 3u);
  EXPECT_EQ(read.rows[0][0], "2");
  EXPECT_EQ(read.rows[0][1], std::nullopt);  // RecNo stays empty
  EXPECT_EQ(read.rows[0][2], "Société Générale Québec");
  EXPECT_EQ(read.rows[2][2], "Ελληνική Εταιρεία 日本");
  EXPECT_EQ(read.rows[0][12], "1988");
  EXPECT_EQ(read.rows[1][13], std::nullopt);
}

TEST_F(AccessExport, SecondExportIntoTheSameFileFailsAndChangesNothing) {
  std::string file = tmp.Path() + "target.mdb";
  CopyInto(kAccessDir + "emptyJet4.mdb", file);
  AccessExportResult r;
  EXPECT_EQ(Export(file, &r), "ok");
  EXPECT_EQ(r.rowsWritten, 4);
  std::string once = FileBytes(file);
  company.MoveTo(3);
  EXPECT_EQ(Export(file), "Table 'Company' already exists.");
  EXPECT_EQ(FileBytes(file), once);
  EXPECT_EQ(company.RecNo(), 3);
  EXPECT_FALSE(company.ControlsDisabled());
  EXPECT_EQ(ReadWithLibmdb(file, "Company").rows.size(), 4u);
}

TEST_F(AccessExport, FileThatIsNotAnAccessDatabaseStaysUntouched) {
  std::string file = tmp.Path() + "letter.mdb";
  std::ofstream(file) << "Not a database at all\r\n";
  std::string message = Export(file);
  EXPECT_EQ(message, "'" + file + "' is not an Access database.");
  EXPECT_EQ(FileBytes(file), "Not a database at all\r\n");
  std::filesystem::create_directory(tmp.Path() + "folder.mdb");
  EXPECT_NE(Export(tmp.Path() + "folder.mdb"), "ok");
}

TEST_F(AccessExport, RowsTheTableRefusesAreCountedAndTheRestWritten) {
  // Company names declared shorter than some of the names: those rows do not fit.
  Query q("Company_Q", &c);
  q.DeclareFields({Def("Company_ID", ftInteger), Def("Company_Name", ftWideString, 16)});
  q.SetSQL("select Company_ID, Company_Name from Company_Info order by Company_ID");
  q.Open();
  std::string file = tmp.Path() + "refused.mdb";
  AccessExportResult r = ExportToAccess(q, file, AccessOptions{.tableName = "Company", .lowestTag = 0, .progress = {}});
  EXPECT_EQ(r.rowsWritten, 2);
  EXPECT_EQ(r.rowsRefused, 2);
  auto read = ReadWithLibmdb(file, "Company");
  ASSERT_EQ(read.rows.size(), 2u);
  EXPECT_EQ(read.rows[0][1], "Prairie Bank Ltd");
  EXPECT_EQ(read.rows[1][1], "O'Brien Tools");
}

TEST_F(AccessExport, EmptyResultCreatesAnEmptyTable) {
  company.Last();
  company.Next();  // past the end: nothing left to copy
  std::string file = tmp.Path() + "empty.mdb";
  AccessExportResult r;
  EXPECT_EQ(Export(file, &r), "ok");
  EXPECT_EQ(r.rowsWritten, 0);
  auto read = ReadWithLibmdb(file, "Company");
  EXPECT_TRUE(read.found);
  EXPECT_EQ(read.columns.size(), company.Fields().size());
  EXPECT_TRUE(read.rows.empty());
}

TEST_F(AccessExport, BlanksAndReservedWordsInFieldNamesAndEveryValueKind) {
  Exec(c.Handle(), "CREATE TABLE k (a INTEGER, b REAL, d TEXT, m TEXT, f REAL, x BLOB, y INTEGER)");
  Exec(c.Handle(),
       "INSERT INTO k VALUES (1, -12.5, '2024-02-29 13:45:10', 'memo text', 0.25, x'00ff', 1),"
       " (0, 0, '1899-12-30', NULL, NULL, NULL, NULL)");
  Query q("Kinds_Q", &c);
  q.DeclareFields({Def("Select", ftBoolean), Def("Postal Code", ftCurrency), Def("Order", ftDateTime),
                   Def("Notes", ftMemo), Def("Ratio", ftFloat), Def("Picture", ftBlob),
                   Def("Hidden", ftInteger, 0, -1)});
  q.SetSQL("select a as [Select], b as [Postal Code], d as [Order], m as Notes, f as Ratio, x as Picture,"
           " y as Hidden from k order by a desc");
  q.Open();
  std::string file = tmp.Path() + "kinds.mdb";
  AccessExportResult r = ExportToAccess(q, file, AccessOptions{.tableName = QueryBaseName(q), .lowestTag = 0, .progress = {}});
  EXPECT_EQ(r.rowsWritten, 2);
  auto read = ReadWithLibmdb(file, "Kinds");
  EXPECT_EQ(read.columns, (std::vector<std::string>{"Select", "Postal Code", "Order", "Notes", "Ratio", "Picture",
                                                    "Hidden"}));
  EXPECT_EQ(read.types, (std::vector<int>{MDB_BOOL, MDB_MONEY, MDB_DATETIME, MDB_MEMO, MDB_DOUBLE, MDB_OLE,
                                          MDB_LONGINT}));
  using R = std::vector<std::optional<std::string>>;
  ASSERT_EQ(read.rows.size(), 2u);
  EXPECT_EQ(read.rows[0], (R{"1", "-12.5000", "2024-02-29 13:45:10", "memo text", "0.25", std::string("\0\xFF", 2),
                             std::nullopt}));  // the tag below 0 leaves Hidden empty
  EXPECT_EQ(read.rows[1], (R{"0", "0.0000", "1899-12-30 00:00:00", std::nullopt, std::nullopt, std::nullopt,
                             std::nullopt}));
}

TEST_F(AccessExport, TheQueryComesBackToItsRowWhenTheCopyFails) {
  company.MoveTo(3);
  jet::JetDatabase db(tmp.Path() + "closed.mdb");
  db.Execute(BuildCreateTableSQL(company, "Company"));
  auto rows = db.OpenRowSet("Select * from Company");
  rows->Close();
  EXPECT_THROW(CopyRows(company, *rows, 0, 0), jet::JetError);
  EXPECT_EQ(company.RecNo(), 3);
  EXPECT_FALSE(company.ControlsDisabled());
  EXPECT_THROW(db.OpenRowSet("Select Company_ID from Company"), jet::JetError);
  EXPECT_THROW(db.OpenRowSet("Select * from Nowhere"), jet::JetError);
}

TEST(AccessExportTypes, JetSqlTypesBecomeTheirColumns) {
  using jet::ColumnType;
  jet::TableDef def = jet::ParseCreateTable(
      " CREATE TABLE Company ( [a] VarChar(10) null,\r\n[b b] Char(2) null,\r\n[c] Text null,\r\n[d] Int null,"
      "\r\n[e] Bit null,\r\n[f] Float null,\r\n[g] Money null,\r\n[h] Datetime null,\r\n[i] Image null,"
      "\r\n[j] VarChar(0) NOT NULL, k SmallInt, l Counter, m Text(20) WITH COMPRESSION );");
  EXPECT_EQ(def.name, "Company");
  struct Want {
    const char* name;
    ColumnType type;
    int size;
    bool fixed, required, counter;
  } want[] = {{"a", ColumnType::Text, 10, false, false, false},    {"b b", ColumnType::Text, 2, true, false, false},
              {"c", ColumnType::Memo, 255, false, false, false},   {"d", ColumnType::Long, 255, false, false, false},
              {"e", ColumnType::Bit, 255, false, false, false},    {"f", ColumnType::Double, 255, false, false, false},
              {"g", ColumnType::Money, 255, false, false, false},  {"h", ColumnType::DateTime, 255, false, false, false},
              {"i", ColumnType::Ole, 255, false, false, false},    {"j", ColumnType::Text, 255, false, true, false},
              {"k", ColumnType::Integer, 255, false, false, false}, {"l", ColumnType::Long, 255, false, false, true},
              {"m", ColumnType::Text, 20, false, false, false}};
  ASSERT_EQ(def.columns.size(), std::size(want));
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const jet::ColumnDef& c = def.columns[i];
    EXPECT_EQ(c.name, want[i].name);
    EXPECT_EQ(c.type, want[i].type) << c.name;
    EXPECT_EQ(c.size, want[i].size) << c.name;
    EXPECT_EQ(c.fixedLength, want[i].fixed) << c.name;
    EXPECT_EQ(c.required, want[i].required) << c.name;
    EXPECT_EQ(c.autoNumber, want[i].counter) << c.name;
  }
  auto error = [](const char* sql) {
    try {
      jet::ParseCreateTable(sql);
      return std::string("accepted");
    } catch (const jet::JetError& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(error("CREATE TABLE T ( [a] VarChar(300) null )"), "Size of field 'a' is too long.");
  EXPECT_EQ(error("CREATE TABLE T ( [a] Widget null )"), "Syntax error in field definition.");
  EXPECT_EQ(error("CREATE TABLE T ( [a] Int null"), "Syntax error in CREATE TABLE statement.");
  EXPECT_EQ(error("CREATE T ( [a] Int )"), "Syntax error in CREATE TABLE statement.");
  EXPECT_EQ(error("CREATE TABLE T ( [a] Int PRIMARY KEY )"), "Syntax error in CREATE TABLE statement.");
  EXPECT_EQ(jet::ParseSelectAll("Select * from [Company]"), "Company");
  EXPECT_THROW(jet::ParseSelectAll("Select a from Company"), jet::JetError);
}
