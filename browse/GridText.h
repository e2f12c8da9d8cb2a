#pragma once
// Cells of a result grid as text a spreadsheet pastes: one line per row,
// cells separated by tabs.
#include <string>
#include <string_view>
#include <vector>

namespace orbisk {

// A value as one cell: a value holding a tab, a line break or a double quote
// goes in double quotes with its quotes doubled; any other stays as it is.
std::string SpreadsheetCell(std::string_view value);
// Rows of cells joined by tabs and line feeds (no line feed after the last row).
std::string TabSeparatedText(const std::vector<std::vector<std::string>>& rows);

}  // namespace orbisk
