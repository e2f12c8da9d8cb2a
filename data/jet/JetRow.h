#pragma once
// Rows of a data page:
//   u16 column count, the fixed-length area (every fixed column keeps its place,
//   null or not), the variable-length data, u16 end of data, the offsets of the
//   variable columns in reverse order, u16 variable-column count, and the null
//   mask with one bit a column (set: not null; a Yes/No column's value).
// A table without variable columns stores only the count, the fixed area and
// the null mask.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/jet/JetTableDef.h"

namespace orbisk::jet {

// How the columns of a table sit in its rows.
struct RowLayout {
  struct Slot {
    bool fixed = false;
    bool bit = false;
    uint16_t offset = 0;    // fixed area
    uint16_t length = 0;    // fixed length
    uint16_t varIndex = 0;  // variable slot
  };
  int columnCount = 0;  // row column count: highest column number + 1
  int fixedSize = 0;
  int varCount = 0;
  std::vector<Slot> slots;  // by column number
  std::vector<int> varColumns;  // column number of each variable slot
};
RowLayout MakeRowLayout(const std::vector<ColumnInfo>& columns);

// One column's value for a row: null, a Yes/No bit, or the stored bytes.
struct Cell {
  bool null = true;
  bool bit = false;
  std::string_view bytes;
};

// The size of a row of `cells` (one per column number).
int RowSize(const RowLayout& layout, std::span<const Cell> cells);
// Appends the stored row to `out`.
void EncodeRow(const RowLayout& layout, std::span<const Cell> cells, std::string& out);

// Splits a stored row into the stored bytes of each column (by column number):
// nullopt for null; a Yes/No column gives "\1" or "\0".
std::vector<std::optional<std::string>> DecodeRow(const RowLayout& layout, std::span<const uint8_t> row);

}  // namespace orbisk::jet
