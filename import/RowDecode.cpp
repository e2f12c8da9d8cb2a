#include "import/RowDecode.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <array>
#include <span>
#include <vector>

namespace orbisk::import {

namespace {

constexpr unsigned kOffsetMask = 0x1FFF;
constexpr size_t kLongValueHeader = 12;
constexpr uint32_t kNoPage = 0;  // page 0 is the header, never a long value's

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
template <class T>
T GetRaw(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);  // the file and the machine are little-endian
  return v;
}

}  // namespace

bool FindRow(const unsigned char* page, const PageFormat& fmt, unsigned row, unsigned& start, unsigned& length,
             unsigned& flags) {
  const unsigned rco = fmt.rowCountOffset;
  const unsigned pageSize = fmt.pageSize;
  if (rco + 2 > pageSize || row >= Get16(page + rco) || rco + 4 + 2 * row > pageSize) return false;
  const unsigned entry = Get16(page + rco + 2 + 2 * row);
  const unsigned end = row == 0 ? pageSize : Get16(page + rco + 2 * row) & kOffsetMask;
  start = entry & kOffsetMask;
  flags = entry & ~kOffsetMask;
  if (start >= pageSize || start > end || end > pageSize) return false;
  length = end - start;
  return true;
}

unsigned RowColumnCount(const unsigned char* page, bool jet3, unsigned start) {
  return jet3 ? page[start] : Get16(page + start);
}

bool RowFits(const unsigned char* page, const PageFormat& fmt, bool jet3, unsigned start, unsigned length,
             std::span<const ColumnLayout> columns) {
  if (start >= fmt.pageSize || length > fmt.pageSize - start) return false;
  const long countSize = jet3 ? 1 : 2;  // the column count, and each entry of the trailer
  if (length < static_cast<unsigned>(countSize)) return false;
  const unsigned char* row = page + start;
  const long len = length;
  const long rowCols = RowColumnCount(page, jet3, start);
  const long mask = (rowCols + 7) / 8;
  bool hasVar = false;
  for (const auto& c : columns) hasVar = hasVar || !c.fixed;
  // Column count, null mask and the count of variable-length columns.
  if (countSize + mask + countSize > len) return false;
  const long last = len - 1;  // the row's last byte
  long rowVarCols = jet3 ? row[last - mask] : Get16(row + last - mask - 1);
  if (rowVarCols > rowCols) {
    // A table of fixed columns only may keep no count of variable ones.
    if (hasVar) return false;
    rowVarCols = 0;
  }
  long fixedEnd = len - mask;
  if (hasVar) {
    // Rows of sound tables have at most 255 columns: no allocation for them.
    std::array<long, 256> small;
    std::vector<long> large;
    const size_t count = static_cast<size_t>(rowVarCols) + 1;
    if (count > small.size()) large.resize(count);
    const std::span<long> offsets = count > small.size() ? std::span<long>(large) : std::span<long>(small.data(), count);
    long tableStart;  // the first byte of the offset table
    if (!jet3) {
      tableStart = last - mask - 1 - 2 * (rowVarCols + 1);
      if (tableStart < countSize) return false;
      for (long i = 0; i <= rowVarCols; ++i) offsets[static_cast<size_t>(i)] = Get16(row + last - mask - 3 - 2 * i);
    } else {
      // One-byte offsets: a jump table names the entries from which 256 is added.
      long jumps = (len - 1) / 256;
      const long first = last - mask - jumps - 1;  // the entry of the first variable-length column
      tableStart = first - rowVarCols;
      if (tableStart < countSize) return false;
      if (tableStart / 256 < jumps) --jumps;
      long used = 0;
      for (long i = 0; i <= rowVarCols; ++i) {
        if (used < jumps && i == row[last - mask - used - 1]) ++used;
        offsets[static_cast<size_t>(i)] = row[first - i] + used * 256;
      }
    }
    if (offsets[0] < countSize || offsets.back() > tableStart) return false;
    for (size_t i = 1; i < offsets.size(); ++i)
      if (offsets[i] < offsets[i - 1]) return false;
    fixedEnd = offsets[0];
  }
  // The fixed values the row stores: the first (row columns - variable ones) fixed columns.
  long fixedFound = 0;
  for (const auto& c : columns) {
    if (!c.fixed || fixedFound >= rowCols - rowVarCols) continue;
    ++fixedFound;
    if (countSize + static_cast<long>(c.fixedOffset) + static_cast<long>(c.size) > fixedEnd) return false;
  }
  return true;
}

// The fraction is the time of day, also before 1899 (-1.25 is 1899-12-29 06:00).
bool OleDateText(double value, std::string& out) {
  if (!std::isfinite(value) || value < -657435.0 || value >= 2958466.0) return false;  // years 100 to 9999
  long long day = static_cast<long long>(value);
  long long seconds = std::llround(std::fabs(value - static_cast<double>(day)) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  // Civil date from days since 1970-01-01.
  long long z = day - 25569 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2);
  char buf[40];
  int n = std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", y, m, d, seconds / 3600,
                        seconds / 60 % 60, seconds % 60);
  out.assign(buf, static_cast<size_t>(n));
  return true;
}

// ---------------------------------------------------------------------------

LongValueReader::LongValueReader(const PageFormat& fmt, PageSource& pages)
    : fmt_(fmt), pages_(pages), buffer_(kSlots * pages.PageSize()) {
  tags_.fill(kNoPage);
}

