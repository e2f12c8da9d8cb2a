#pragma once
// The search panel of the main window turned into SQL. The panel's state is
// copied into a plain struct so that the statements are pure functions of it.
#include "strutil/Translatable.h"
#include <optional>
#include <string>
#include <string_view>

#include "data/SqlLike.h"

namespace orbisk {

// How a row compares its column with the value. The builder writes the SQL
// operator itself, so no text from outside ever stands in its place.
enum class CompareOp { Equal, Greater, GreaterOrEqual, Less, LessOrEqual, NotEqual };
// Every operator, in the order the panel's operator lists show them.
inline constexpr CompareOp kCompareOps[] = {CompareOp::Equal, CompareOp::Greater,   CompareOp::GreaterOrEqual,
                                            CompareOp::Less,  CompareOp::LessOrEqual, CompareOp::NotEqual};
// "=", ">", ">=", "<", "<=" or "<>"; a value outside the enumeration throws
// std::invalid_argument.
const char* CompareOpText(CompareOp op);
// The operator a text names exactly; none for any other text.
std::optional<CompareOp> CompareOpFromText(std::string_view text);

// The sort choices of "Order By", in the order of its list.
enum class OrderByChoice { None, CompanyName, Telephone, Email, NumberOfEmployees, YearEstablished };

// The search panel as a search reads it when it starts.
struct SearchPanel {
  // "Only Show Top": the most rows a search lists; none lists them all (the
  // row unticked, or "All" chosen). A limit below 1 is refused by the builder.
  std::optional<int> Top = 100;

  bool Category_Chk = false;
  std::string CategoryCondition;  // stored by the category picker

  bool Location_Chk = false;  // always compared with LIKE
  std::string Location;

  bool PostalCode_Chk = false;
  CompareOp PostCode_Op = CompareOp::Equal;
  std::string PostCode;

  bool CompanyName_Chk = false;
  std::string CompanyName;

  bool PSL_Chk = false;
  std::string PSL;

  bool TelAreaCode_Chk = false;
  CompareOp TelAreaCode_Op = CompareOp::Equal;
  std::string TelAreaCode = "204";

  bool NumberofEmployees_Chk = false;
  CompareOp NumberOfEmployees_Op = CompareOp::Greater;
  std::string NumberofEmployees;

  bool YearEstablished_Chk = false;
  CompareOp YearEstablished_Op = CompareOp::Greater;
  std::string YearEstablished;

  bool WithURL_Chk = false;
  bool WithEmail_Chk = false;
  bool WithContactEmail_Chk = false;

  OrderByChoice OrderBy = OrderByChoice::None;

  // "Ignore accents": the statements stay as they are; only the engine's LIKE
  // folds accents away for that search.
  bool IgnoreAccents_Chk = false;
};

// How the LIKE conditions of a search from this panel compare text.
inline LikeFold LikeFoldOf(const SearchPanel& p) {
  return p.IgnoreAccents_Chk ? LikeFold::CaseAndAccents : LikeFold::Case;
}

// Messages of a panel that cannot be searched.
inline constexpr const char* kEmployeesNeedNumber =
    ORBISK_TR_NOOP("Message", "\"Number of Employees\" needs a whole number.");
inline constexpr const char* kYearNeedsNumber = ORBISK_TR_NOOP("Message", "\"Year Established\" needs a whole number.");

// Empty when the panel can be searched; otherwise the message naming the row.
// Only the numeric rows are checked: a ticked row with a value must hold a
// whole number (blanks around it allowed).
std::string ValidatePanel(const SearchPanel& p);

// The WHERE condition, always starting with " 1=1 ". An operator outside its
// enumeration throws std::invalid_argument.
std::string BuildConditions(const SearchPanel& p);
// " top N " or empty; a limit below 1 throws std::invalid_argument.
std::string BuildTopClause(const SearchPanel& p);
// Empty for "None"; a choice outside the enumeration throws std::invalid_argument.
std::string BuildCompanyOrderBy(const SearchPanel& p);
std::string BuildContactOrderBy(const SearchPanel& p);
std::string BuildCompanySQL(const SearchPanel& p);
std::string BuildContactSQL(const SearchPanel& p);

}  // namespace orbisk
