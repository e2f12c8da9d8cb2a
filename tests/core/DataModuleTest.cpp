#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestDirectory.h"
#include "data/uDM.h"

using namespace orbisk;
using orbisk::testing::TempFolder;
using orbisk::testing::WriteSmallDirectory;

namespace {

std::vector<std::string> FieldNames(const Query& q) {
  std::vector<std::string> names;
  for (const auto& f : q.Fields()) names.push_back(f.FieldName());
  return names;
}

std::vector<std::string> DeclaredNames(const Query& q) {
  std::vector<std::string> names;
  for (const auto& f : q.DeclaredFields()) names.push_back(f.name);
  return names;
}

class DataModule : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSmallDirectory(folder.Path());
    dm.DataModuleCreate(folder.Path());
  }
  void Search(Query& q, const std::string& sql) {
    q.Close();
    q.SetSQL(sql);
    q.Open();
  }
  TempFolder folder;
  TDM dm;
};

}  // namespace

TEST(DataModuleStatements, FixedStatementsAndFields) {
  TDM dm;
  EXPECT_EQ(dm.MainCat_Q.SQL(), "select * from Main_Category");
  EXPECT_EQ(dm.LeafCat_Q.SQL(), "select * from All_Leaf_SubCat\r\nwhere MainCat_Code = :Cat_Code\r\nand IsValid='Y'");
  EXPECT_EQ(dm.CompanyContact_Q.SQL(), "Select * from Company_Contact\r\nwhere Company_ID = :Company_ID\r\n");
  EXPECT_EQ(dm.PSL_Q.SQL(), "Select * from Company_ProductServiceLicensing\r\nwhere Company_ID = :Company_ID\r\n");
  EXPECT_EQ(dm.OneCompany_Q.SQL(), "select * from Company_Info\r\nwhere Company_ID = :Company_ID");
  EXPECT_EQ(dm.Company_Q.SQL(), "");
  EXPECT_EQ(dm.Contact_Q.SQL(), "");
  EXPECT_EQ(dm.LeafCat_Q.Param("Cat_Code").AsText(), "Abor");
  EXPECT_TRUE(dm.OneCompany_Q.Param("Company_ID").IsNull());
  EXPECT_TRUE(dm.CompanyContact_Q.Param("Company_ID").IsNull());

  EXPECT_EQ(DeclaredNames(dm.Company_Q),
            (std::vector<std::string>{"Company_ID", "RecNo", "Company_Name", "Location_Address",
                                      "Location_Address_Postal", "TelAreaCode", "Telephone", "Toll_Free_Phone",
                                      "Fax", "Email", "Website_URL", "Exporting", "Year_Established",
                                      "Number_of_Employees"}));
  EXPECT_EQ(DeclaredNames(dm.Contact_Q),
            (std::vector<std::string>{"RecNo", "Record_ID", "Company_Name", "Location_Address", "Name", "Title",
                                      "Area", "Telephone", "Fax", "Email"}));
  const auto& contact = dm.Contact_Q.DeclaredFields();
  EXPECT_EQ(contact[1].type, ftAutoInc);
  EXPECT_EQ(contact[1].tag, -1);
  EXPECT_EQ(contact[1].displayWidth, 13);
  EXPECT_EQ(contact[3].displayWidth, 319);
  const auto& company = dm.Company_Q.DeclaredFields();
  EXPECT_TRUE(company[1].calculated);
  EXPECT_EQ(company[1].tag, -1);
  EXPECT_EQ(company[12].type, ftSmallint);
  EXPECT_EQ(company[2].size, 80);
  const auto& one = dm.OneCompany_Q.DeclaredFields();
  ASSERT_EQ(one.size(), 32u);
  EXPECT_EQ(one.front().name, "Company_ID");
  EXPECT_EQ(one.back().name, "Number_of_Employees");
  for (const auto& f : one) EXPECT_EQ(f.tag, f.name == "Company_Description" ? -1 : 0) << f.name;
  EXPECT_EQ(DeclaredNames(dm.LeafCat_Q).size(), 20u);
  EXPECT_EQ(dm.LeafCat_Q.DeclaredFields()[8].size, 60);   // Cat1_Code is text(60)
  EXPECT_EQ(dm.LeafCat_Q.DeclaredFields()[10].size, 10);  // Cat2_Code text(10)
}

