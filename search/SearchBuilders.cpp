#include "search/SearchBuilders.h"

#include <stdexcept>

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

struct OrderColumns {
  const char* company;
  const char* contact;
};

// The company search sorts by the company's columns; the contact search by the
// contact's own telephone and e-mail address, else by its company's columns.
OrderColumns OrderColumnsOf(OrderByChoice choice) {
  switch (choice) {
    case OrderByChoice::None: return {nullptr, nullptr};
    case OrderByChoice::CompanyName: return {"Company_Name", "CI.Company_Name"};
    case OrderByChoice::Telephone: return {"Telephone", "CC.Telephone"};
    case OrderByChoice::Email: return {"Email", "CC.Email"};
    case OrderByChoice::NumberOfEmployees: return {"Number_of_Employees", "CI.Number_of_Employees"};
    case OrderByChoice::YearEstablished: return {"Year_Established", "CI.Year_Established"};
  }
  throw std::invalid_argument("Unknown sort order.");
}

std::string OrderBy(const char* column, const char* idColumn) {
  if (!column) return {};
  return std::string(" Order By ") + column + " , " + idColumn;
}

}  // namespace

const char* CompareOpText(CompareOp op) {
  switch (op) {
    case CompareOp::Equal: return "=";
    case CompareOp::Greater: return ">";
    case CompareOp::GreaterOrEqual: return ">=";
    case CompareOp::Less: return "<";
    case CompareOp::LessOrEqual: return "<=";
    case CompareOp::NotEqual: return "<>";
  }
  throw std::invalid_argument("Unknown comparison operator.");
}

std::optional<CompareOp> CompareOpFromText(std::string_view text) {
  for (CompareOp op : kCompareOps)
    if (text == CompareOpText(op)) return op;
  return std::nullopt;
}

std::string ValidatePanel(const SearchPanel& p) {
  if (NumericRowInvalid(p.NumberofEmployees_Chk, p.NumberofEmployees)) return kEmployeesNeedNumber;
  if (NumericRowInvalid(p.YearEstablished_Chk, p.YearEstablished)) return kYearNeedsNumber;
  return {};
}

std::string BuildConditions(const SearchPanel& p) {
  std::string s = " 1=1 ";
  if (p.Location_Chk && !p.Location.empty())
    s += " and Location_Address LIKE'%" + Literal(TrimBlanks(p.Location)) + "%'";
  if (p.PostalCode_Chk && !p.PostCode.empty())
    s += std::string(" and Location_Address_Postal ") + CompareOpText(p.PostCode_Op) + "'" +
         Literal(TrimBlanks(p.PostCode)) + "'";
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
    s += std::string(" and TelAreaCode ") + CompareOpText(p.TelAreaCode_Op) + "'" +
         Literal(TrimBlanks(p.TelAreaCode)) + "'";
  if (p.NumberofEmployees_Chk && !p.NumberofEmployees.empty())
    s += std::string(" and Number_of_Employees ") + CompareOpText(p.NumberOfEmployees_Op) + p.NumberofEmployees;
  if (p.YearEstablished_Chk && !p.YearEstablished.empty())
    s += std::string(" and Year_Established ") + CompareOpText(p.YearEstablished_Op) + Trimmed(p.YearEstablished);
  if (p.WithURL_Chk) s += " and Website_URL is not null";
  if (p.WithEmail_Chk) s += " and Email is not null";
  if (p.Category_Chk && !p.CategoryCondition.empty()) s += " and " + p.CategoryCondition;
  return s;
}

std::string BuildTopClause(const SearchPanel& p) {
  if (!p.Top) return {};
  if (*p.Top < 1) throw std::invalid_argument("The row limit must be at least 1.");
  return " top " + std::to_string(*p.Top) + " ";
}

std::string BuildCompanyOrderBy(const SearchPanel& p) {
  return OrderBy(OrderColumnsOf(p.OrderBy).company, "Company_ID");
}

std::string BuildContactOrderBy(const SearchPanel& p) {
  return OrderBy(OrderColumnsOf(p.OrderBy).contact, "CI.Company_ID");
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
