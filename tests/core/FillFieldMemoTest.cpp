#include <gtest/gtest.h>

#include "TestDirectory.h"
#include "browse/FillFieldMemo.h"
#include "data/uDM.h"
#include "search/CategoryCondition.h"

using namespace orbisk;
using orbisk::testing::TempFolder;
using orbisk::testing::WriteSmallDirectory;

namespace {

class FieldMemo : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSmallDirectory(folder.Path());
    dm.DataModuleCreate(folder.Path());
  }
  void OpenCompany(int id) {
    dm.OneCompany_Q.Close();
    dm.OneCompany_Q.SetParam("Company_ID", Value(id));
    dm.OneCompany_Q.Open();
  }
  void Run(Query& q, const std::string& sql) {
    q.Close();
    q.SetSQL(sql);
    q.Open();
  }
  TempFolder folder;
  TDM dm;
  std::vector<std::string> lines{"old text"};
};

}  // namespace

TEST_F(FieldMemo, CompanyDetailsListEveryFieldButTheDescription) {
  OpenCompany(1);
  FillFieldMemo(dm.OneCompany_Q, lines, 0, true);
  // Two lines per shown field: all of Company_Info's fields except the description.
  ASSERT_EQ(lines.size(), 2 * (dm.OneCompany_Q.Fields().size() - 1));
  EXPECT_EQ(lines[0], "Company ID : 1");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "Company Name : Prairie Bank Ltd");
  for (size_t i = 1; i < lines.size(); i += 2) EXPECT_EQ(lines[i], "") << i;
  for (const auto& l : lines) {
    EXPECT_EQ(l.find("Company Description"), std::string::npos) << l;
    EXPECT_EQ(l.find("First line"), std::string::npos) << l;
    EXPECT_EQ(l.find('_'), std::string::npos) << l;
  }
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(lines[lines.size() - 2], "Number of Employees : 120");
}

TEST_F(FieldMemo, EmptyValuesLeaveTheBareLabelAndColon) {
  OpenCompany(2);  // no e-mail, no web address
  FillFieldMemo(dm.OneCompany_Q, lines, 0, true);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Email :"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Website URL :"), lines.end());
}

TEST_F(FieldMemo, LinesAreTrimmedButInnerLineBreaksStay) {
  Query q("Plain_Q", &dm.ADOConnection);  // fields from the returned columns
  Run(q,
      "select Company_ID, Company_Name || '  ' || char(13,10,9) as Company_Name,"
      " char(9) || 'a' || char(13,10) || 'b ' as Location_Address from Company_Info where Company_ID = 1");
  FillFieldMemo(q, lines, 0, false);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Company_ID : 1");
  EXPECT_EQ(lines[2], "Company_Name : Prairie Bank Ltd");
  EXPECT_EQ(lines[4], "Location_Address : \ta\r\nb");
}

TEST_F(FieldMemo, MinTagSelectsTheFields) {
  OpenCompany(1);
  FillFieldMemo(dm.OneCompany_Q, lines, -1, false);
  EXPECT_EQ(lines.size(), 2 * dm.OneCompany_Q.Fields().size());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Company_Description : First line\r\nSecond line"), lines.end());
  FillFieldMemo(dm.OneCompany_Q, lines, 1, false);
  EXPECT_TRUE(lines.empty());
}

TEST_F(FieldMemo, ContactLabelsKeepUnderscores) {
  Run(dm.Contact_Q,
      "select c.*, i.Company_Name, i.Location_Address from Company_Contact c, Company_Info i"
      " where c.Company_ID = i.Company_ID order by c.Record_ID");
  FillFieldMemo(dm.Contact_Q, lines, 0, false);
  std::vector<std::string> expected = {"Company_Name : Prairie Bank Ltd", "",
                                       "Location_Address : 100 Main St, Winnipeg, Manitoba", "",
                                       "Name : Ann Smith", "", "Title : President", "", "Area : Management", "",
                                       "Telephone : (204) 555-0111", "", "Fax :", "", "Email : ann@prairie.ca", ""};
  EXPECT_EQ(lines, expected);
}

TEST_F(FieldMemo, NothingAtTheEndOfTheData) {
  OpenCompany(999);  // no such company
  FillFieldMemo(dm.OneCompany_Q, lines, 0, true);
  EXPECT_TRUE(lines.empty());

  lines = {"old"};
  OpenCompany(1);
  dm.OneCompany_Q.Next();  // past the only row
  ASSERT_TRUE(dm.OneCompany_Q.Eof());
  FillFieldMemo(dm.OneCompany_Q, lines, 0, true);
  EXPECT_TRUE(lines.empty());

  lines = {"old"};
  dm.OneCompany_Q.Close();
  FillFieldMemo(dm.OneCompany_Q, lines, 0, true);
  EXPECT_TRUE(lines.empty());
}

TEST(CategoryCondition, TextsOfAMainAndALeafChoice) {
  EXPECT_EQ(MainCategorySelection("Abor"), " MainCat_Code='Abor'");
  EXPECT_EQ(SubCategorySelection("1_1"), " SubCat_Code='1_1'");
  EXPECT_EQ(CategoryConditionText(MainCategorySelection("Agri")),
            " Company_ID in (select Company_ID from Company_SubCat where  MainCat_Code='Agri')");
  EXPECT_EQ(CategoryConditionText(SubCategorySelection("2_1")),
            " Company_ID in (select Company_ID from Company_SubCat where  SubCat_Code='2_1')");
  EXPECT_EQ(SubCategoryText("Agriculture", "Dairy"), "Agriculture/Dairy");
}

TEST(CategoryCondition, QuotesInsideACodeAreDoubled) {
  EXPECT_EQ(MainCategorySelection("O'B"), " MainCat_Code='O''B'");
  EXPECT_EQ(SubCategorySelection("'"), " SubCat_Code=''''");
  EXPECT_EQ(SubCategorySelection(""), " SubCat_Code=''");
}

TEST_F(FieldMemo, CategoryConditionSelectsTheCompaniesOfTheCategory) {
  auto ids = [&](const std::string& selection) {
    Run(dm.Company_Q, "select * from Company_Info where" + CategoryConditionText(selection) + " order by Company_ID");
    std::vector<int64_t> r;
    for (dm.Company_Q.First(); !dm.Company_Q.Eof(); dm.Company_Q.Next())
      r.push_back(dm.Company_Q.FieldByName("Company_ID").AsInteger());
    return r;
  };
  EXPECT_EQ(ids(MainCategorySelection("Agri")), (std::vector<int64_t>{2, 4}));
  EXPECT_EQ(ids(SubCategorySelection("1_1")), (std::vector<int64_t>{1}));
  // A code holding a quote is a literal, not a broken statement.
  EXPECT_TRUE(ids(MainCategorySelection("Ag') or ('1'='1")).empty());
}