TEST(DataModuleStatements, ConnectionStringAndNothingOpensAtCreation) {
  TDM dm;
  dm.DataModuleCreate("/opt/orbisk/");
  EXPECT_EQ(dm.ADOConnection.ConnectionString(),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/opt/orbisk/Database/corpdir.mdb");
  EXPECT_FALSE(dm.ADOConnection.Connected());
  for (Query* q : {&dm.MainCat_Q, &dm.LeafCat_Q, &dm.Company_Q, &dm.CompanyContact_Q, &dm.PSL_Q, &dm.Contact_Q,
                   &dm.OneCompany_Q})
    EXPECT_FALSE(q->Active()) << q->Name();
}

TEST(DataModuleStatements, MissingDirectoryFailsAtFirstQueryOnly) {
  TempFolder folder;
  TDM dm;
  dm.DataModuleCreate(folder.Path());  // no error here
  dm.Company_Q.SetSQL("select Company_ID from Company_Info");
  try {
    dm.Company_Q.Open();
    FAIL() << "opened a missing directory";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), "Could not find file '" + folder.Path() + "Database/corpdir.mdb'.");
  }
  EXPECT_FALSE(dm.Company_Q.Active());
  EXPECT_FALSE(dm.ADOConnection.Connected());
}

TEST(DataModuleStatements, ForeignFileIsRefused) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() + "Database");
  std::ofstream(folder.Path() + "Database/corpdir.mdb") << "not a database at all, just text";
  TDM dm;
  dm.DataModuleCreate(folder.Path());
  dm.MainCat_Q.Close();
  try {
    dm.MainCat_Q.Open();
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), "Unrecognized database format '" + folder.Path() + "Database/corpdir.mdb'.");
  }
}

TEST_F(DataModule, SearchWithoutRowsStaysOpenAndEmpty) {
  Search(dm.Company_Q, "select Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,"
                       "Telephone,Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,"
                       "Number_of_Employees from Company_Info where 1=0");
  EXPECT_TRUE(dm.Company_Q.Active());
  EXPECT_EQ(dm.Company_Q.RecordCount(), 0);
  EXPECT_TRUE(dm.Company_Q.Eof());
  EXPECT_EQ(dm.Company_Q.RecNo(), 0);
  // Its after-open reran the details, which are open and empty before any details window.
  EXPECT_TRUE(dm.CompanyContact_Q.Active());
  EXPECT_TRUE(dm.PSL_Q.Active());
  EXPECT_EQ(dm.CompanyContact_Q.RecordCount(), 0);
}

TEST_F(DataModule, RecNoRunsFromOneToTheCountAndStatusFollowsScrolls) {
  std::vector<int> shown;
  dm.ShowCurrentRecord = [&](Query& q) { shown.push_back(q.RecNo()); };
  Search(dm.Company_Q, "select top 4 Company_ID,Company_Name,Location_Address,Location_Address_Postal,"
                       "TelAreaCode,Telephone,Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,"
                       "Number_of_Employees from Company_Info order by Company_ID");
  ASSERT_EQ(dm.Company_Q.RecordCount(), 4);
  const Field& recNo = dm.Company_Q.FieldByName("RecNo");
  for (int r = 0; r < 4; ++r) EXPECT_EQ(recNo.ValueAt(r).AsInteger(), r + 1);
  EXPECT_EQ(shown, std::vector<int>{1});  // opening a non-empty result scrolls to row 1
  dm.Company_Q.Next();
  dm.Company_Q.Last();
  EXPECT_EQ(recNo.AsInteger(), 4);
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 4}));
  dm.Company_Q.Next();  // past the end: end-of-data, still on the last row
  EXPECT_TRUE(dm.Company_Q.Eof());
  EXPECT_EQ(dm.Company_Q.RecNo(), 4);
}

