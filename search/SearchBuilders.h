#pragma once
// The search panel of the main window turned into SQL. The panel's state is
// copied into a plain struct so that the statements are pure functions of it.
#include "strutil/Translatable.h"
#include <string>

#include "data/SqlLike.h"

namespace orbisk {

// The controls of the search panel, as texts and ticks, read when a search starts.
struct SearchPanel {
  bool Top_Chk = true;
  std::string Top_Text = "100";  // selected item of Top_Cbo
  int Top_Index = 7;             // its index; 0 is "All"

  bool Category_Chk = false;
  std::string CategoryCondition;  // stored by the category picker

  bool Location_Chk = false;
  std::string Location_Op = "LIKE";
  std::string Location;

  bool PostalCode_Chk = false;
  std::string PostCode_Op = "=";
  std::string PostCode;

  bool CompanyName_Chk = false;
  std::string CompanyName;

  bool PSL_Chk = false;
  std::string PSL;

  bool TelAreaCode_Chk = false;
  std::string TelAreaCode_Op = "=";
  std::string TelAreaCode = "204";

  bool NumberofEmployees_Chk = false;
  std::string NumberOfEmployees_Op = ">";
  std::string NumberofEmployees;

  bool YearEstablished_Chk = false;
  std::string YearEstablished_Op = ">";
  std::string YearEstablished;

  bool WithURL_Chk = false;
  bool WithEmail_Chk = false;
  bool WithContactEmail_Chk = false;

  int OrderBy_Index = 0;  // 0 "None" .. 5 "Year Established"

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

// The WHERE condition, always starting with " 1=1 ".
std::string BuildConditions(const SearchPanel& p);
// " top N " or empty.
std::string BuildTopClause(const SearchPanel& p);
std::string BuildCompanyOrderBy(const SearchPanel& p);
std::string BuildContactOrderBy(const SearchPanel& p);
std::string BuildCompanySQL(const SearchPanel& p);
std::string BuildContactSQL(const SearchPanel& p);

}  // namespace orbisk
