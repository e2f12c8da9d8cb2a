#include "DirectorySink.h"

#include <stdexcept>

namespace orbisk::gensample {

size_t CharCount(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string FitText(std::string_view utf8, size_t maxChars) {
  size_t chars = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
    if (chars == maxChars) return std::string(utf8.substr(0, i));
    ++chars;
  }
  return std::string(utf8);
}

void CheckRow(const SchemaTable& table, const Row& row) {
  auto fail = [&](const SchemaColumn& c, const std::string& what) {
    throw std::logic_error(table.name + "." + c.name + ": " + what);
  };
  if (row.size() != table.columns.size())
    throw std::logic_error(table.name + ": " + std::to_string(row.size()) + " cells for " +
                           std::to_string(table.columns.size()) + " columns");
  for (size_t i = 0; i < row.size(); ++i) {
    const SchemaColumn& c = table.columns[i];
    const Cell& v = row[i];
    if (v.kind == Cell::Kind::Null) continue;
    switch (c.type.kind) {
      case ColumnKind::Text:
        if (v.kind != Cell::Kind::Text) fail(c, "a number in a text column");
        if (CharCount(v.text) > static_cast<size_t>(c.type.size))
          fail(c, "\"" + v.text + "\" is longer than " + std::to_string(c.type.size) + " characters");
        break;
      case ColumnKind::Memo:
        if (v.kind != Cell::Kind::Text) fail(c, "a number in a memo column");
        break;
      case ColumnKind::SmallInteger:
        if (v.kind != Cell::Kind::Integer) fail(c, "text in a number column");
        if (v.integer < -32768 || v.integer > 32767) fail(c, std::to_string(v.integer) + " is not a small integer");
        break;
      case ColumnKind::Integer:
      case ColumnKind::Counter:
        if (v.kind != Cell::Kind::Integer) fail(c, "text in a number column");
        if (v.integer < INT32_MIN || v.integer > INT32_MAX) fail(c, std::to_string(v.integer) + " is not a 32-bit integer");
        break;
      default:
        fail(c, "the generator writes no values of this column type");
    }
  }
}

RowBuilder& RowBuilder::Set(std::string_view column, Cell value) {
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    if (table_.columns[i].name == column) {
      row_[i] = std::move(value);
      return *this;
    }
  }
  throw std::logic_error(table_.name + " has no column " + std::string(column));
}

Row RowBuilder::Finish() {
  CheckRow(table_, row_);
  Row done = std::move(row_);
  row_ = Row(table_.columns.size());
  return done;
}

}  // namespace orbisk::gensample