TEST_F(DataModule, TopClauseLimitsRowsAndContactStatementJoins) {
  Search(dm.Company_Q, "select  top 1  Company_ID,Company_Name,Location_Address,Location_Address_Postal,"
                       "TelAreaCode,Telephone,Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,"
                       "Number_of_Employees   from Company_Info  where  1=1 ");
  EXPECT_EQ(dm.Company_Q.RecordCount(), 1);
  Search(dm.Contact_Q, "select  top 100   CI.Company_Name,CI.Location_Address,CC.* from Company_Contact CC, "
                       "Company_Info CI where CC.Company_ID=CI.Company_ID  and CC.Email is not null  and  "
                       "CC.Company_ID in ( select Company_ID from Company_Info  where  1=1  and Company_Name "
                       "Like '%bank%' ) ");
  ASSERT_EQ(dm.Contact_Q.RecordCount(), 1);
  EXPECT_EQ(dm.Contact_Q.FieldByName("Name").AsString(), "Ann Smith");
  EXPECT_EQ(dm.Contact_Q.FieldByName("Record_ID").DataType(), ftAutoInc);
  // The statement's other columns are kept (for the XML export) but are not fields.
  EXPECT_EQ(dm.Contact_Q.FindField("Company_ID"), nullptr);
  bool hasCompanyId = false;
  for (const auto& c : dm.Contact_Q.Columns()) hasCompanyId = hasCompanyId || c.name == "Company_ID";
  EXPECT_TRUE(hasCompanyId);
}

TEST_F(DataModule, DetailsFollowTheSingleCompany) {
  dm.OneCompany_Q.SetParam("Company_ID", Value(1));
  dm.OneCompany_Q.Open();
  dm.ReopenCompanyDetails();
  EXPECT_EQ(dm.CompanyContact_Q.RecordCount(), 2);
  EXPECT_EQ(dm.PSL_Q.RecordCount(), 2);
  EXPECT_EQ(FieldNames(dm.CompanyContact_Q).front(), "Record_ID");
  EXPECT_EQ(dm.CompanyContact_Q.FieldByName("Record_ID").DataType(), ftAutoInc);
  EXPECT_EQ(dm.PSL_Q.FieldByName("IsExporting").DataType(), ftWideString);

  // Re-stating the master while the details are open re-runs them for the new company.
  dm.OneCompany_Q.Close();
  dm.OneCompany_Q.SetParam("Company_ID", Value(2));
  dm.OneCompany_Q.Open();
  EXPECT_EQ(dm.CompanyContact_Q.RecordCount(), 1);
  EXPECT_EQ(dm.CompanyContact_Q.FieldByName("Name").AsString(), "Émile Tremblay");
  EXPECT_EQ(dm.PSL_Q.RecordCount(), 1);

  // While the master's controls are disabled the link is quiet, as the details
  // window relies on when it reloads and then reopens the details itself.
  dm.OneCompany_Q.DisableControls();
  dm.OneCompany_Q.Close();
  dm.OneCompany_Q.SetParam("Company_ID", Value(3));
  dm.OneCompany_Q.Open();
  EXPECT_EQ(dm.CompanyContact_Q.RecordCount(), 1);
  dm.ReopenCompanyDetails();
  dm.OneCompany_Q.EnableControls();
  EXPECT_EQ(dm.CompanyContact_Q.RecordCount(), 0);  // company 3 has no contacts
}