void LongValueReader::Read(const unsigned char* field, size_t size, std::string& out) {
  out.clear();
  if (size < kLongValueHeader) return;
  const uint32_t header = Get32(field);
  const size_t length = header & 0xFFFFFF;
  const unsigned char* data = nullptr;
  unsigned n = 0;
  if (header & 0x80000000u) {  // in the row itself
    out.assign(reinterpret_cast<const char*>(field) + kLongValueHeader, size - kLongValueHeader);
  } else if (header & 0x40000000u) {  // one row elsewhere
    if (Row(Get32(field + 4), data, n)) out.assign(reinterpret_cast<const char*>(data), std::min<size_t>(n, length));
  } else if ((header & 0xFF000000u) == 0) {  // a chain of rows, each pointing to the next
    uint32_t next = Get32(field + 4);
    for (int guard = 0; next != 0 && guard < 1 << 16; ++guard) {
      if (!Row(next, data, n) || n < 4 || out.size() + (n - 4) > length) break;
      next = Get32(data);
      out.append(reinterpret_cast<const char*>(data) + 4, n - 4);
    }
  }
}

const unsigned char* LongValueReader::Page(uint32_t page) {
  const size_t pageSize = pages_.PageSize();
  for (size_t i = 0; i < kSlots; ++i)
    if (tags_[i] == page) return &buffer_[i * pageSize];
  const size_t slot = next_++ % kSlots;
  unsigned char* buf = &buffer_[slot * pageSize];
  tags_[slot] = kNoPage;
  if (page == kNoPage || !pages_.Read(page, buf)) return nullptr;
  tags_[slot] = page;
  return buf;
}

bool LongValueReader::Row(uint32_t pointer, const unsigned char*& data, unsigned& length) {
  const unsigned char* page = Page(pointer >> 8);
  unsigned start = 0, flags = 0;
  if (!page || !FindRow(page, fmt_, pointer & 0xFF, start, length, flags)) return false;
  data = page + start;
  return true;
}

// ---------------------------------------------------------------------------

RowDecoder::RowDecoder(const PageFormat& fmt, std::vector<StoredKind> columns, TextDecoder decodeText,
                       OtherValue other)
    : fmt_(fmt),
      columns_(std::move(columns)),
      decodeText_(std::move(decodeText)),
      other_(std::move(other)),
      texts_(columns_.size()) {}

void RowDecoder::Bind(const unsigned char* page, std::span<const RowField> fields, LongValueReader& longValues,
                      sqlite3_stmt* insert) {
  static const RowField kNull{};
  for (size_t c = 0; c < columns_.size(); ++c) BindField(c, page, c < fields.size() ? fields[c] : kNull, longValues, insert);
}

void RowDecoder::BindField(size_t c, const unsigned char* page, const RowField& f, LongValueReader& longValues,
                           sqlite3_stmt* insert) {
  const int p = static_cast<int>(c) + 1;
  const StoredKind kind = columns_[c];
  // A Yes/No value is the null-mask bit itself.
  if (kind == StoredKind::Bool) {
    sqlite3_bind_int(insert, p, f.isNull ? 0 : 1);
    return;
  }
  if (f.isNull || f.size < 0 || f.start < 0 ||
      static_cast<size_t>(f.start) + static_cast<size_t>(f.size) > fmt_.pageSize) {
    sqlite3_bind_null(insert, p);
    return;
  }
  const unsigned char* v = page + f.start;
  const size_t size = static_cast<size_t>(f.size);
  std::string& text = texts_[c];
  auto fixed = [&](size_t need) {
    if (size >= need) return true;
    sqlite3_bind_null(insert, p);
    return false;
  };
  auto bindText = [&](const std::string& s) {
    sqlite3_bind_text(insert, p, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
  };
  auto bindBlob = [&](const std::string& s) {
    sqlite3_bind_blob(insert, p, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
  };
  switch (kind) {
    case StoredKind::Bool: return;
    case StoredKind::Byte:
      if (fixed(1)) sqlite3_bind_int(insert, p, v[0]);
      return;
    case StoredKind::Int:
      if (fixed(2)) sqlite3_bind_int(insert, p, GetRaw<int16_t>(v));
      return;
    case StoredKind::LongInt:
      if (fixed(4)) sqlite3_bind_int(insert, p, GetRaw<int32_t>(v));
      return;
    case StoredKind::Money:
      if (fixed(8)) sqlite3_bind_double(insert, p, static_cast<double>(GetRaw<int64_t>(v)) / 10000.0);
      return;
    case StoredKind::Double:
      if (fixed(8)) sqlite3_bind_double(insert, p, GetRaw<double>(v));
      return;
    case StoredKind::Single:
      // A Single as its shortest decimal form: 0.1 stays 0.1, not 0.100000001.
      if (fixed(4)) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf - 1, GetRaw<float>(v));
        *r.ptr = '\0';
        sqlite3_bind_double(insert, p, std::strtod(buf, nullptr));
      }
      return;
    case StoredKind::DateTime:
      if (!fixed(8)) return;
      if (OleDateText(GetRaw<double>(v), text))
        bindText(text);
      else
        sqlite3_bind_double(insert, p, GetRaw<double>(v));
      return;
    case StoredKind::Text:
      decodeText_(std::string_view(reinterpret_cast<const char*>(v), size), text);
      bindText(text);
      return;
    case StoredKind::Memo:
      longValues.Read(v, size, raw_);
      decodeText_(raw_, text);
      bindText(text);
      return;
    case StoredKind::Ole:
      longValues.Read(v, size, text);
      bindBlob(text);
      return;
    case StoredKind::Binary:
      text.assign(reinterpret_cast<const char*>(v), size);
      bindBlob(text);
      return;
    case StoredKind::Other:
      if (other_)
        other_(c, f, insert, p);
      else
        sqlite3_bind_null(insert, p);
      return;
  }
}

}  // namespace orbisk::import
