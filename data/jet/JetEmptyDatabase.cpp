#include "data/jet/JetEmptyDatabase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <set>

#include "data/jet/JetIndex.h"
#include "data/jet/JetRow.h"
#include "data/jet/JetTableDef.h"
#include "data/jet/JetText.h"
#include "data/jet/JetUsageMap.h"

namespace orbisk::jet {

namespace {

// Pages of the new file.
enum : uint32_t {
  kHeaderPage = 0,
  kGlobalMapPage = 1,
  kObjectsTdef = 2,
  kAcesTdef = 3,
  kQueriesTdef = 4,
  kRelationshipsTdef = 5,
  kMapsPage = 6,
  kFirstLeafPage = 7,
  kObjectsDataPage = 14,
  kAcesDataPage = 15,
  kPageCount = 16,
};

// The security ids Jet wrote into the empty database it created: the owner of
// the system objects, the owner of the database (MSysDb) and two further
// ids holding permissions.
const std::string kSystemOwner("\x65\x89", 2);
const std::string kDatabaseOwner("\x64\x8B", 2);
const std::string kSidA("\x65\x8E", 2);
const std::string kSidB("\x65\x8B", 2);

constexpr uint8_t kFixedFlags = 0x13;
constexpr uint8_t kVarFlags = 0x12;
constexpr uint8_t kSidFlags = 0x32;
constexpr int32_t kSystemObjectFlags = static_cast<int32_t>(0x80000000);

struct SysColumn {
  const char16_t* name;
  ColumnType type;
  uint16_t length;
  uint8_t flags;
};

struct SysIndex {
  std::vector<uint16_t> columns;
  std::array<uint8_t, 10> flags;
};

struct SysTable {
  uint32_t tdefPage;
  std::vector<SysColumn> columns;  // in column-number order
  std::vector<SysIndex> indexes;
  std::vector<LogicalIndexInfo> logical;
};

std::vector<SysTable> SystemTables() {
  const auto L = ColumnType::Long, T = ColumnType::Text, B = ColumnType::Binary, M = ColumnType::Memo,
             O = ColumnType::Ole;
  return {
      {kObjectsTdef,
       {{u"Id", L, 4, kFixedFlags},
        {u"ParentId", L, 4, kFixedFlags},
        {u"Name", T, 510, kVarFlags},
        {u"Type", ColumnType::Integer, 2, kFixedFlags},
        {u"DateCreate", ColumnType::DateTime, 8, kFixedFlags},
        {u"DateUpdate", ColumnType::DateTime, 8, kFixedFlags},
        {u"Owner", B, 510, kSidFlags},
        {u"Flags", L, 4, kFixedFlags},
        {u"Database", M, 0, kVarFlags},
        {u"Connect", M, 0, kVarFlags},
        {u"ForeignName", T, 510, kVarFlags},
        {u"RmtInfoShort", B, 510, kVarFlags},
        {u"RmtInfoLong", O, 0, kVarFlags},
        {u"Lv", O, 0, kVarFlags},
        {u"LvProp", O, 0, kVarFlags},
        {u"LvModule", O, 0, kVarFlags},
        {u"LvExtra", O, 0, kVarFlags}},
       {{{1, 2}, {0x00, 0, 0, 0, 0x81}}, {{0}, {0x00, 0, 0, 0, 0x81}}},
       {{u"Id", 1, 1, 1}, {u"ParentIdName", 0, 0, 0}}},
      {kAcesTdef,
       {{u"ObjectId", L, 4, kFixedFlags},
        {u"SID", B, 510, kSidFlags},
        {u"ACM", L, 4, kFixedFlags},
        {u"FInheritable", ColumnType::Bit, 1, kFixedFlags}},
       {{{0}, {0x41, 0, 0x74, 0, 0x88}}},
       {{u"ObjectId", 0, 0, 0}}},
      {kQueriesTdef,
       {{u"ObjectId", L, 4, kFixedFlags},
        {u"Attribute", ColumnType::Byte, 1, kFixedFlags},
        {u"Order", B, 510, kVarFlags},
        {u"Name1", T, 510, kVarFlags},
        {u"Name2", T, 510, kVarFlags},
        {u"Expression", M, 0, kVarFlags},
        {u"Flag", ColumnType::Integer, 2, kFixedFlags},
        {u"LvExtra", L, 4, kFixedFlags}},
       {{{0, 1, 2}, {0x65, 0, 0x64, 0, 0x81}}},
       {{u"ObjectIdAttribute", 0, 0, 1}}},
      {kRelationshipsTdef,
       {{u"szRelationship", T, 510, kVarFlags},
        {u"grbit", L, 4, kFixedFlags},
        {u"ccolumn", L, 4, kFixedFlags},
        {u"icolumn", L, 4, kFixedFlags},
        {u"szObject", T, 510, kVarFlags},
        {u"szColumn", T, 510, kVarFlags},
        {u"szReferencedObject", T, 510, kVarFlags},
        {u"szReferencedColumn", T, 510, kVarFlags}},
       {{{0}, {0x00, 0, 0, 0, 0x82}}, {{4}, {0x00, 0, 0, 0, 0x82}}, {{6}, {0x00, 0, 0, 0, 0x82}}},
       {{u"szObject", 1, 1, 0}, {u"szReferencedObject", 2, 2, 0}, {u"szRelationship", 0, 0, 0}}},
  };
}

bool NameBefore(const std::u16string& a, const std::u16string& b) {
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

// One row of a system table as values by column name.
struct RowValues {
  std::vector<std::pair<const char16_t*, std::string>> values;
  std::vector<const char16_t*> trueBits;
};

std::string Le32(int32_t v) {
  std::string s(4, '\0');
  Put32(Bytes(s), static_cast<uint32_t>(v));
  return s;
}
std::string Le16(int16_t v) {
  std::string s(2, '\0');
  Put16(Bytes(s), static_cast<uint16_t>(v));
  return s;
}

RowValues ObjectRow(int32_t id, int32_t parent, const char16_t* name, int16_t type, const std::string& owner,
                    const std::string& date) {
  return {{{u"Id", Le32(id)},
           {u"ParentId", Le32(parent)},
           {u"Name", EncodeText(name, false)},
           {u"Type", Le16(type)},
           {u"DateCreate", date},
           {u"DateUpdate", date},
           {u"Owner", owner},
           {u"Flags", Le32(kSystemObjectFlags)}},
          {}};
}

RowValues AceRow(int32_t object, const std::string& sid, int32_t rights, bool inheritable) {
  RowValues r{{{u"ObjectId", Le32(object)}, {u"SID", sid}, {u"ACM", Le32(rights)}}, {}};
  if (inheritable) r.trueBits.push_back(u"FInheritable");
  return r;
}

std::vector<RowValues> ObjectRows(const std::string& date) {
  return {ObjectRow(kTablesContainerId, kRootContainerId, u"Tables", 3, kSystemOwner, date),
          ObjectRow(kDatabasesContainerId, kRootContainerId, u"Databases", 3, kSystemOwner, date),
          ObjectRow(kRelationshipsContainerId, kRootContainerId, u"Relationships", 3, kSystemOwner, date),
          ObjectRow(kMSysDbId, kDatabasesContainerId, u"MSysDb", 2, kDatabaseOwner, date),
          ObjectRow(kObjectsTdef, kTablesContainerId, u"MSysObjects", 1, kSystemOwner, date),
          ObjectRow(kAcesTdef, kTablesContainerId, u"MSysACEs", 1, kSystemOwner, date),
          ObjectRow(kQueriesTdef, kTablesContainerId, u"MSysQueries", 1, kSystemOwner, date),
          ObjectRow(kRelationshipsTdef, kTablesContainerId, u"MSysRelationships", 1, kSystemOwner, date)};
}

std::vector<RowValues> AceRows() {
  return {AceRow(kObjectsTdef, kDatabaseOwner, 393216, false),
          AceRow(kAcesTdef, kDatabaseOwner, 393216, false),
          AceRow(kQueriesTdef, kDatabaseOwner, 393216, false),
          AceRow(kRelationshipsTdef, kDatabaseOwner, 917504, false),
          AceRow(kTablesContainerId, kSidA, 983294, true),
          AceRow(kTablesContainerId, kDatabaseOwner, 393217, false),
          AceRow(kRelationshipsContainerId, kSidA, 983294, true),
          AceRow(kRelationshipsContainerId, kDatabaseOwner, 393217, false),
          AceRow(kDatabasesContainerId, kDatabaseOwner, 393216, false),
          AceRow(kMSysDbId, kDatabaseOwner, 393230, false),
          AceRow(kMSysDbId, kSidB, 14, false),
          AceRow(kQueriesTdef, kSidB, 20, false),
          AceRow(kRelationshipsTdef, kSidB, 20, false),
          AceRow(kObjectsTdef, kSidB, 20, false),
          AceRow(kTablesContainerId, kSidB, 1048319, true),
          AceRow(kRelationshipsContainerId, kSidB, 1048575, true)};
}

std::vector<Cell> CellsOf(const TableInfo& t, const RowLayout& layout, const RowValues& row) {
  std::vector<Cell> cells(layout.columnCount);
  for (const auto& [name, bytes] : row.values) cells[t.FindColumn(name)->number] = Cell{false, false, bytes};
  for (const char16_t* name : row.trueBits) cells[t.FindColumn(name)->number] = Cell{false, true, {}};
  for (const auto& c : t.columns)
    if (c.type == ColumnType::Bit && cells[c.number].null) cells[c.number] = Cell{false, false, {}};
  return cells;
}

void WriteHeader(Page& page, double now) {
  page.fill(0);
  static const uint8_t kStart[0x18] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd',
                                       ' ',  'J',  'e',  't',  ' ', 'D', 'B', 0x00, 0x01, 0x00, 0x00, 0x00};
  std::memcpy(page.data(), kStart, sizeof kStart);
  // The masked block, as Jet writes it for an unprotected database.
  static const uint8_t kBlock[0x18] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                       0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
  std::memcpy(&page[0x18], kBlock, sizeof kBlock);
  Put16(&page[0x3C], 1252);  // code page
  Put32(&page[0x3E], 0);     // database key: not encrypted
  // An empty password is stored as the whole days of the creation date.
  auto days = static_cast<uint32_t>(static_cast<int32_t>(std::floor(now)));
  for (int i = 0; i < 10; ++i) Put32(&page[0x42 + 4 * i], days);
  static const uint8_t kUnknown[4] = {0x1C, 0x26, 0x00, 0x00};
  std::memcpy(&page[0x6A], kUnknown, 4);
  Put32(&page[0x6E], 0x0409);  // "General" sort order
  std::memcpy(&page[0x72], &now, 8);
  MaskHeader(page);
  static const uint8_t kVersion[8] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
  std::memcpy(&page[0x98], kVersion, sizeof kVersion);
  page[0xE00] = 0x01;
  for (int i = 0xE01; i < kPageSize; i += 2) page[i] = 0x01;
}

}  // namespace

double CurrentOleDate() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return static_cast<double>(timegm(&local)) / 86400.0 + 25569.0;
}

