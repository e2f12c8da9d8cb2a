#pragma once
// The columns the two result lists show, in display order, with their titles
// and looks. The window's grids and the command line's tables both read them.
#include <string>
#include <vector>

#include "browse/ShellTarget.h"

namespace orbisk {

struct ResultColumn {
  std::string field;
  std::string title;
  bool centred = false;  // cell alignment; titles are always centred
  CellLink link = CellLink::None;  // mail and web cells
  int widthChars = 0;    // the grid's width of the column, in characters
};

const std::vector<ResultColumn>& CompanyResultColumns();
const std::vector<ResultColumn>& ContactResultColumns();

}  // namespace orbisk
