#include "data/jet/JetUsageMap.h"

#include <algorithm>

namespace orbisk::jet {

namespace {

constexpr uint8_t kInlineMap = 0;
constexpr uint8_t kReferenceMap = 1;
constexpr int kInlineHeader = 5;        // type + start page
constexpr int kMapPageHeader = 4;       // a type-5 page: 05 01 00 00, then the bitmap
constexpr uint32_t kPagesPerMapPage = (kPageSize - kMapPageHeader) * 8;  // 32,736
constexpr int kUsageMapRowSize = 69;

void SetBit(uint8_t* bitmap, uint32_t bit) { bitmap[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8)); }
void ClearBit(uint8_t* bitmap, uint32_t bit) { bitmap[bit / 8] &= static_cast<uint8_t>(~(1u << (bit % 8))); }

void ReadBitmap(const uint8_t* bitmap, size_t bytes, uint32_t first, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < bytes; ++i) {
    if (!bitmap[i]) continue;
    for (int b = 0; b < 8; ++b)
      if (bitmap[i] >> b & 1) out.push_back(first + static_cast<uint32_t>(i * 8 + b));
  }
}

std::span<uint8_t> MapRow(PageFile& file, uint32_t rowPointer) {
  auto row = MutableRow(file, rowPointer >> 8, static_cast<int>(rowPointer & 0xFF));
  if (row.size() < kInlineHeader) throw JetError("The database is damaged: a usage map is missing.");
  return row;
}

void WriteReference(PageFile& file, std::span<uint8_t> row, const std::vector<uint32_t>& pages) {
  size_t slots = (row.size() - 1) / 4;
  if (!pages.empty() && pages.back() / kPagesPerMapPage >= slots)
    throw JetError("The database is too large for a table's page map.");
  bool wasReference = row[0] == kReferenceMap;
  row[0] = kReferenceMap;
  for (size_t k = 0; k < slots; ++k) {
    uint8_t* slot = &row[1 + 4 * k];
    uint32_t mapPage = wasReference ? Get32(slot) : 0;
    uint32_t first = static_cast<uint32_t>(k) * kPagesPerMapPage;
    auto lo = std::lower_bound(pages.begin(), pages.end(), first);
    auto hi = std::lower_bound(pages.begin(), pages.end(), first + kPagesPerMapPage);
    if (lo == hi && mapPage == 0) {
      Put32(slot, 0);
      continue;
    }
    if (mapPage == 0) {
      mapPage = file.Allocate();  // may add a page beyond this map's range: fine, it is no table's
      Page& p = file.At(mapPage);
      p[0] = kUsageMapPage;
      p[1] = 0x01;
    }
    Put32(slot, mapPage);
    Page& p = file.At(mapPage);
    std::fill(p.begin() + kMapPageHeader, p.end(), 0);
    for (auto it = lo; it != hi; ++it) SetBit(&p[kMapPageHeader], *it - first);
  }
}

}  // namespace

std::vector<uint32_t> ReadUsageMap(const PageFile& file, uint32_t rowPointer) {
  auto row = ReadRow(file, rowPointer >> 8, static_cast<int>(rowPointer & 0xFF));
  std::vector<uint32_t> pages;
  if (row.size() < kInlineHeader) return pages;
  if (row[0] == kInlineMap) {
    ReadBitmap(&row[kInlineHeader], row.size() - kInlineHeader, Get32(&row[1]), pages);
  } else if (row[0] == kReferenceMap) {
    for (size_t k = 0; 1 + 4 * k + 4 <= row.size(); ++k) {
      uint32_t mapPage = Get32(&row[1 + 4 * k]);
      if (mapPage == 0) continue;
      const Page& p = file.At(mapPage);
      if (p[0] != kUsageMapPage) continue;
      ReadBitmap(&p[kMapPageHeader], kPageSize - kMapPageHeader, static_cast<uint32_t>(k) * kPagesPerMapPage, pages);
    }
  } else {
    throw JetError("The database is damaged: a usage map has an unknown type.");
  }
  return pages;
}

void WriteUsageMap(PageFile& file, uint32_t rowPointer, const std::vector<uint32_t>& pages) {
  std::span<uint8_t> row = MapRow(file, rowPointer);
  if (row[0] == kInlineMap) {
    uint32_t capacity = static_cast<uint32_t>(row.size() - kInlineHeader) * 8;
    uint32_t start = Get32(&row[1]);
    // Keep the start while the pages fit; else start at 0 as Access does, or
    // at the first page (on a multiple of 8) in a larger file.
    if (!pages.empty() && (pages.front() < start || pages.back() - start >= capacity))
      start = pages.back() < capacity ? 0 : pages.front() & ~7u;
    if (pages.empty() || pages.back() - start < capacity) {
      Put32(&row[1], start);
      std::fill(row.begin() + kInlineHeader, row.end(), 0);
      for (uint32_t page : pages) SetBit(&row[kInlineHeader], page - start);
      return;
    }
  }
  WriteReference(file, row, pages);
}

void AddToUsageMap(PageFile& file, uint32_t rowPointer, const std::vector<uint32_t>& added) {
  std::vector<uint32_t> pages = ReadUsageMap(file, rowPointer);
  pages.insert(pages.end(), added.begin(), added.end());
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  WriteUsageMap(file, rowPointer, pages);
}

std::string EmptyUsageMapRow() { return std::string(kUsageMapRowSize, '\0'); }

void MarkPageUsed(PageFile& file, uint32_t page) {
  std::span<uint8_t> row = MutableRow(file, 1, 0);
  if (row.size() < kInlineHeader) return;
  if (row[0] == kInlineMap) {
    uint32_t start = Get32(&row[1]);
    uint32_t capacity = static_cast<uint32_t>(row.size() - kInlineHeader) * 8;
    if (page >= start && page - start < capacity) ClearBit(&row[kInlineHeader], page - start);
  } else if (row[0] == kReferenceMap) {
    size_t k = page / kPagesPerMapPage;
    if (1 + 4 * k + 4 > row.size()) return;
    uint32_t mapPage = Get32(&row[1 + 4 * k]);
    if (mapPage == 0 || mapPage >= file.PageCount()) return;
    Page& p = file.At(mapPage);
    if (p[0] == kUsageMapPage) ClearBit(&p[kMapPageHeader], page - static_cast<uint32_t>(k) * kPagesPerMapPage);
  }
}

}  // namespace orbisk::jet
