#include "data/RowStore.h"

#include <cstring>
#include <stdexcept>

namespace orbisk {

namespace {

// A cell is 32 bits: the kind in the low 3, a payload in the high 29. The
// payload is the small integer itself, a byte offset from the row's start, or
// the index of a large value.
enum CellKind : uint32_t { kNull, kSmall, kInt64, kReal, kText, kBytes, kLargeText, kLargeBytes };
constexpr uint32_t kKindBits = 3;
constexpr uint32_t kMaxPayload = (1u << (32 - kKindBits)) - 1;
constexpr int64_t kSmallMin = -(int64_t{1} << 28);
constexpr int64_t kSmallMax = (int64_t{1} << 28) - 1;
constexpr size_t kLargeValue = size_t{1} << 20;
constexpr size_t kFirstBlock = 4096;
constexpr size_t kLargestBlock = size_t{256} << 10;

uint32_t ReadCell(const char* row, int column) {
  uint32_t cell;
  std::memcpy(&cell, row + static_cast<size_t>(column) * sizeof cell, sizeof cell);
  return cell;
}

void AppendLength(std::string& out, size_t n) {
  while (n >= 0x80) {
    out += static_cast<char>(0x80 | (n & 0x7F));
    n >>= 7;
  }
  out += static_cast<char>(n);
}

std::string_view ReadLengthPrefixed(const char* p) {
  size_t n = 0;
  int shift = 0;
  unsigned char b;
  do {
    b = static_cast<unsigned char>(*p++);
    n |= static_cast<size_t>(b & 0x7F) << shift;
    shift += 7;
  } while (b & 0x80);
  return {p, n};
}

}  // namespace

void RowStore::Reset(int columns) {
  if (columns < 0) throw std::invalid_argument("RowStore: negative column count");
  columns_ = columns;
  std::vector<const char*>().swap(rows_);
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  std::vector<size_t>().swap(blockSizes_);
  std::vector<std::string>().swap(large_);
  std::string().swap(staging_);
  free_ = nullptr;
  freeBytes_ = 0;
  staged_ = 0;
  building_ = false;
}

void RowStore::BeginRow() {
  staging_.assign(static_cast<size_t>(columns_) * sizeof(uint32_t), '\0');
  staged_ = 0;
  building_ = true;
}

void RowStore::Stage(uint32_t kind, uint32_t payload) {
  if (!building_ || staged_ >= columns_) throw std::logic_error("RowStore: cell outside a row");
  const uint32_t cell = (payload << kKindBits) | kind;
  std::memcpy(&staging_[static_cast<size_t>(staged_) * sizeof cell], &cell, sizeof cell);
  ++staged_;
}

void RowStore::AddNull() { Stage(kNull, 0); }

void RowStore::AddInteger(int64_t v) {
  if (v >= kSmallMin && v <= kSmallMax) {
    Stage(kSmall, static_cast<uint32_t>(v) & kMaxPayload);
    return;
  }
  const size_t at = staging_.size();
  if (at > kMaxPayload - sizeof v) throw std::length_error("RowStore: row too large");
  staging_.append(reinterpret_cast<const char*>(&v), sizeof v);
  Stage(kInt64, static_cast<uint32_t>(at));
}

void RowStore::AddReal(double v) {
  const size_t at = staging_.size();
  if (at > kMaxPayload - sizeof v) throw std::length_error("RowStore: row too large");
  staging_.append(reinterpret_cast<const char*>(&v), sizeof v);
  Stage(kReal, static_cast<uint32_t>(at));
}

void RowStore::StageBytes(uint32_t kind, uint32_t largeKind, std::string_view v) {
  if (v.empty()) {
    Stage(kind, 0);  // offset 0 lies in the cells: the empty value
    return;
  }
  const size_t at = staging_.size();
  if (v.size() >= kLargeValue || at + v.size() + 8 > kMaxPayload) {
    if (large_.size() >= kMaxPayload) throw std::length_error("RowStore: too many large values");
    large_.emplace_back(v);
    Stage(largeKind, static_cast<uint32_t>(large_.size() - 1));
    return;
  }
  AppendLength(staging_, v.size());
  staging_.append(v);
  Stage(kind, static_cast<uint32_t>(at));
}

void RowStore::AddText(std::string_view v) { StageBytes(kText, kLargeText, v); }
void RowStore::AddBytes(std::string_view v) { StageBytes(kBytes, kLargeBytes, v); }

void RowStore::Add(const ValueView& v) {
  switch (v.kind()) {
    case ValueKind::Null: AddNull(); break;
    case ValueKind::Integer: AddInteger(v.AsInteger()); break;
    case ValueKind::Real: AddReal(v.AsReal()); break;
    case ValueKind::Text: AddText(v.Bytes()); break;
    case ValueKind::Blob: AddBytes(v.Bytes()); break;
  }
}

void RowStore::EndRow() {
  if (!building_ || staged_ != columns_) throw std::logic_error("RowStore: row with a wrong number of cells");
  building_ = false;
  char* row = Allocate(staging_.size());
  if (!staging_.empty()) std::memcpy(row, staging_.data(), staging_.size());
  rows_.push_back(row);
}

char* RowStore::Allocate(size_t bytes) {
  if (bytes > freeBytes_) {
    // Blocks double up to a quarter megabyte: small results stay small, and
    // the unused end of the last block stays a small part of a large one.
    size_t size = blockSizes_.empty() ? kFirstBlock : std::min(blockSizes_.back() * 2, kLargestBlock);
    if (bytes > size) size = bytes;
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    blockSizes_.push_back(size);
    free_ = blocks_.back().get();
    freeBytes_ = size;
  }
  char* p = free_;
  free_ += bytes;
  freeBytes_ -= bytes;
  return p;
}

void RowStore::Trim() {
  rows_.shrink_to_fit();
  std::string().swap(staging_);
}

ValueView RowStore::Cell(int row, int column) const {
  const char* r = rows_[static_cast<size_t>(row)];
  const uint32_t cell = ReadCell(r, column);
  const uint32_t payload = cell >> kKindBits;
  switch (cell & ((1u << kKindBits) - 1)) {
    case kSmall: return ValueView::Integer(static_cast<int32_t>(cell) >> kKindBits);
    case kInt64: {
      int64_t v;
      std::memcpy(&v, r + payload, sizeof v);
      return ValueView::Integer(v);
    }
    case kReal: {
      double v;
      std::memcpy(&v, r + payload, sizeof v);
      return ValueView::Real(v);
    }
    case kText: return ValueView::Text(payload ? ReadLengthPrefixed(r + payload) : std::string_view());
    case kBytes: return ValueView::Bytes(payload ? ReadLengthPrefixed(r + payload) : std::string_view());
    case kLargeText: return ValueView::Text(large_[payload]);
    case kLargeBytes: return ValueView::Bytes(large_[payload]);
    default: return {};
  }
}

void RowStore::Reorder(const std::vector<int>& order) {
  if (order.size() != rows_.size()) throw std::invalid_argument("RowStore: the order must name every row once");
  std::vector<char> seen(rows_.size(), 0);
  for (int i : order) {
    if (i < 0 || static_cast<size_t>(i) >= rows_.size() || seen[static_cast<size_t>(i)])
      throw std::invalid_argument("RowStore: the order must name every row once");
    seen[static_cast<size_t>(i)] = 1;
  }
  std::vector<const char*> rows(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) rows[i] = rows_[static_cast<size_t>(order[i])];
  rows_.swap(rows);
}

size_t RowStore::BytesHeld() const {
  size_t bytes = rows_.capacity() * sizeof(const char*) + staging_.capacity();
  for (size_t s : blockSizes_) bytes += s;
  for (const auto& v : large_) bytes += v.capacity() + 1;
  return bytes;
}

}  // namespace orbisk
