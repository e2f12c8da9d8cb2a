#include "browse/ResultColumns.h"

#include "strutil/Translatable.h"

namespace orbisk {

const std::vector<ResultColumn>& CompanyResultColumns() {
  static const std::vector<ResultColumn> columns = {
      {"RecNo", ORBISK_TR_NOOP("ResultColumns", "RecNo"), true, CellLink::None, 6},
      {"Company_Name", ORBISK_TR_NOOP("ResultColumns", "Company Name"), false, CellLink::None, 30},
      {"Telephone", ORBISK_TR_NOOP("ResultColumns", "Telephone"), false, CellLink::None, 16},
      {"Toll_Free_Phone", ORBISK_TR_NOOP("ResultColumns", "Toll Free Phone"), false, CellLink::None, 17},
      {"Email", ORBISK_TR_NOOP("ResultColumns", "Email"), false, CellLink::Mail, 24},
      {"Website_URL", ORBISK_TR_NOOP("ResultColumns", "Website URL"), false, CellLink::Web, 24},
      {"Year_Established", ORBISK_TR_NOOP("ResultColumns", "Year Established"), true, CellLink::None, 18},
      {"Number_of_Employees", ORBISK_TR_NOOP("ResultColumns", "Number of Employees"), true, CellLink::None, 22},
      {"Location_Address_Postal", ORBISK_TR_NOOP("ResultColumns", "Postal Code"), false, CellLink::None, 12},
      {"Location_Address", ORBISK_TR_NOOP("ResultColumns", "Location Address"), false, CellLink::None, 38},
      {"Exporting", ORBISK_TR_NOOP("ResultColumns", "Exporting"), true, CellLink::None, 11},
      {"TelAreaCode", ORBISK_TR_NOOP("ResultColumns", "Tel Area Code"), true, CellLink::None, 15},
      {"Fax", ORBISK_TR_NOOP("ResultColumns", "Fax"), false, CellLink::None, 16},
  };
  return columns;
}

const std::vector<ResultColumn>& ContactResultColumns() {
  static const std::vector<ResultColumn> columns = {
      {"RecNo", ORBISK_TR_NOOP("ResultColumns", "RecNo"), true, CellLink::None, 6},
      {"Company_Name", ORBISK_TR_NOOP("ResultColumns", "Company Name"), false, CellLink::None, 30},
      {"Location_Address", ORBISK_TR_NOOP("ResultColumns", "Location Address"), false, CellLink::None, 38},
      {"Name", ORBISK_TR_NOOP("ResultColumns", "Name"), false, CellLink::None, 20},
      {"Title", ORBISK_TR_NOOP("ResultColumns", "Title"), false, CellLink::None, 18},
      {"Area", ORBISK_TR_NOOP("ResultColumns", "Area"), false, CellLink::None, 14},
      {"Telephone", ORBISK_TR_NOOP("ResultColumns", "Telephone"), false, CellLink::None, 16},
      {"Fax", ORBISK_TR_NOOP("ResultColumns", "Fax"), false, CellLink::None, 16},
      {"Email", ORBISK_TR_NOOP("ResultColumns", "Email"), false, CellLink::Mail, 24},
  };
  return columns;
}

}  // namespace orbisk
