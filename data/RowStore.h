#pragma once
// The cells of one fetched result, packed: every row is one record in a few
// large blocks, a 4-byte cell per column followed by the row's own bytes
// (8-byte numbers, texts with their length in front). Small integers live in
// the cell itself, null and empty text take no bytes beyond it. Values of a
// megabyte or more are kept whole on their own. Nothing is allocated per cell
// and the result is freed block by block.
//
// Rows are reached through an order vector, so reordering them (a sort by a
// column) moves row addresses only, never the values.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/Value.h"

namespace orbisk {

class RowStore {
 public:
  explicit RowStore(int columns = 0) { Reset(columns); }
  RowStore(const RowStore&) = delete;
  RowStore& operator=(const RowStore&) = delete;
  RowStore(RowStore&&) noexcept = default;
  RowStore& operator=(RowStore&&) noexcept = default;

  // Drops every row and gives the memory back; the store then takes rows of
  // `columns` cells.
  void Reset(int columns);

  // A row is added cell by cell between BeginRow and EndRow, exactly
  // ColumnCount() cells; the row is visible from EndRow on.
  void BeginRow();
  void AddNull();
  void AddInteger(int64_t v);
  void AddReal(double v);
  void AddText(std::string_view v);
  void AddBytes(std::string_view v);
  void Add(const ValueView& v);
  void EndRow();

  // Gives back what the row list holds beyond its rows (after the last row).
  void Trim();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColumnCount() const { return columns_; }
  // The cell in place; views stay valid until the store is reset.
  // Row and column must lie inside the store.
  ValueView Cell(int row, int column) const;

  // Reorders the rows: row i becomes the row that was at order[i]. `order`
  // must hold every row index once; anything else throws and changes nothing.
  void Reorder(const std::vector<int>& order);

  // Bytes of the blocks, the row addresses and the large values.
  size_t BytesHeld() const;

 private:
  void Stage(uint32_t kind, uint32_t payload);
  void StageBytes(uint32_t kind, uint32_t largeKind, std::string_view v);
  char* Allocate(size_t bytes);

  int columns_ = 0;
  std::vector<const char*> rows_;  // each row's record, in the current order
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<size_t> blockSizes_;
  char* free_ = nullptr;  // unused tail of the last block
  size_t freeBytes_ = 0;
  std::vector<std::string> large_;  // values too large to pack
  std::string staging_;             // the row being added; kept between rows
  int staged_ = 0;                  // cells staged so far
  bool building_ = false;
};

}  // namespace orbisk
