#include "search/SearchBuilders.h"

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

// Quoted literals get their single quotes doubled so that a name such as
// O'Brien is searched for rather than ending the literal early.
std::string Literal(std::string_view trimmed) { return DoubleQuotes(trimmed); }

std::string Trimmed(const std::string& s) { return std::string(TrimBlanks(s)); }

// Letters, not bytes: "É" alone is an initial too.
size_t CharacterCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) DecodeUtf8(s, i);
  return n;
}

// The blanks the engine itself skips around a number; any other control
// character would reach it inside the statement and stop it.
std::string_view TrimEngineBlanks(std::string_view s) {
  constexpr std::string_view kBlanks(" \t\r\n\f");
  const size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(kBlanks) - b + 1);
}

bool NumericRowInvalid(bool ticked, const std::string& value) {
  return ticked && !value.empty() && !IsWholeNumber(TrimEngineBlanks(value));
}

const char* const kCompanyOrderColumns[] = {"", "Company_Name", "Telephone", "Email", "Number_of_Employees",
                                            "Year_Established"};
const char* const kContactOrderColumns[] = {"", "CI.Company_Name", "CC.Telephone", "CC.Email",
                                            "CI.Number_of_Employees", "CI.Year_Established"};
constexpr int kOrderChoices = 6;

std::string OrderBy(int index, const char* const columns[], const char* idColumn) {
  if (index < 1 || index >= kOrderChoices) return {};
  return std::string(" Order By ") + columns[index] + " , " + idColumn;
}

}  // namespace

std::string ValidatePanel(const SearchPanel& p) {
  if (NumericRowInvalid(p.NumberofEmployees_Chk, p.NumberofEmployees)) return kEmployeesNeedNumber;
  if (NumericRowInvalid(p.YearEstablished_Chk, p.YearEstablished)) return kYearNeedsNumber;
  return {};
}

std::string BuildConditions(const SearchPanel& p) {
  std::string s = " 1=1 ";
  if (p.Location_Chk && !p.Location.empty())
    s += " and Location_Address " + p.Location_Op + "'%" + Literal(TrimBlanks(p.Location)) + "%'";
  if (p.PostalCode_Chk && !p.PostCode.empty())
    s += " and Location_Address_Postal " + p.PostCode_Op + "'" + Literal(TrimBlanks(p.PostCode)) + "'";
  if (p.CompanyName_Chk && !p.CompanyName.empty()) {
    std::string name = Literal(TrimBlanks(p.CompanyName));
    // One character searches by initial, more by key word anywhere in the name.
    if (CharacterCount(TrimBlanks(p.CompanyName)) == 1)
      s += " and Company_Name Like '" + name + "%'";
    else
      s += " and Company_Name Like '%" + name + "%'";
  }
  if (p.PSL_Chk && !p.PSL.empty())
    s += " and Company_ID in (select Company_ID from Company_ProductServiceLicensing where Name Like '%" +
         Literal(TrimBlanks(p.PSL)) + "%')";
  if (p.TelAreaCode_Chk && !p.TelAreaCode.empty())
    s += " and TelAreaCode " + p.TelAreaCode_Op + "'" + Literal(TrimBlanks(p.TelAreaCode)) + "'";
  if (p.NumberofEmployees_Chk && !p.NumberofEmployees.empty())
    s += " and Number_of_Employees " + p.NumberOfEmployees_Op + p.NumberofEmployees;
  if (p.YearEstablished_Chk && !p.YearEstablished.empty())
    s += " and Year_Established " + p.YearEstablished_Op + Trimmed(p.YearEstablished);
  if (p.WithURL_Chk) s += " and Website_URL is not null";
  if (p.WithEmail_Chk) s += " and Email is not null";
  if (p.Category_Chk && !p.CategoryCondition.empty()) s += " and " + p.CategoryCondition;
  return s;
}

std::string BuildTopClause(const SearchPanel& p) {
  if (p.Top_Chk && p.Top_Index > 0) return " top " + p.Top_Text + " ";
  return {};
}

std::string BuildCompanyOrderBy(const SearchPanel& p) {
  return OrderBy(p.OrderBy_Index, kCompanyOrderColumns, "Company_ID");
}

std::string BuildContactOrderBy(const SearchPanel& p) {
  return OrderBy(p.OrderBy_Index, kContactOrderColumns, "CI.Company_ID");
}

std::string BuildCompanySQL(const SearchPanel& p) {
  return "select " + BuildTopClause(p) +
         " Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
         "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from "
         "Company_Info " +
         " where " + BuildConditions(p) + BuildCompanyOrderBy(p);
}

std::string BuildContactSQL(const SearchPanel& p) {
  const std::string condition = BuildConditions(p);
  std::string s = "select " + BuildTopClause(p) +
                  "  CI.Company_Name,CI.Location_Address,CC.* from Company_Contact CC, Company_Info CI where "
                  "CC.Company_ID=CI.Company_ID ";
  if (p.WithContactEmail_Chk) s += " and CC.Email is not null ";
  // Only a condition that some row added filters the contacts' companies.
  if (TrimBlanks(condition) != "1=1")
    s += " and  CC.Company_ID in ( select Company_ID from Company_Info  where " + condition + " ) ";
  s += BuildContactOrderBy(p);
  return s;
}

}  // namespace orbisk
