#include "browse/GridText.h"

namespace orbisk {

std::string SpreadsheetCell(std::string_view value) {
  if (value.find_first_of("\t\r\n\"") == std::string_view::npos) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string TabSeparatedText(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r) out += '\n';
    for (size_t c = 0; c < rows[r].size(); ++c) {
      if (c) out += '\t';
      out += SpreadsheetCell(rows[r][c]);
    }
  }
  return out;
}

}  // namespace orbisk
