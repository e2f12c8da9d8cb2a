#include "browse/ResultColumns.h"

namespace orbisk {

const std::vector<ResultColumn>& CompanyResultColumns() {
  static const std::vector<ResultColumn> columns = {
      {"RecNo", "RecNo", true, false},
      {"Company_Name", "Company Name", false, false},
      {"Telephone", "Telephone", false, false},
      {"Toll_Free_Phone", "Toll Free Phone", false, false},
      {"Email", "Email", false, true},
      {"Website_URL", "Website URL", false, true},
      {"Year_Established", "Year Established", true, false},
      {"Number_of_Employees", "Number of Employees", true, false},
      {"Location_Address_Postal", "Postal Code", false, false},
      {"Location_Address", "Location Address", false, false},
      {"Exporting", "Exporting", true, false},
      {"TelAreaCode", "Tel Area Code", true, false},
      {"Fax", "Fax", false, false},
  };
  return columns;
}

const std::vector<ResultColumn>& ContactResultColumns() {
  static const std::vector<ResultColumn> columns = {
      {"RecNo", "RecNo", true, false},
      {"Company_Name", "Company Name", false, false},
      {"Location_Address", "Location Address", false, false},
      {"Name", "Name", false, false},
      {"Title", "Title", false, false},
      {"Area", "Area", false, false},
      {"Telephone", "Telephone", false, false},
      {"Fax", "Fax", false, false},
      {"Email", "Email", false, true},
  };
  return columns;
}

}  // namespace orbisk
