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
#include <cstring>
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
  // Drops every row but keeps the blocks for the rows to come (a result
  // closed to be opened again reuses pages already mapped); Trim gives back
  // what the new rows did not need.
  void Refill(int columns);

  // A row is added cell by cell between BeginRow and EndRow, exactly
  // ColumnCount() cells; the row is visible from EndRow on.
  void BeginRow();
  void AddNull() { Stage(kNull, 0); }
  void AddInteger(int64_t v) {
    if (v >= kSmallMin && v <= kSmallMax)
      Stage(kSmall, static_cast<uint32_t>(v) & kMaxPayload);
    else
      AddWideInteger(v);
  }
  void AddReal(double v);
  void AddText(std::string_view v) {
    // Short texts, the most of any result, take one length byte.
    const size_t at = staging_.size();
    if (v.empty() || v.size() >= 0x80 || at >= kMaxPayload - 0x100) {
      StageBytes(kText, kLargeText, v);
      return;
    }
    staging_ += static_cast<char>(v.size());
    staging_.append(v);
    Stage(kText, static_cast<uint32_t>(at));
  }
  void AddBytes(std::string_view v);
  void Add(const ValueView& v);
  void EndRow();

  // Gives back the kept blocks no row took and what the row list holds
  // beyond its rows (after the last row).
  void Trim();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColumnCount() const { return columns_; }
  // The cell in place; views stay valid until the store is reset.
  // Row and column must lie inside the store.
  ValueView Cell(int row, int column) const;

  // Reorders the rows: row i becomes the row that was at order[i]. `order`
  // must hold every row index once; anything else throws and changes nothing.
  void Reorder(const std::vector<int>& order);
  // Throws std::invalid_argument unless `order` names every row once.
  void CheckOrder(const std::vector<int>& order) const;

  // Bytes of the blocks (kept ones included), the row addresses and the large values.
  size_t BytesHeld() const;

 private:
  // A cell is 32 bits: the kind in the low 3, a payload in the high 29. The
  // payload is the small integer itself, a byte offset from the row's start,
  // or the index of a large value.
  enum CellKind : uint32_t { kNull, kSmall, kInt64, kReal, kText, kBytes, kLargeText, kLargeBytes };
  static constexpr uint32_t kKindBits = 3;
  static constexpr uint32_t kMaxPayload = (1u << (32 - kKindBits)) - 1;
  static constexpr int64_t kSmallMin = -(int64_t{1} << 28);
  static constexpr int64_t kSmallMax = (int64_t{1} << 28) - 1;

  void Stage(uint32_t kind, uint32_t payload) {
    if (!building_ || staged_ >= columns_) CellOutsideARow();
    const uint32_t cell = (payload << kKindBits) | kind;
    std::memcpy(&staging_[static_cast<size_t>(staged_) * sizeof cell], &cell, sizeof cell);
    ++staged_;
  }
  [[noreturn]] static void CellOutsideARow();
  void AddWideInteger(int64_t v);
  void StageBytes(uint32_t kind, uint32_t largeKind, std::string_view v);
  char* Allocate(size_t bytes);

  int columns_ = 0;
  std::vector<const char*> rows_;  // each row's record, in the current order
  std::vector<std::unique_ptr<char[]>> blocks_;  // the first `used_` hold rows, the others are kept
  std::vector<size_t> blockSizes_;
  size_t used_ = 0;
  char* free_ = nullptr;  // unused tail of the last block
  size_t freeBytes_ = 0;
  std::vector<std::string> large_;  // values too large to pack
  std::string staging_;             // the row being added; kept between rows
  int staged_ = 0;                  // cells staged so far
  bool building_ = false;
};

}  // namespace orbisk
