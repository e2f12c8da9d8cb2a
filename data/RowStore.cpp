#include "data/RowStore.h"

#include <cstring>
#include <stdexcept>

namespace orbisk {

namespace {

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
  used_ = 0;
  free_ = nullptr;
  freeBytes_ = 0;
  staged_ = 0;
  building_ = false;
}

void RowStore::Refill(int columns) {
  if (columns < 0) throw std::invalid_argument("RowStore: negative column count");
  columns_ = columns;
  rows_.clear();
  std::vector<std::string>().swap(large_);
  used_ = 0;
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

void RowStore::CellOutsideARow() { throw std::logic_error("RowStore: cell outside a row"); }

void RowStore::AddWideInteger(int64_t v) {
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
    if (used_ < blocks_.size() && blockSizes_[used_] >= bytes) {
      free_ = blocks_[used_].get();
      freeBytes_ = blockSizes_[used_];
    } else {
      size_t size = used_ == 0 ? kFirstBlock : std::min(blockSizes_[used_ - 1] * 2, kLargestBlock);
      if (bytes > size) size = bytes;
      blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(used_), std::make_unique_for_overwrite<char[]>(size));
      blockSizes_.insert(blockSizes_.begin() + static_cast<std::ptrdiff_t>(used_), size);
      free_ = blocks_[used_].get();
      freeBytes_ = size;
    }
    ++used_;
  }
  char* p = free_;
  free_ += bytes;
  freeBytes_ -= bytes;
  return p;
}

void RowStore::Trim() {
  blocks_.resize(used_);
  blockSizes_.resize(used_);
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
  CheckOrder(order);
  std::vector<const char*> rows(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) rows[i] = rows_[static_cast<size_t>(order[i])];
  rows_.swap(rows);
}

void RowStore::CheckOrder(const std::vector<int>& order) const {
  if (order.size() != rows_.size()) throw std::invalid_argument("RowStore: the order must name every row once");
  std::vector<char> seen(rows_.size(), 0);
  for (int i : order) {
    if (i < 0 || static_cast<size_t>(i) >= rows_.size() || seen[static_cast<size_t>(i)])
      throw std::invalid_argument("RowStore: the order must name every row once");
    seen[static_cast<size_t>(i)] = 1;
  }
}

size_t RowStore::BytesHeld() const {
  size_t bytes = rows_.capacity() * sizeof(const char*) + staging_.capacity();
  for (size_t s : blockSizes_) bytes += s;
  for (const auto& v : large_) bytes += v.capacity() + 1;
  return bytes;
}

}  // namespace orbisk
