#pragma once
// The importer's own reading of Access rows, after libmdb has found a row and
// split it into fields: every value is decoded from the page bytes into the
// insert statement, with every offset and length checked against its page.
// Nothing here calls libmdb, so the decoding can be fuzzed by itself.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace orbisk::import {

// What the pages of one file look like.
struct PageFormat {
  unsigned pageSize = 4096;
  unsigned rowCountOffset = 12;  // 8 in Jet 3
};

// Where row `row` of a page lies; false for a row the page does not hold.
bool FindRow(const unsigned char* page, const PageFormat& fmt, unsigned row, unsigned& start, unsigned& length,
             unsigned& flags);

// Where a column's value lies in the rows of its table.
struct ColumnLayout {
  bool fixed = false;
  unsigned fixedOffset = 0;  // fixed columns: after the column count
  unsigned size = 0;         // fixed columns: bytes
  unsigned varIndex = 0;     // variable-length columns: entry in the row's offset table
  unsigned number = 0;       // the column's bit in the null mask
};

// Whether the row at `start` (`length` bytes) holds its trailer (column
// count, null mask, offset table) inside itself, every fixed value it stores
// before its variable-length data, and every variable-length offset in order
// and inside the row. A row that does not is damaged: its values would be
// read from other rows or from outside the page. `jet3` rows use one-byte
// counts and offsets with a jump table.
bool RowFits(const unsigned char* page, const PageFormat& fmt, bool jet3, unsigned start, unsigned length,
             std::span<const ColumnLayout> columns);

// The number of columns a row stores (a column numbered at or above it was
// added after the row was written: null). The row must fit.
unsigned RowColumnCount(const unsigned char* page, bool jet3, unsigned start);

// "YYYY-MM-DD HH:MM:SS" for days since 1899-12-30; false outside the years 100 to 9999.
bool OleDateText(double value, std::string& out);

// Reads whole pages of the file.
class PageSource {
 public:
  virtual ~PageSource() = default;
  virtual size_t PageSize() const = 0;
  // Reads page `page` into `buf` (PageSize() bytes); false when the file has no such page.
  virtual bool Read(uint32_t page, unsigned char* buf) = 0;
};

// Reads memo and OLE values, which live in rows of their own pages. Values of
// one column mostly follow each other on a page, so the last pages read are kept.
class LongValueReader {
 public:
  LongValueReader(const PageFormat& fmt, PageSource& pages);
  // The bytes of the long value whose row header is `field` (`size` bytes).
  // A value whose pages cannot be read comes back empty (or cut where its chain
  // breaks); none is longer than its header says (at most 16 MB).
  void Read(const unsigned char* field, size_t size, std::string& out);

 private:
  static constexpr size_t kSlots = 16;
  const unsigned char* Page(uint32_t page);
  bool Row(uint32_t pointer, const unsigned char*& data, unsigned& length);

  PageFormat fmt_;
  PageSource& pages_;
  std::vector<unsigned char> buffer_;
  std::array<uint32_t, kSlots> tags_{};
  size_t next_ = 0;
};

// How a column's values are stored.
enum class StoredKind { Bool, Byte, Int, LongInt, Money, Single, Double, DateTime, Text, Memo, Ole, Binary, Other };

// A field as libmdb found it in the page: its offset and size, or null.
struct RowField {
  int start = 0;
  int size = 0;
  bool isNull = true;
};

// Decodes the fields of one row (one per column, in column order) from
// `page` into parameters 1.. of `insert`. Stored text is turned into UTF-8 by
// `decodeText`; values of kind Other go to `other` (which binds them itself).
class RowDecoder {
 public:
  using TextDecoder = std::function<void(std::string_view stored, std::string& out)>;
  using OtherValue = std::function<void(size_t column, const RowField& field, sqlite3_stmt* insert, int parameter)>;

  RowDecoder(const PageFormat& fmt, std::vector<StoredKind> columns, TextDecoder decodeText, OtherValue other);
  // Binds every column of the row; fields beyond `fields.size()` are null.
  void Bind(const unsigned char* page, std::span<const RowField> fields, LongValueReader& longValues,
            sqlite3_stmt* insert);

 private:
  void BindField(size_t c, const unsigned char* page, const RowField& f, LongValueReader& longValues,
                 sqlite3_stmt* insert);

  PageFormat fmt_;
  std::vector<StoredKind> columns_;
  TextDecoder decodeText_;
  OtherValue other_;
  std::vector<std::string> texts_;  // by column: bound values stay put until the row is stepped
  std::string raw_;                 // a memo's stored bytes
};

}  // namespace orbisk::import
