#include "data/jet/JetTableDef.h"

#include <cstring>

#include "data/jet/JetText.h"

namespace orbisk::jet {

namespace {

constexpr size_t kHeaderSize = 63;
constexpr size_t kIndexHeaderSize = 12;
constexpr size_t kColumnSize = 25;
constexpr size_t kRealIndexSize = 52;
constexpr size_t kLogicalIndexSize = 28;
constexpr int kIndexColumnSlots = 10;
constexpr uint32_t kRealIndexMagic = 0x783;  // what Jet writes before every physical index
constexpr uint16_t kSortGeneral = 0x0409;
constexpr size_t kContinuationData = kPageSize - 8;
constexpr int kMaxTdefPages = 64;

[[noreturn]] void Damaged(uint32_t page) {
  throw JetError("The database is damaged: the table definition on page " + std::to_string(page) +
                 " cannot be read.");
}

// Maps a logical offset of a definition to a page of its chain and an offset in it.
std::pair<uint32_t, size_t> Locate(const TableInfo& t, size_t offset) {
  if (offset < kPageSize) return {t.chain.at(0), offset};
  size_t rest = offset - kPageSize;
  size_t index = 1 + rest / kContinuationData;
  if (index >= t.chain.size()) Damaged(t.page);
  return {t.chain[index], 8 + rest % kContinuationData};
}

class Reader {
 public:
  Reader(const std::string& bytes, uint32_t page) : b_(bytes), page_(page) {}
  void Need(size_t pos, size_t n) const {
    if (pos + n > b_.size()) Damaged(page_);
  }
  uint8_t U8(size_t pos) const { return Need(pos, 1), static_cast<uint8_t>(b_[pos]); }
  uint16_t U16(size_t pos) const { return Need(pos, 2), Get16(Bytes(b_) + pos); }
  uint32_t U32(size_t pos) const { return Need(pos, 4), Get32(Bytes(b_) + pos); }
  std::u16string Name(size_t& pos) const {
    uint16_t len = U16(pos);
    Need(pos + 2, len);
    std::u16string name = DecodeText(std::string_view(b_).substr(pos + 2, len));
    pos += 2 + len;
    return name;
  }

