#pragma once
// The columns the two result lists show, in display order, with their titles
// and looks. The window's grids and the command line's tables both read them.
#include <string>
#include <vector>

namespace orbisk {

struct ResultColumn {
  std::string field;
  std::string title;
  bool centred = false;  // cell alignment; titles are always centred
  bool link = false;     // mail and web cells
};

const std::vector<ResultColumn>& CompanyResultColumns();
const std::vector<ResultColumn>& ContactResultColumns();

}  // namespace orbisk
