#include "data/jet/JetIndex.h"

#include <algorithm>
#include <cstring>

#include "data/jet/JetText.h"
#include "data/jet/JetUsageMap.h"

namespace orbisk::jet {

namespace {

constexpr uint8_t kKeyPresent = 0x7F;
constexpr int kChildPointer = 4;  // after a node entry: the child page, big-endian
constexpr int kMaxDepth = 16;
constexpr size_t kRowPointerSize = 4;

// "General" sort-order codes of letters (either case) and digits.
constexpr uint8_t kLetterCodes[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                      0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                      0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
constexpr uint8_t kFirstDigitCode = 0x36;  // then every second code

void PutBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

uint32_t GetBigEndian32(const char* p) {
  auto b = [&](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(p[i])); };
  return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

uint32_t ChildOf(const std::string& nodeEntry) {
  return GetBigEndian32(nodeEntry.data() + nodeEntry.size() - kChildPointer);
}

std::string WithChild(const std::string& leafEntry, uint32_t child) {
  std::string e = leafEntry;
  e.resize(e.size() + kChildPointer);
  PutBigEndian32(Bytes(e) + leafEntry.size(), child);
  return e;
}

size_t TotalSize(const std::vector<std::string>& entries) {
  size_t n = 0;
  for (const auto& e : entries) n += e.size();
  return n;
}

// A page's entries, and what replaces the page in its parent after an insert:
// its last entry and number, and a second pair when it was split.
using Replacement = std::vector<std::pair<std::string, uint32_t>>;

struct Tree {
  PageFile& file;
  const TableInfo& table;
  const RealIndexInfo& index;
  bool newKey = false;

  Replacement Insert(uint32_t pageNo, const std::string& entry, int depth) {
    if (depth > kMaxDepth) throw JetError("The database is damaged: an index is too deep.");
    Page& page = file.At(pageNo);
    auto type = static_cast<PageType>(page[0]);
    if (type != kIndexLeafPage && type != kIndexNodePage)
      throw JetError("The database is damaged: an index page is missing.");
    std::vector<std::string> entries = ReadIndexPage(page);
    if (type == kIndexLeafPage) {
      auto at = std::lower_bound(entries.begin(), entries.end(), entry);
      if (at != entries.end() && *at == entry) return {{entries.back(), pageNo}};
      auto sameKey = [&](const std::string& e) {
        return e.size() == entry.size() && e.compare(0, e.size() - kRowPointerSize, entry, 0, e.size() - kRowPointerSize) == 0;
      };
      newKey = !(at != entries.end() && sameKey(*at)) && !(at != entries.begin() && sameKey(*(at - 1)));
      entries.insert(at, entry);
    } else {
      InsertBelow(page, entries, entry, depth);
    }
    return Store(pageNo, type, std::move(entries));
  }

  void InsertBelow(Page& page, std::vector<std::string>& entries, const std::string& entry, int depth) {
    // A tail page (a last child the node does not list yet) joins the entries.
    uint32_t tail = Get32(&page[20]);
    if (tail != 0) {
      std::vector<std::string> tailEntries = ReadIndexPage(file.At(tail));
      if (!tailEntries.empty()) {
        std::string last = tailEntries.back();
        if (file.At(tail)[0] == kIndexNodePage) last.resize(last.size() - kChildPointer);
        entries.push_back(WithChild(last, tail));
      }
      Put32(&page[20], 0);
    }
    if (entries.empty()) throw JetError("The database is damaged: an index node is empty.");
    // The first child whose last entry is not below the new one; past the end, the last child.
    size_t i = 0;
    while (i + 1 < entries.size() &&
           std::string_view(entries[i]).substr(0, entries[i].size() - kChildPointer) < entry)
      ++i;
    Replacement r = Insert(ChildOf(entries[i]), entry, depth + 1);
    entries.erase(entries.begin() + static_cast<long>(i));
    for (size_t k = 0; k < r.size(); ++k)
      entries.insert(entries.begin() + static_cast<long>(i + k), WithChild(r[k].first, r[k].second));
  }

  // Writes the entries back, splitting the page in two when they do not fit.
  Replacement Store(uint32_t pageNo, PageType type, std::vector<std::string> entries) {
    Page& page = file.At(pageNo);
    uint32_t prev = Get32(&page[12]);
    uint32_t next = Get32(&page[16]);
    auto lastOf = [&](const std::vector<std::string>& es) {
      std::string last = es.back();
      if (type == kIndexNodePage) last.resize(last.size() - kChildPointer);
      return last;
    };
    if (TotalSize(entries) <= static_cast<size_t>(kIndexSpace)) {
      WriteIndexPage(page, type, table.page, entries, prev, next);
      return {{lastOf(entries), pageNo}};
    }
    size_t half = TotalSize(entries) / 2, taken = 0, cut = 0;
    while (cut < entries.size() - 1 && taken + entries[cut].size() <= half) taken += entries[cut++].size();
    if (cut == 0) cut = 1;
    std::vector<std::string> right(entries.begin() + static_cast<long>(cut), entries.end());
    entries.resize(cut);
    uint32_t rightNo = file.Allocate();
    AddToUsageMap(file, index.usageMap, {rightNo});
    WriteIndexPage(file.At(pageNo), type, table.page, entries, prev, rightNo);
    WriteIndexPage(file.At(rightNo), type, table.page, right, pageNo, next);
    if (next != 0) Put32(&file.At(next)[12], rightNo);
    return {{lastOf(entries), pageNo}, {lastOf(right), rightNo}};
  }
};

}  // namespace

void AppendLongKey(std::string& entry, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value) ^ 0x80000000u;
  entry += static_cast<char>(kKeyPresent);
  entry += static_cast<char>(v >> 24);
  entry += static_cast<char>(v >> 16);
  entry += static_cast<char>(v >> 8);
  entry += static_cast<char>(v);
}

bool AppendTextKey(std::string& entry, std::u16string_view text) {
  std::string key(1, static_cast<char>(kKeyPresent));
  for (char16_t c : text) {
    if (c >= u'a' && c <= u'z') {
      key += static_cast<char>(kLetterCodes[c - u'a']);
    } else if (c >= u'A' && c <= u'Z') {
      key += static_cast<char>(kLetterCodes[c - u'A']);
    } else if (c >= u'0' && c <= u'9') {
      key += static_cast<char>(kFirstDigitCode + 2 * (c - u'0'));
    } else if (c == u'_') {
      key += "\x2B\x03";
    } else if (c == u' ') {
      key += '\x07';
    } else {
      return false;
    }
  }
  key += '\x01';
  key += '\x00';
  entry += key;
  return true;
}

std::optional<std::string> RowIndexKey(const TableInfo& table, const RealIndexInfo& index,
                                       std::span<const Cell> cells) {
  std::string key;
  for (auto [number, order] : index.columns) {
    const ColumnInfo* column = nullptr;
    for (const auto& c : table.columns)
      if (c.number == number) column = &c;
    if (!column || number >= cells.size() || order != 1)
      throw JetError("The catalog has an index this writer cannot update.");
    const Cell& cell = cells[number];
    if (cell.null) {
      key += '\0';  // nulls sort first
      continue;
    }
    const uint8_t* b = reinterpret_cast<const uint8_t*>(cell.bytes.data());
    switch (column->type) {
      case ColumnType::Long: AppendLongKey(key, static_cast<int32_t>(Get32(b))); break;
      case ColumnType::Integer: {
        uint16_t v = static_cast<uint16_t>(Get16(b) ^ 0x8000u);
        key += static_cast<char>(kKeyPresent);
        key += static_cast<char>(v >> 8);
        key += static_cast<char>(v);
        break;
      }
      case ColumnType::Text:
        if (!AppendTextKey(key, DecodeText(cell.bytes))) return std::nullopt;
        break;
      default: throw JetError("The catalog has an index this writer cannot update.");
    }
  }
  return key;
}

void AppendRowPointer(std::string& entry, uint32_t page, int row) {
  entry += static_cast<char>(page >> 16);
  entry += static_cast<char>(page >> 8);
  entry += static_cast<char>(page);
  entry += static_cast<char>(row);
}

std::vector<std::string> ReadIndexPage(const Page& page) {
  std::vector<std::string> entries;
  size_t prefix = Get16(&page[24]);
  int start = 0;
  for (int bit = 1; bit < kIndexSpace + 1 && kIndexBitmapOffset + bit / 8 < kIndexEntriesOffset; ++bit) {
    if (!(page[kIndexBitmapOffset + bit / 8] >> (bit % 8) & 1)) continue;
    std::string e(reinterpret_cast<const char*>(page.data()) + kIndexEntriesOffset + start,
                  static_cast<size_t>(bit - start));
    if (!entries.empty() && prefix > 0) e = entries.front().substr(0, prefix) + e;
    entries.push_back(std::move(e));
    start = bit;
  }
  return entries;
}

std::vector<std::string> ReadIndexEntries(const PageFile& file, uint32_t root) {
  // Down the first children to the leftmost leaf, then along the leaves.
  uint32_t pageNo = root;
  for (int depth = 0; file.At(pageNo)[0] == kIndexNodePage; ++depth) {
    std::vector<std::string> entries = ReadIndexPage(file.At(pageNo));
    if (entries.empty() || depth > kMaxDepth) throw JetError("The database is damaged: an index node is empty.");
    pageNo = ChildOf(entries.front());
  }
  std::vector<std::string> all;
  for (int pages = 0; pageNo != 0; ++pages) {
    const Page& p = file.At(pageNo);
    if (p[0] != kIndexLeafPage || pages > static_cast<int>(file.PageCount()))
      throw JetError("The database is damaged: an index leaf is missing.");
    std::vector<std::string> entries = ReadIndexPage(p);
    all.insert(all.end(), entries.begin(), entries.end());
    pageNo = Get32(&p[16]);
  }
  return all;
}

void WriteIndexPage(Page& page, PageType type, uint32_t tdefPage, const std::vector<std::string>& entries,
                    uint32_t prev, uint32_t next) {
  size_t total = TotalSize(entries);
  if (total > static_cast<size_t>(kIndexSpace)) throw std::logic_error("index entries do not fit a page");
  page.fill(0);
  page[0] = type;
  page[1] = 0x01;
  Put16(&page[2], static_cast<uint16_t>(kIndexSpace - total));
  Put32(&page[4], tdefPage);
  Put32(&page[12], prev);
  Put32(&page[16], next);
  size_t pos = 0;
  for (const auto& e : entries) {
    std::memcpy(&page[kIndexEntriesOffset + pos], e.data(), e.size());
    pos += e.size();
    page[kIndexBitmapOffset + pos / 8] |= static_cast<uint8_t>(1u << (pos % 8));
  }
}

bool InsertIndexEntry(PageFile& file, const TableInfo& table, const RealIndexInfo& index, const std::string& entry) {
  Tree tree{file, table, index};
  Replacement r = tree.Insert(index.rootPage, entry, 0);
  if (r.size() < 2) return tree.newKey;
  // The root split: its left half moves to a new page and the root becomes a
  // node over both halves.
  uint32_t left = file.Allocate();
  AddToUsageMap(file, index.usageMap, {left});
  file.At(left) = file.At(index.rootPage);
  Put32(&file.At(left)[12], 0);
  Put32(&file.At(r[1].second)[12], left);
  WriteIndexPage(file.At(index.rootPage), kIndexNodePage, table.page,
                 {WithChild(r[0].first, left), WithChild(r[1].first, r[1].second)}, 0, 0);
  return tree.newKey;
}

}  // namespace orbisk::jet
