#pragma once
// Table definitions (TDEF pages): reading an existing one, and building the
// definition of a new table. A definition longer than a page continues on
// further TDEF pages; offsets below are those of the whole definition with the
// first page's 8-byte header.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/jet/JetPageFile.h"

namespace orbisk::jet {

struct ColumnInfo {
  std::u16string name;
  ColumnType type = ColumnType::Text;
  uint16_t number = 0;       // position in the row (null-mask bit), deleted columns included
  uint16_t index = 0;        // position among the current columns (0 in Jet's own system tables)
  uint16_t varIndex = 0;     // variable columns: slot in the offset table
  uint16_t fixedOffset = 0;  // fixed columns: offset in the fixed area
  uint16_t length = 0;       // bytes (text: 2 x characters)
  uint8_t flags = kColumnUpdatable;
  uint8_t flags2 = 0;
  bool Fixed() const { return flags & kColumnFixed; }
};

// One physical index: its key columns (column number, 1 = ascending), the
// usage map of its pages and its root page.
struct RealIndexInfo {
  std::vector<std::pair<uint16_t, uint8_t>> columns;
  uint32_t usageMap = 0;
  uint32_t rootPage = 0;
  std::array<uint8_t, 10> flags{};  // the flag byte and the nine bytes after it, kept as found
  uint32_t distinctKeys = 0;        // kept in the index's header slot
};

struct LogicalIndexInfo {
  std::u16string name;
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t type = 0;  // 1: primary key
};

struct LongValueMaps {
  uint16_t column = 0;
  uint32_t owned = 0;
  uint32_t free = 0;
};

struct TableInfo {
  uint32_t page = 0;              // first TDEF page, the table's id
  std::vector<uint32_t> chain;    // every TDEF page, first one first
  uint32_t rowCount = 0;
  uint32_t autoNumber = 0;        // last number given by the auto-number column
  uint8_t tableType = 0x4E;       // 0x4E user table, 0x53 system table
  uint16_t maxColumns = 0;
  uint32_t ownedMap = 0;
  uint32_t freeMap = 0;
  std::vector<ColumnInfo> columns;  // in the order stored
  std::vector<RealIndexInfo> indexes;
  std::vector<LogicalIndexInfo> logicalIndexes;
  std::vector<LongValueMaps> longValues;

  const ColumnInfo* FindColumn(std::u16string_view name) const;
  int VarColumnCount() const;
};

// Reads the definition starting at `page`. Throws JetError when it is not one.
TableInfo ReadTableInfo(const PageFile& file, uint32_t page);

// Byte offsets of fields in a definition.
constexpr size_t kTdefRowCount = 16;
constexpr size_t kTdefAutoNumber = 20;
constexpr size_t kTdefIndexHeaders = 63;  // 12 bytes per real index; distinct keys at +4
// Reads or writes a 32-bit field of the definition at a logical offset.
uint32_t GetTdef32(const PageFile& file, const TableInfo& table, size_t offset);
void SetTdef32(PageFile& file, const TableInfo& table, size_t offset, uint32_t value);

// Gives columns listed in column-number order their row layout: fixed columns
// their offsets in the fixed area (a Yes/No column takes no space; its value is
// its null-mask bit), variable columns their slots, every column its number
// and index.
void LayOutColumns(std::vector<ColumnInfo>& columns);

// The whole definition of a table as bytes (header of the first page
// included). Columns, logical indexes and long-value maps are stored in the
// order given.
std::string BuildTableDefinition(const TableInfo& table);
// How many pages a definition of `bytes` bytes takes.
int TdefPageCount(size_t bytes);
// Writes a definition over the pages of `chain` (as many as TdefPageCount).
void WriteTableDefinition(PageFile& file, const std::vector<uint32_t>& chain, const std::string& definition);

}  // namespace orbisk::jet
