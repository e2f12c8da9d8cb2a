#include "data/jet/JetRow.h"

#include <algorithm>
#include <cstring>

namespace orbisk::jet {

RowLayout MakeRowLayout(const std::vector<ColumnInfo>& columns) {
  RowLayout layout;
  for (const auto& c : columns) layout.columnCount = std::max(layout.columnCount, c.number + 1);
  layout.slots.resize(layout.columnCount);
  for (const auto& c : columns) {
    RowLayout::Slot& s = layout.slots[c.number];
    s.fixed = c.Fixed();
    s.bit = c.type == ColumnType::Bit;
    if (s.fixed) {
      s.offset = c.fixedOffset;
      s.length = s.bit ? 0 : c.length;
      layout.fixedSize = std::max(layout.fixedSize, s.offset + s.length);
    } else {
      s.varIndex = c.varIndex;
      layout.varCount = std::max(layout.varCount, c.varIndex + 1);
    }
  }
  layout.varColumns.assign(layout.varCount, -1);
  for (const auto& c : columns)
    if (!c.Fixed()) layout.varColumns[c.varIndex] = c.number;
  return layout;
}

int RowSize(const RowLayout& layout, std::span<const Cell> cells) {
  int size = 2 + layout.fixedSize + (layout.columnCount + 7) / 8;
  if (layout.varCount == 0) return size;
  size += 2 + 2 * layout.varCount + 2;
  for (int i = 0; i < layout.columnCount; ++i)
    if (!layout.slots[i].fixed && !cells[i].null) size += static_cast<int>(cells[i].bytes.size());
  return size;
}

void EncodeRow(const RowLayout& layout, std::span<const Cell> cells, std::string& out) {
  size_t start = out.size();
  out.resize(start + RowSize(layout, cells), '\0');
  uint8_t* row = Bytes(out) + start;
  uint8_t* end = Bytes(out) + out.size();
  Put16(row, static_cast<uint16_t>(layout.columnCount));
  uint8_t* mask = end - (layout.columnCount + 7) / 8;
  for (int i = 0; i < layout.columnCount; ++i) {
    const RowLayout::Slot& s = layout.slots[i];
    const Cell& c = cells[i];
    if (c.null || (s.bit && !c.bit)) continue;
    mask[i / 8] |= static_cast<uint8_t>(1 << (i % 8));
    if (s.fixed && !s.bit) std::memcpy(row + 2 + s.offset, c.bytes.data(), std::min<size_t>(c.bytes.size(), s.length));
  }
  if (layout.varCount == 0) return;
  // Variable data in slot order; the offset table lists the last slot first.
  uint8_t* table = mask - 2 - 2 * layout.varCount;
  Put16(mask - 2, static_cast<uint16_t>(layout.varCount));
  size_t pos = 2 + layout.fixedSize;
  for (int v = 0; v < layout.varCount; ++v) {
    Put16(table + 2 * (layout.varCount - 1 - v), static_cast<uint16_t>(pos));
    int i = layout.varColumns[v];
    if (i >= 0 && !cells[i].null) {
      std::memcpy(row + pos, cells[i].bytes.data(), cells[i].bytes.size());
      pos += cells[i].bytes.size();
    }
  }
  Put16(table - 2, static_cast<uint16_t>(pos));  // end of the variable data
}

std::vector<std::optional<std::string>> DecodeRow(const RowLayout& layout, std::span<const uint8_t> row) {
  std::vector<std::optional<std::string>> values(layout.columnCount);
  if (row.size() < 3) return values;
  int columns = Get16(row.data());
  size_t maskSize = (columns + 7) / 8;
  if (row.size() < 2 + maskSize) return values;
  const uint8_t* mask = row.data() + row.size() - maskSize;
  int varCount = 0;
  const uint8_t* varTable = nullptr;
  size_t eod = 0;
  if (layout.varCount > 0 && row.size() >= 2 + maskSize + 4) {
    varCount = Get16(mask - 2);
    size_t tableBytes = 2 * static_cast<size_t>(varCount);
    if (row.size() >= maskSize + 2 + tableBytes + 2 + 2) {
      varTable = mask - 2 - tableBytes;
      eod = Get16(varTable - 2);
    } else {
      varCount = 0;
    }
  }
  auto notNull = [&](int i) { return i < columns && (mask[i / 8] >> (i % 8) & 1); };
  for (int i = 0; i < layout.columnCount; ++i) {
    const RowLayout::Slot& s = layout.slots[i];
    if (s.bit) {
      values[i] = std::string(1, notNull(i) ? '\1' : '\0');
      continue;
    }
    if (!notNull(i)) continue;
    if (s.fixed) {
      if (2u + s.offset + s.length <= row.size())
        values[i] = std::string(reinterpret_cast<const char*>(row.data()) + 2 + s.offset, s.length);
      continue;
    }
    if (s.varIndex >= varCount) continue;
    // The table lists slot varCount-1 first.
    size_t begin = Get16(varTable + 2 * (varCount - 1 - s.varIndex));
    size_t end = s.varIndex + 1 < varCount ? Get16(varTable + 2 * (varCount - 2 - s.varIndex)) : eod;
    if (begin <= end && end <= row.size())
      values[i] = std::string(reinterpret_cast<const char*>(row.data()) + begin, end - begin);
  }
  return values;
}

}  // namespace orbisk::jet
