// The statements the search panel produces, byte for byte.
#include <gtest/gtest.h>

#include <stdexcept>

#include "search/SearchBuilders.h"

using namespace orbisk;

namespace {

SearchPanel Plain() {
  SearchPanel p;
  p.Top.reset();
  return p;
}

const std::string kCompanyColumns =
    "Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,Toll_Free_Phone,"
    "Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from Company_Info ";

struct ConditionCase {
  const char* name;
  void (*set)(SearchPanel&);
  const char* expected;
};

const ConditionCase kConditions[] = {
    {"nothing ticked", [](SearchPanel&) {}, " 1=1 "},
    {"location", [](SearchPanel& p) { p.Location_Chk = true; p.Location = "Ontario"; },
     " 1=1  and Location_Address LIKE'%Ontario%'"},
    {"location and name",
     [](SearchPanel& p) {
       p.Location_Chk = true; p.Location = "Ontario";
       p.CompanyName_Chk = true; p.CompanyName = "bank";
     },
     " 1=1  and Location_Address LIKE'%Ontario%' and Company_Name Like '%bank%'"},
    {"postal code", [](SearchPanel& p) { p.PostalCode_Chk = true; p.PostCode_Op = CompareOp::GreaterOrEqual; p.PostCode = " R3C "; },
     " 1=1  and Location_Address_Postal >='R3C'"},
    {"initial", [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = " b\t"; },
     " 1=1  and Company_Name Like 'b%'"},
    {"two characters", [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = "bk"; },
     " 1=1  and Company_Name Like '%bk%'"},
    {"blank name", [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = "   "; },
     " 1=1  and Company_Name Like '%%'"},
    {"blank location", [](SearchPanel& p) { p.Location_Chk = true; p.Location = "  "; },
     " 1=1  and Location_Address LIKE'%%'"},
    {"blank postal code", [](SearchPanel& p) { p.PostalCode_Chk = true; p.PostCode = "  "; },
     " 1=1  and Location_Address_Postal =''"},
    {"product", [](SearchPanel& p) { p.PSL_Chk = true; p.PSL = "loan"; },
     " 1=1  and Company_ID in (select Company_ID from Company_ProductServiceLicensing where Name Like "
     "'%loan%')"},
    {"area code", [](SearchPanel& p) { p.TelAreaCode_Chk = true; },
     " 1=1  and TelAreaCode ='204'"},
    {"employees keep what was typed", [](SearchPanel& p) {
       p.NumberofEmployees_Chk = true; p.NumberofEmployees = " 50"; },
     " 1=1  and Number_of_Employees > 50"},
    {"year trimmed", [](SearchPanel& p) {
       p.YearEstablished_Chk = true; p.YearEstablished_Op = CompareOp::LessOrEqual; p.YearEstablished = " 1990 "; },
     " 1=1  and Year_Established <=1990"},
    {"presence ticks", [](SearchPanel& p) { p.WithURL_Chk = true; p.WithEmail_Chk = true; },
     " 1=1  and Website_URL is not null and Email is not null"},
    {"contact email is not a condition", [](SearchPanel& p) { p.WithContactEmail_Chk = true; }, " 1=1 "},
    {"category",
     [](SearchPanel& p) {
       p.Category_Chk = true;
       p.CategoryCondition = " Company_ID in (select Company_ID from Company_SubCat where  MainCat_Code='Abor')";
     },
     " 1=1  and  Company_ID in (select Company_ID from Company_SubCat where  MainCat_Code='Abor')"},
    {"category stored but unticked",
     [](SearchPanel& p) { p.CategoryCondition = " Company_ID in (select 1)"; }, " 1=1 "},
    {"ticked rows with empty values", [](SearchPanel& p) {
       p.Location_Chk = p.PostalCode_Chk = p.CompanyName_Chk = p.PSL_Chk = true;
       p.NumberofEmployees_Chk = p.YearEstablished_Chk = p.Category_Chk = true; },
     " 1=1 "},
    {"apostrophes doubled in every literal",
     [](SearchPanel& p) {
       p.Location_Chk = true; p.Location = "L'Île";
       p.PostalCode_Chk = true; p.PostCode = "A'1";
       p.CompanyName_Chk = true; p.CompanyName = "O'Brien";
       p.PSL_Chk = true; p.PSL = "'";
       p.TelAreaCode_Chk = true; p.TelAreaCode = "2'4";
     },
     " 1=1  and Location_Address LIKE'%L''Île%' and Location_Address_Postal ='A''1' and Company_Name Like "
     "'%O''Brien%' and Company_ID in (select Company_ID from Company_ProductServiceLicensing where Name Like "
     "'%''%') and TelAreaCode ='2''4'"},
    {"one apostrophe is an initial", [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = "'"; },
     " 1=1  and Company_Name Like '''%'"},
    {"wildcards stay wildcards", [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = "a_b%"; },
     " 1=1  and Company_Name Like '%a_b%%'"},
    {"control characters trimmed, inner ones kept",
     [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = "\x01\r\nab\tc\x1f "; },
     " 1=1  and Company_Name Like '%ab\tc%'"},
    {"non-ASCII letter is one character",
     [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = " É "; },
     " 1=1  and Company_Name Like 'É%'"},
    {"two non-ASCII letters are a key word",
     [](SearchPanel& p) { p.CompanyName_Chk = true; p.CompanyName = "Éé"; },
     " 1=1  and Company_Name Like '%Éé%'"},
};

class ConditionTable : public ::testing::TestWithParam<ConditionCase> {};

TEST_P(ConditionTable, BuildsExactText) {
  SearchPanel p = Plain();
  GetParam().set(p);
  EXPECT_EQ(BuildConditions(p), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Panel, ConditionTable, ::testing::ValuesIn(kConditions),
                         [](const auto& info) {
                           std::string n;
                           for (char c : std::string(info.param.name)) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return n;
                         });

}  // namespace

TEST(SearchStatements, CompanyExample) {
  SearchPanel p;  // "Only Show Top" with "100"
  p.CompanyName_Chk = true;
  p.CompanyName = "bank";
  p.OrderBy = OrderByChoice::CompanyName;
  EXPECT_EQ(BuildCompanySQL(p),
            "select  top 100  " + kCompanyColumns +
                " where  1=1  and Company_Name Like '%bank%' Order By Company_Name , Company_ID");
}

TEST(SearchStatements, ContactExample) {
  SearchPanel p;
  p.CompanyName_Chk = true;
  p.CompanyName = "bank";
  p.WithContactEmail_Chk = true;
  EXPECT_EQ(BuildContactSQL(p),
            "select  top 100   CI.Company_Name,CI.Location_Address,CC.* from Company_Contact CC, Company_Info CI "
            "where CC.Company_ID=CI.Company_ID  and CC.Email is not null  and  CC.Company_ID in ( select "
            "Company_ID from Company_Info  where  1=1  and Company_Name Like '%bank%' ) ");
}

TEST(SearchStatements, ContactWithoutConditionHasNoSubSelect) {
  SearchPanel p = Plain();
  p.OrderBy = OrderByChoice::Telephone;
  EXPECT_EQ(BuildContactSQL(p),
            "select   CI.Company_Name,CI.Location_Address,CC.* from Company_Contact CC, Company_Info CI where "
            "CC.Company_ID=CI.Company_ID  Order By CC.Telephone , CI.Company_ID");
}

TEST(SearchStatements, CompanyEmailFiltersInsideSubSelect) {
  SearchPanel p = Plain();
  p.WithEmail_Chk = true;
  const std::string sql = BuildContactSQL(p);
  EXPECT_NE(sql.find("( select Company_ID from Company_Info  where  1=1  and Email is not null ) "),
            std::string::npos)
      << sql;
  EXPECT_EQ(sql.find("CC.Email is not null"), std::string::npos);
}

TEST(SearchStatements, NoTopGivesTwoBlanks) {
  SearchPanel p = Plain();
  EXPECT_EQ(BuildCompanySQL(p), "select  " + kCompanyColumns + " where  1=1 ");
  EXPECT_EQ(BuildTopClause(p), "");
  p.Top = 1;
  EXPECT_EQ(BuildTopClause(p), " top 1 ");
  p.Top = 40000;
  EXPECT_EQ(BuildTopClause(p), " top 40000 ");
  p.Top.reset();
  EXPECT_EQ(BuildTopClause(p), "");
}

TEST(SearchStatements, OrderByEveryChoice) {
  const char* company[] = {"", " Order By Company_Name , Company_ID", " Order By Telephone , Company_ID",
                           " Order By Email , Company_ID", " Order By Number_of_Employees , Company_ID",
                           " Order By Year_Established , Company_ID"};
  const char* contact[] = {"", " Order By CI.Company_Name , CI.Company_ID", " Order By CC.Telephone , CI.Company_ID",
                           " Order By CC.Email , CI.Company_ID", " Order By CI.Number_of_Employees , CI.Company_ID",
                           " Order By CI.Year_Established , CI.Company_ID"};
  const OrderByChoice choices[] = {OrderByChoice::None,  OrderByChoice::CompanyName,
                                   OrderByChoice::Telephone, OrderByChoice::Email,
                                   OrderByChoice::NumberOfEmployees, OrderByChoice::YearEstablished};
  SearchPanel p;
  for (int i = 0; i < 6; ++i) {
    p.OrderBy = choices[i];
    EXPECT_EQ(BuildCompanyOrderBy(p), company[i]) << i;
    EXPECT_EQ(BuildContactOrderBy(p), contact[i]) << i;
  }
  // A value no list offers is refused, not silently taken for "None".
  for (int bad : {-1, 6}) {
    p.OrderBy = static_cast<OrderByChoice>(bad);
    EXPECT_THROW(BuildCompanyOrderBy(p), std::invalid_argument) << bad;
    EXPECT_THROW(BuildContactOrderBy(p), std::invalid_argument) << bad;
  }
}

TEST(SearchStatements, LongKeyWordKeptWhole) {
  SearchPanel p = Plain();
  p.CompanyName_Chk = true;
  p.CompanyName = std::string(10000, 'x');
  EXPECT_EQ(BuildConditions(p), " 1=1  and Company_Name Like '%" + std::string(10000, 'x') + "%'");
}

TEST(PanelValidation, NumericRows) {
  SearchPanel p = Plain();
  EXPECT_EQ(ValidatePanel(p), "");
  p.NumberofEmployees_Chk = true;
  for (const char* ok : {"50", " +50 ", "-3", "", "0007"}) {
    p.NumberofEmployees = ok;
    EXPECT_EQ(ValidatePanel(p), "") << ok;
  }
  for (const char* bad : {"   ", "5a", "1 2", "1.5", "+", "50)", "1 or 1=1"}) {
    p.NumberofEmployees = bad;
    EXPECT_EQ(ValidatePanel(p), "\"Number of Employees\" needs a whole number.") << bad;
  }
  p.NumberofEmployees_Chk = false;  // an unticked row is not read
  EXPECT_EQ(ValidatePanel(p), "");
  p.YearEstablished_Chk = true;
  p.YearEstablished = "19x0";
  EXPECT_EQ(ValidatePanel(p), "\"Year Established\" needs a whole number.");
  p.YearEstablished = "\t1990\n";
  EXPECT_EQ(ValidatePanel(p), "");
  // Only the blanks the engine skips may surround the number; the value goes
  // into the statement as typed, so any other control character is refused.
  p.YearEstablished = "\f\r 1990 \r\n";
  EXPECT_EQ(ValidatePanel(p), "");
  p.YearEstablished_Chk = false;
  p.NumberofEmployees_Chk = true;
  for (std::string bad : {std::string("\x01" "50"), std::string("50\x1f"), std::string("\v50"),
                          std::string("5\x00" "0", 3), std::string(1, '\0') + "50"}) {
    p.NumberofEmployees = bad;
    EXPECT_EQ(ValidatePanel(p), "\"Number of Employees\" needs a whole number.") << bad.size();
  }
}

// The operators reach the statement only through the builder's own texts.
TEST(SearchOperators, EveryOperatorInEveryComparedRow) {
  const char* texts[] = {"=", ">", ">=", "<", "<=", "<>"};
  for (size_t i = 0; i < std::size(kCompareOps); ++i) {
    const CompareOp op = kCompareOps[i];
    EXPECT_STREQ(CompareOpText(op), texts[i]);
    EXPECT_EQ(CompareOpFromText(texts[i]), op);
    SearchPanel p = Plain();
    p.PostalCode_Chk = p.TelAreaCode_Chk = p.NumberofEmployees_Chk = p.YearEstablished_Chk = true;
    p.PostCode_Op = p.TelAreaCode_Op = p.NumberOfEmployees_Op = p.YearEstablished_Op = op;
    p.PostCode = "R3C";
    p.NumberofEmployees = "50";
    p.YearEstablished = "1990";
    const std::string t = texts[i];
    EXPECT_EQ(BuildConditions(p), " 1=1  and Location_Address_Postal " + t + "'R3C' and TelAreaCode " + t +
                                      "'204' and Number_of_Employees " + t + "50 and Year_Established " + t + "1990");
  }
}

TEST(SearchOperators, OnlyExactOperatorTextsAreNamed) {
  for (const char* text : {"", " =", "= ", "=>", "==", "!=", "LIKE", "like", "<>=", "= 1 or 1=1 --", "ï¼"})
    EXPECT_FALSE(CompareOpFromText(text).has_value()) << text;
}

TEST(SearchOperators, ValueOutsideTheEnumerationIsRefused) {
  const CompareOp bad = static_cast<CompareOp>(99);
  EXPECT_THROW(CompareOpText(bad), std::invalid_argument);
  auto refused = [&](void (*set)(SearchPanel&)) {
    SearchPanel p = Plain();
    set(p);
    EXPECT_THROW(BuildConditions(p), std::invalid_argument);
    EXPECT_THROW(BuildCompanySQL(p), std::invalid_argument);
    EXPECT_THROW(BuildContactSQL(p), std::invalid_argument);
  };
  refused([](SearchPanel& p) { p.PostalCode_Chk = true; p.PostCode = "R"; p.PostCode_Op = static_cast<CompareOp>(99); });
  refused([](SearchPanel& p) { p.TelAreaCode_Chk = true; p.TelAreaCode_Op = static_cast<CompareOp>(-1); });
  refused([](SearchPanel& p) {
    p.NumberofEmployees_Chk = true; p.NumberofEmployees = "5"; p.NumberOfEmployees_Op = static_cast<CompareOp>(6); });
  refused([](SearchPanel& p) {
    p.YearEstablished_Chk = true; p.YearEstablished = "5"; p.YearEstablished_Op = static_cast<CompareOp>(7); });
}

TEST(SearchStatements, RowLimitBelowOneIsRefused) {
  SearchPanel p = Plain();
  for (int bad : {0, -1, -2147483647 - 1}) {
    p.Top = bad;
    EXPECT_THROW(BuildTopClause(p), std::invalid_argument) << bad;
    EXPECT_THROW(BuildCompanySQL(p), std::invalid_argument) << bad;
    EXPECT_THROW(BuildContactSQL(p), std::invalid_argument) << bad;
  }
  p.Top = 2147483647;
  EXPECT_EQ(BuildTopClause(p), " top 2147483647 ");
}
