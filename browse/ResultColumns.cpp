#include "browse/ResultColumns.h"

#include "strutil/Translatable.h"

namespace orbisk {

const std::vector<ResultColumn>& CompanyResultColumns() {
  static const std::vector<ResultColumn> columns = {
      {"RecNo", ORBISK_TR_NOOP("ResultColumns", "RecNo"), true, false},
      {"Company_Name", ORBISK_TR_NOOP("ResultColumns", "Company Name"), false, false},
      {"Telephone", ORBISK_TR_NOOP("ResultColumns", "Telephone"), false, false},
      {"Toll_Free_Phone", ORBISK_TR_NOOP("ResultColumns", "Toll Free Phone"), false, false},
      {"Email", ORBISK_TR_NOOP("ResultColumns", "Email"), false, true},
      {"Website_URL", ORBISK_TR_NOOP("ResultColumns", "Website URL"), false, true},
      {"Year_Established", ORBISK_TR_NOOP("ResultColumns", "Year Established"), true, false},
      {"Number_of_Employees", ORBISK_TR_NOOP("ResultColumns", "Number of Employees"), true, false},
      {"Location_Address_Postal", ORBISK_TR_NOOP("ResultColumns", "Postal Code"), false, false},
      {"Location_Address", ORBISK_TR_NOOP("ResultColumns", "Location Address"), false, false},
      {"Exporting", ORBISK_TR_NOOP("ResultColumns", "Exporting"), true, false},
      {"TelAreaCode", ORBISK_TR_NOOP("ResultColumns", "Tel Area Code"), true, false},
      {"Fax", ORBISK_TR_NOOP("ResultColumns", "Fax"), false, false},
  };
  return columns;
}

const std::vector<ResultColumn>& ContactResultColumns() {
  static const std::vector<ResultColumn> columns = {
      {"RecNo", ORBISK_TR_NOOP("ResultColumns", "RecNo"), true, false},
      {"Company_Name", ORBISK_TR_NOOP("ResultColumns", "Company Name"), false, false},
      {"Location_Address", ORBISK_TR_NOOP("ResultColumns", "Location Address"), false, false},
      {"Name", ORBISK_TR_NOOP("ResultColumns", "Name"), false, false},
      {"Title", ORBISK_TR_NOOP("ResultColumns", "Title"), false, false},
      {"Area", ORBISK_TR_NOOP("ResultColumns", "Area"), false, false},
      {"Telephone", ORBISK_TR_NOOP("ResultColumns", "Telephone"), false, false},
      {"Fax", ORBISK_TR_NOOP("ResultColumns", "Fax"), false, false},
      {"Email", ORBISK_TR_NOOP("ResultColumns", "Email"), false, true},
  };
  return columns;
}

}  // namespace orbisk