TEST_F(DataModule, OpeningTheDetailsRunsEachQueryOnce) {
  // As the details window loads a company: the master quiet while it reopens,
  // the details reopened by hand, then the controls enabled again.
  auto load = [&](int company) {
    dm.OneCompany_Q.DisableControls();
    dm.OneCompany_Q.Close();
    dm.OneCompany_Q.SetParam("Company_ID", Value(company));
    dm.OneCompany_Q.Open();
    dm.ReopenCompanyDetails();
    dm.OneCompany_Q.EnableControls();
  };
  load(1);
  long long before = dm.ADOConnection.StatementsRun();
  load(2);
  EXPECT_EQ(dm.ADOConnection.StatementsRun(), before + 3);  // the company, its contacts, its products
  EXPECT_EQ(dm.CompanyContact_Q.FieldByName("Name").AsString(), "Émile Tremblay");
  // Controls enabled again after a change of company made while they were
  // off: the details catch up, once.
  dm.OneCompany_Q.DisableControls();
  dm.OneCompany_Q.Close();
  dm.OneCompany_Q.SetParam("Company_ID", Value(1));
  dm.OneCompany_Q.Open();
  before = dm.ADOConnection.StatementsRun();
  dm.OneCompany_Q.EnableControls();
  EXPECT_EQ(dm.ADOConnection.StatementsRun(), before + 2);
  EXPECT_EQ(dm.CompanyContact_Q.RecordCount(), 2);
  before = dm.ADOConnection.StatementsRun();
  dm.OneCompany_Q.DisableControls();
  dm.OneCompany_Q.EnableControls();
  EXPECT_EQ(dm.ADOConnection.StatementsRun(), before);
}

TEST_F(DataModule, SameMainCategoryDoesNotRerunTheLeafQuery) {
  dm.LeafCat_Q.Open();
  EXPECT_EQ(dm.LeafCat_Q.RecordCount(), 1);  // "Abor" with IsValid 'Y' only
  long long before = dm.ADOConnection.StatementsRun();
  dm.OpenLeafCategories("Abor");
  EXPECT_EQ(dm.ADOConnection.StatementsRun(), before);
  dm.OpenLeafCategories("Agri");
  EXPECT_EQ(dm.ADOConnection.StatementsRun(), before + 1);
  EXPECT_EQ(dm.LeafCat_Q.RecordCount(), 2);
  dm.OpenLeafCategories("Agri");
  EXPECT_EQ(dm.ADOConnection.StatementsRun(), before + 1);
  EXPECT_EQ(dm.LeafCat_Q.FieldByName("RecNo").ValueAt(1).AsInteger(), 2);
}

TEST_F(DataModule, ClosedLeafQueryOpensForItsOwnStartCode) {
  // The parameter already holds "Abor" while the list was never opened: the
  // first click on that main category must still show its leaves.
  ASSERT_FALSE(dm.LeafCat_Q.Active());
  long long before = dm.ADOConnection.StatementsRun();
  dm.OpenLeafCategories("Abor");
  ASSERT_TRUE(dm.LeafCat_Q.Active());
  EXPECT_EQ(dm.ADOConnection.StatementsRun(), before + 1);
  EXPECT_EQ(dm.LeafCat_Q.FieldByName("SubCat_Text").AsString(), "Aboriginal Crafts");
  // A list closed after showing a category opens again for that category.
  dm.LeafCat_Q.Close();
  dm.OpenLeafCategories("Abor");
  EXPECT_TRUE(dm.LeafCat_Q.Active());
  EXPECT_EQ(dm.LeafCat_Q.RecordCount(), 1);
  // An opening that failed leaves the list closed; the same code runs again once the engine answers.
  const std::string statement = dm.LeafCat_Q.SQL();
  dm.LeafCat_Q.SetSQL("select * from No_Such_Table where MainCat_Code = :Cat_Code");
  EXPECT_THROW(dm.OpenLeafCategories("Agri"), std::runtime_error);
  EXPECT_FALSE(dm.LeafCat_Q.Active());
  dm.LeafCat_Q.SetSQL(statement);
  dm.OpenLeafCategories("Agri");
  ASSERT_TRUE(dm.LeafCat_Q.Active());
  EXPECT_EQ(dm.LeafCat_Q.RecordCount(), 2);
}

TEST_F(DataModule, RejectedStatementKeepsEngineTextAndQueryClosed) {
  dm.Company_Q.SetSQL("select Company_ID from Company_Info where Year_Established > abc");
  try {
    dm.Company_Q.Open();
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), "no such column: abc");
  }
  EXPECT_FALSE(dm.Company_Q.Active());
  // A statement that does not return the declared fields fails cleanly too.
  dm.Company_Q.SetSQL("select Company_ID from Company_Info");
  EXPECT_THROW(dm.Company_Q.Open(), std::runtime_error);
  EXPECT_FALSE(dm.Company_Q.Active());
}
