#pragma once
// Building blocks of the Jet 4 (Access 2000) file format shared by the writer's
// parts: page and row constants, little- and big-endian fields, the errors.
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace orbisk::jet {

constexpr int kPageSize = 4096;
using Page = std::array<uint8_t, kPageSize>;

// The first byte of every page but the header.
enum PageType : uint8_t {
  kDataPage = 0x01,
  kTdefPage = 0x02,
  kIndexNodePage = 0x03,
  kIndexLeafPage = 0x04,
  kUsageMapPage = 0x05,
};

// Column types as the table definition stores them.
enum class ColumnType : uint8_t {
  Bit = 0x01,
  Byte = 0x02,
  Integer = 0x03,   // 16-bit
  Long = 0x04,      // 32-bit
  Money = 0x05,     // int64 x 10000
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,  // days since 1899-12-30
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
};

// Column flags of the table definition.
constexpr uint8_t kColumnFixed = 0x01;
constexpr uint8_t kColumnUpdatable = 0x02;
constexpr uint8_t kColumnAutoNumber = 0x04;
constexpr uint8_t kColumnCompressedUnicode = 0x01;  // the second flag byte

// The number Jet writes at byte 12 of a table definition and inside every
// column and logical-index record.
constexpr uint32_t kTdefMagic = 1625;

// Data pages: header size, row limits.
constexpr int kDataHeader = 14;
constexpr int kMaxRowsPerPage = 255;
constexpr int kMaxRowSize = 4060;
constexpr uint16_t kRowDeleted = 0x8000;
constexpr uint16_t kRowOverflow = 0x4000;
constexpr uint16_t kRowOffsetMask = 0x1FFF;

// Index pages: entry-start bitmap and the first entry.
constexpr int kIndexBitmapOffset = 27;
constexpr int kIndexEntriesOffset = 0x1E0;
constexpr int kIndexSpace = kPageSize - kIndexEntriesOffset;

// Container and object ids every Jet 4 catalog uses.
constexpr int32_t kRootContainerId = 0x0F000000;
constexpr int32_t kTablesContainerId = 0x0F000001;
constexpr int32_t kDatabasesContainerId = 0x0F000002;
constexpr int32_t kRelationshipsContainerId = 0x0F000003;
constexpr int32_t kMSysDbId = 0x10000000;

// A failure of the writer; its text is shown to the user.
class JetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A row the table cannot take (a value does not fit its column, the row is too
// long for a page). The table is left as it was before the row.
class RowRefused : public JetError {
 public:
  using JetError::JetError;
};

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Get24(const uint8_t* p) { return p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16; }
inline uint32_t Get32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put24(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, static_cast<uint16_t>(v));
  Put16(p + 2, static_cast<uint16_t>(v >> 16));
}
inline void Put64(uint8_t* p, uint64_t v) {
  Put32(p, static_cast<uint32_t>(v));
  Put32(p + 4, static_cast<uint32_t>(v >> 32));
}

// Appending little-endian fields to a byte string.
inline void Append16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
inline void Append32(std::string& s, uint32_t v) {
  Append16(s, static_cast<uint16_t>(v));
  Append16(s, static_cast<uint16_t>(v >> 16));
}

inline const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
inline uint8_t* Bytes(std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); }

// A row pointer: page number in the upper 24 bits, row number in the lowest 8.
inline uint32_t RowPointer(uint32_t page, int row) { return page << 8 | static_cast<uint32_t>(row); }

}  // namespace orbisk::jet