 private:
  const std::string& b_;
  uint32_t page_;
};

}  // namespace

const ColumnInfo* TableInfo::FindColumn(std::u16string_view name) const {
  for (const auto& c : columns)
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

int TableInfo::VarColumnCount() const {
  int n = 0;
  for (const auto& c : columns)
    if (!c.Fixed()) ++n;
  return n;
}

TableInfo ReadTableInfo(const PageFile& file, uint32_t page) {
  TableInfo t;
  t.page = page;
  std::string bytes;
  for (uint32_t p = page; p != 0;) {
    if (static_cast<int>(t.chain.size()) >= kMaxTdefPages || p >= file.PageCount()) Damaged(page);
    const Page& pg = file.At(p);
    if (pg[0] != kTdefPage) Damaged(page);
    t.chain.push_back(p);
    size_t from = t.chain.size() == 1 ? 0 : 8;
    bytes.append(reinterpret_cast<const char*>(pg.data()) + from, kPageSize - from);
    p = Get32(&pg[4]);
  }
  Reader r(bytes, page);
  size_t length = r.U32(8);
  if (length < kHeaderSize || length > bytes.size()) Damaged(page);
  bytes.resize(length);
  t.rowCount = r.U32(kTdefRowCount);
  t.autoNumber = r.U32(kTdefAutoNumber);
  t.tableType = r.U8(40);
  t.maxColumns = r.U16(41);
  uint16_t columnCount = r.U16(45);
  uint32_t logicalCount = r.U32(47);
  uint32_t realCount = r.U32(51);
  if (logicalCount > 1000 || realCount > 1000) Damaged(page);
  t.ownedMap = r.U32(55);
  t.freeMap = r.U32(59);

  size_t pos = kHeaderSize;
  t.indexes.resize(realCount);
  for (auto& idx : t.indexes) {
    idx.distinctKeys = r.U32(pos + 4);
    pos += kIndexHeaderSize;
  }
  t.columns.resize(columnCount);
  for (auto& c : t.columns) {
    r.Need(pos, kColumnSize);
    c.type = static_cast<ColumnType>(r.U8(pos));
    c.number = r.U16(pos + 5);
    c.varIndex = r.U16(pos + 7);
    c.index = r.U16(pos + 9);
    c.flags = r.U8(pos + 15);
    c.flags2 = r.U8(pos + 16);
    c.fixedOffset = r.U16(pos + 21);
    c.length = r.U16(pos + 23);
    pos += kColumnSize;
  }
  for (auto& c : t.columns) c.name = r.Name(pos);
  for (auto& idx : t.indexes) {
    r.Need(pos, kRealIndexSize);
    for (int k = 0; k < kIndexColumnSlots; ++k) {
      uint16_t col = r.U16(pos + 4 + 3 * k);
      if (col != 0xFFFF) idx.columns.emplace_back(col, r.U8(pos + 6 + 3 * k));
    }
    idx.usageMap = r.U32(pos + 34);
    idx.rootPage = r.U32(pos + 38);
    std::memcpy(idx.flags.data(), bytes.data() + pos + 42, idx.flags.size());
    pos += kRealIndexSize;
  }
  t.logicalIndexes.resize(logicalCount);
  for (auto& li : t.logicalIndexes) {
    r.Need(pos, kLogicalIndexSize);
    li.number = r.U32(pos + 4);
    li.realIndex = r.U32(pos + 8);
    li.type = r.U8(pos + 23);
    pos += kLogicalIndexSize;
  }
  for (auto& li : t.logicalIndexes) li.name = r.Name(pos);
  while (pos + 2 <= bytes.size() && r.U16(pos) != 0xFFFF) {
    LongValueMaps lv;
    lv.column = r.U16(pos);
    lv.owned = r.U32(pos + 2);
    lv.free = r.U32(pos + 6);
    t.longValues.push_back(lv);
    pos += 10;
  }
  return t;
}

uint32_t GetTdef32(const PageFile& file, const TableInfo& table, size_t offset) {
  auto [page, at] = Locate(table, offset);
  if (at + 4 > kPageSize) Damaged(table.page);  // fields never straddle pages in our use
  return Get32(&file.At(page)[at]);
}

void SetTdef32(PageFile& file, const TableInfo& table, size_t offset, uint32_t value) {
  auto [page, at] = Locate(table, offset);
  if (at + 4 > kPageSize) Damaged(table.page);
  Put32(&file.At(page)[at], value);
}

void LayOutColumns(std::vector<ColumnInfo>& columns) {
  uint16_t fixedOffset = 0;
  uint16_t varIndex = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    ColumnInfo& c = columns[i];
    c.number = static_cast<uint16_t>(i);
    c.index = static_cast<uint16_t>(i);
    if (c.Fixed()) {
      c.varIndex = varIndex;  // what Jet writes: the variable columns before it
      if (c.type == ColumnType::Bit) {
        c.fixedOffset = 0;
        c.length = 1;
      } else {
        c.fixedOffset = fixedOffset;
        fixedOffset = static_cast<uint16_t>(fixedOffset + c.length);
      }
    } else {
      c.varIndex = varIndex++;
      c.fixedOffset = 0;
    }
  }
}

std::string BuildTableDefinition(const TableInfo& t) {
  std::string s(kHeaderSize, '\0');
  uint8_t* h = Bytes(s);
  h[0] = kTdefPage;
  h[1] = 0x01;
  Put32(h + 12, kTdefMagic);
  Put32(h + kTdefRowCount, t.rowCount);
  Put32(h + kTdefAutoNumber, t.autoNumber);
  h[24] = 0x01;
  h[40] = t.tableType;
  Put16(h + 41, t.maxColumns);
  Put16(h + 43, static_cast<uint16_t>(t.VarColumnCount()));
  Put16(h + 45, static_cast<uint16_t>(t.columns.size()));
  Put32(h + 47, static_cast<uint32_t>(t.logicalIndexes.size()));
  Put32(h + 51, static_cast<uint32_t>(t.indexes.size()));
  Put32(h + 55, t.ownedMap);
  Put32(h + 59, t.freeMap);
  for (const auto& idx : t.indexes) {
    Append32(s, 0);
    Append32(s, idx.distinctKeys);
    Append32(s, 0);
  }
  for (const auto& c : t.columns) {
    size_t at = s.size();
    s.append(kColumnSize, '\0');
    uint8_t* p = Bytes(s) + at;
    p[0] = static_cast<uint8_t>(c.type);
    Put32(p + 1, kTdefMagic);
    Put16(p + 5, c.number);
    Put16(p + 7, c.varIndex);
    Put16(p + 9, c.index);
    Put16(p + 11, kSortGeneral);
    p[15] = c.flags;
    p[16] = c.flags2;
    Put16(p + 21, c.fixedOffset);
    Put16(p + 23, c.length);
  }
  auto appendName = [&](const std::u16string& name) {
    std::string stored = EncodeText(name, false);
    Append16(s, static_cast<uint16_t>(stored.size()));
    s += stored;
  };
  for (const auto& c : t.columns) appendName(c.name);
  for (const auto& idx : t.indexes) {
    size_t at = s.size();
    s.append(kRealIndexSize, '\0');
    uint8_t* p = Bytes(s) + at;
    Put32(p, kRealIndexMagic);
    for (int k = 0; k < kIndexColumnSlots; ++k) {
      bool used = k < static_cast<int>(idx.columns.size());
      Put16(p + 4 + 3 * k, used ? idx.columns[k].first : 0xFFFF);
      p[6 + 3 * k] = used ? idx.columns[k].second : 0;
    }
    Put32(p + 34, idx.usageMap);
    Put32(p + 38, idx.rootPage);
    std::memcpy(p + 42, idx.flags.data(), idx.flags.size());
  }
  for (const auto& li : t.logicalIndexes) {
    size_t at = s.size();
    s.append(kLogicalIndexSize, '\0');
    uint8_t* p = Bytes(s) + at;
    Put32(p, kTdefMagic);
    Put32(p + 4, li.number);
    Put32(p + 8, li.realIndex);
    Put32(p + 13, 0xFFFFFFFF);  // not a foreign key
    p[21] = 0x04;
    p[22] = 0x04;
    p[23] = li.type;
  }
  for (const auto& li : t.logicalIndexes) appendName(li.name);
  for (const auto& lv : t.longValues) {
    Append16(s, lv.column);
    Append32(s, lv.owned);
    Append32(s, lv.free);
  }
  Append16(s, 0xFFFF);
  Put32(Bytes(s) + 8, static_cast<uint32_t>(s.size()));
  return s;
}

int TdefPageCount(size_t bytes) {
  if (bytes <= kPageSize) return 1;
  return 1 + static_cast<int>((bytes - kPageSize + kContinuationData - 1) / kContinuationData);
}

void WriteTableDefinition(PageFile& file, const std::vector<uint32_t>& chain, const std::string& def) {
  if (static_cast<int>(chain.size()) != TdefPageCount(def.size()))
    throw std::logic_error("table definition pages do not match its length");
  size_t pos = 0;
  for (size_t i = 0; i < chain.size(); ++i) {
    Page& p = file.At(chain[i]);
    p.fill(0);
    size_t from = i == 0 ? 0 : 8;
    size_t n = std::min(def.size() - pos, kPageSize - from);
    std::memcpy(p.data() + from, def.data() + pos, n);
    pos += n;
    p[0] = kTdefPage;
    p[1] = 0x01;
    size_t used = from + n;
    Put16(&p[2], static_cast<uint16_t>(used + 8 > kPageSize ? 0 : kPageSize - used - 8));
    Put32(&p[4], i + 1 < chain.size() ? chain[i + 1] : 0);
  }
}

}  // namespace orbisk::jet
