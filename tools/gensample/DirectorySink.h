#pragma once
// Where the generated directory goes. The model produces every row once and
// hands it to a sink; each output format (SQLite, Access) is one
// sink that only translates rows into its file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/Schema.h"

namespace orbisk::gensample {

struct Cell {
  enum class Kind : uint8_t { Null, Integer, Text };
  Kind kind = Kind::Null;
  int64_t integer = 0;
  std::string text;  // UTF-8, for Text

  static Cell Null() { return {}; }
  static Cell Integer(int64_t v) { return {Kind::Integer, v, {}}; }
  static Cell Text(std::string v) { return {Kind::Text, 0, std::move(v)}; }
};

// Cells in the table's column order.
using Row = std::vector<Cell>;

class DirectorySink {
 public:
  virtual ~DirectorySink() = default;
  // Tables come one at a time: BeginTable, its rows, EndTable.
  virtual void BeginTable(const SchemaTable& table) = 0;
  virtual void AddRow(const Row& row) = 0;
  virtual void EndTable() = 0;
  // Called after every table holds all its rows, so building an index is one sort.
  virtual void AddIndex(const SchemaTable& table, std::string_view column) = 0;
  // Completes the file. A sink destroyed without Finish leaves no file behind.
  virtual void Finish() = 0;
};

// Number of characters (code points) in UTF-8 text.
size_t CharCount(std::string_view utf8);
// The text cut to at most maxChars characters, never inside a UTF-8 sequence.
std::string FitText(std::string_view utf8, size_t maxChars);

// Throws std::logic_error when a row does not fit its table: wrong number of
// cells, a value of the wrong kind, text longer than its column, a small
// integer out of range. The model checks every row before a sink sees it.
void CheckRow(const SchemaTable& table, const Row& row);

// Builds one row by column name; columns never set stay null.
class RowBuilder {
 public:
  explicit RowBuilder(const SchemaTable& table) : table_(table), row_(table.columns.size()) {}
  RowBuilder& Set(std::string_view column, Cell value);
  RowBuilder& Text(std::string_view column, std::string value) { return Set(column, Cell::Text(std::move(value))); }
  RowBuilder& Integer(std::string_view column, int64_t value) { return Set(column, Cell::Integer(value)); }
  // Checks the row and hands it over; the builder is all nulls again afterwards.
  Row Finish();

 private:
  const SchemaTable& table_;
  Row row_;
};

}  // namespace orbisk::gensample