PageFile BuildEmptyDatabase(double now) {
  PageFile file;
  for (uint32_t i = 0; i < kPageCount; ++i) file.Append();
  WriteHeader(file.At(kHeaderPage), now);
  std::string date(8, '\0');
  std::memcpy(date.data(), &now, 8);

  InitDataPage(file.At(kMapsPage), 0);
  InitDataPage(file.At(kObjectsDataPage), kObjectsTdef);
  InitDataPage(file.At(kAcesDataPage), kAcesTdef);
  int mapRows = 0;
  auto newMap = [&] {
    AddRowToPage(file.At(kMapsPage), EmptyUsageMapRow());
    return RowPointer(kMapsPage, mapRows++);
  };
  uint32_t leaf = kFirstLeafPage;
  for (const SysTable& sys : SystemTables()) {
    TableInfo t;
    t.page = sys.tdefPage;
    t.chain = {sys.tdefPage};
    t.tableType = 0x53;
    t.maxColumns = static_cast<uint16_t>(sys.columns.size());
    for (const SysColumn& c : sys.columns) {
      ColumnInfo ci;
      ci.name = c.name;
      ci.type = c.type;
      ci.length = c.length;
      ci.flags = c.flags;
      t.columns.push_back(ci);
    }
    LayOutColumns(t.columns);
    for (auto& c : t.columns) c.index = 0;  // Jet leaves it at 0 in its system tables
    t.ownedMap = newMap();
    t.freeMap = newMap();
    for (const auto& c : t.columns)
      if (c.type == ColumnType::Memo || c.type == ColumnType::Ole) t.longValues.push_back({c.number, newMap(), newMap()});
    for (const SysIndex& si : sys.indexes) {
      RealIndexInfo idx;
      for (uint16_t col : si.columns) idx.columns.emplace_back(col, 1);
      idx.usageMap = newMap();
      idx.rootPage = leaf++;
      idx.flags = si.flags;
      t.indexes.push_back(idx);
    }
    t.logicalIndexes = sys.logical;

    // Rows, index leaves and usage maps.
    RowLayout layout = MakeRowLayout(t.columns);
    std::vector<RowValues> rows;
    uint32_t dataPage = 0;
    if (sys.tdefPage == kObjectsTdef) rows = ObjectRows(date), dataPage = kObjectsDataPage;
    if (sys.tdefPage == kAcesTdef) rows = AceRows(), dataPage = kAcesDataPage;
    std::vector<std::vector<std::string>> entries(t.indexes.size());
    for (const RowValues& values : rows) {
      std::vector<Cell> cells = CellsOf(t, layout, values);
      std::string row;
      EncodeRow(layout, cells, row);
      int r = AddRowToPage(file.At(dataPage), row);
      for (size_t i = 0; i < t.indexes.size(); ++i) {
        std::string e = RowIndexKey(t, t.indexes[i], cells).value();
        AppendRowPointer(e, dataPage, r);
        entries[i].push_back(std::move(e));
      }
    }
    t.rowCount = static_cast<uint32_t>(rows.size());
    for (size_t i = 0; i < t.indexes.size(); ++i) {
      std::sort(entries[i].begin(), entries[i].end());
      std::set<std::string> keys;
      for (const auto& e : entries[i]) keys.insert(e.substr(0, e.size() - 4));
      t.indexes[i].distinctKeys = static_cast<uint32_t>(keys.size());
      WriteIndexPage(file.At(t.indexes[i].rootPage), kIndexLeafPage, t.page, entries[i], 0, 0);
      WriteUsageMap(file, t.indexes[i].usageMap, {t.indexes[i].rootPage});
    }
    if (dataPage != 0) {
      WriteUsageMap(file, t.ownedMap, {dataPage});
      WriteUsageMap(file, t.freeMap, {dataPage});
    }

    // Jet stores the columns and long-value maps of its system tables by name.
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnInfo& a, const ColumnInfo& b) { return NameBefore(a.name, b.name); });
    std::vector<LongValueMaps> byName;
    for (const auto& c : t.columns)
      for (const auto& lv : t.longValues)
        if (lv.column == c.number) byName.push_back(lv);
    t.longValues = byName;
    WriteTableDefinition(file, t.chain, BuildTableDefinition(t));
  }

  // The global usage map: pages from the end of the file on are free.
  Page& global = file.At(kGlobalMapPage);
  InitDataPage(global, kGlobalMapPage);
  std::string freePages = EmptyUsageMapRow();
  for (uint32_t p = kPageCount; p < (freePages.size() - 5) * 8; ++p)
    freePages[5 + p / 8] = static_cast<char>(freePages[5 + p / 8] | 1 << (p % 8));
  AddRowToPage(global, freePages);
  AddRowToPage(global, EmptyUsageMapRow());
  return file;
}

}  // namespace orbisk::jet
