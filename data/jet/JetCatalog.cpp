#include "data/jet/JetCatalog.h"

#include <algorithm>
#include <cstring>

#include "data/jet/JetIndex.h"
#include "data/jet/JetText.h"
#include "data/jet/JetUsageMap.h"

namespace orbisk::jet {

namespace {

constexpr uint32_t kMSysObjectsPage = 2;
constexpr int16_t kTableObject = 1;
constexpr uint32_t kFullRights = 1048575;
constexpr int kMaxNameLength = 64;

[[noreturn]] void Unreadable() { throw JetError("The database is damaged: its catalog cannot be read."); }

uint16_t NumberOf(const TableInfo& t, std::u16string_view name) {
  const ColumnInfo* c = t.FindColumn(name);
  if (!c) Unreadable();
  return c->number;
}

// Calls `visit` with the decoded values of every row of a table.
template <typename Visit>
void ForEachRow(const PageFile& file, const TableInfo& t, const RowLayout& layout, Visit visit) {
  for (uint32_t page : ReadUsageMap(file, t.ownedMap)) {
    if (page >= file.PageCount()) continue;
    const Page& p = file.At(page);
    if (p[0] != kDataPage || Get32(&p[4]) != t.page) continue;
    for (int r = 0; r < DataRowCount(p); ++r) {
      auto row = ReadRow(file, page, r);
      if (!row.empty()) visit(DecodeRow(layout, row));
    }
  }
}

int32_t AsLong(const std::optional<std::string>& v) {
  return v && v->size() >= 4 ? static_cast<int32_t>(Get32(Bytes(*v))) : 0;
}

std::string LittleEndian32(uint32_t v) {
  std::string s(4, '\0');
  Put32(Bytes(s), v);
  return s;
}

// Checks that every index key of a row can be made.
void CheckKeys(const TableInfo& t, std::span<const Cell> cells, std::u16string_view name) {
  for (const auto& idx : t.indexes)
    if (!RowIndexKey(t, idx, cells))
      throw JetError("Cannot add a table named '" + Utf16ToUtf8(name) +
                     "': table names may hold only letters, digits, '_' and blanks.");
}

}  // namespace

Catalog Catalog::Load(const PageFile& file) {
  Catalog c;
  c.msysObjects_ = ReadTableInfo(file, kMSysObjectsPage);
  c.objectsLayout_ = MakeRowLayout(c.msysObjects_.columns);
  const TableInfo& t = c.msysObjects_;
  uint16_t id = NumberOf(t, u"Id"), parent = NumberOf(t, u"ParentId"), name = NumberOf(t, u"Name"),
           type = NumberOf(t, u"Type"), owner = NumberOf(t, u"Owner");
  ForEachRow(file, t, c.objectsLayout_, [&](const std::vector<std::optional<std::string>>& v) {
    CatalogObject o;
    o.id = AsLong(v[id]);
    o.parentId = AsLong(v[parent]);
    o.type = v[type] && v[type]->size() >= 2 ? static_cast<int16_t>(Get16(Bytes(*v[type]))) : 0;
    if (v[name]) o.name = DecodeText(*v[name]);
    if (v[owner]) o.owner = *v[owner];
    c.objects_.push_back(std::move(o));
  });
  bool tables = false;
  int32_t acesId = 0;
  for (const auto& o : c.objects_) {
    if (o.parentId == kRootContainerId && o.name == u"Tables") c.tablesId_ = o.id, tables = true;
    if (o.name == u"MSysDb") c.ownerSid_ = o.owner;
  }
  if (!tables) Unreadable();
  for (const auto& o : c.objects_)
    if (o.parentId == c.tablesId_ && o.name == u"MSysACEs") acesId = o.id;
  if (acesId > 2 && static_cast<uint32_t>(acesId) < file.PageCount() && file.At(acesId)[0] == kTdefPage) {
    c.msysAces_ = ReadTableInfo(file, static_cast<uint32_t>(acesId));
    c.acesLayout_ = MakeRowLayout(c.msysAces_.columns);
    uint16_t object = NumberOf(c.msysAces_, u"ObjectId"), sid = NumberOf(c.msysAces_, u"SID");
    NumberOf(c.msysAces_, u"ACM");
    NumberOf(c.msysAces_, u"FInheritable");
    c.hasAces_ = true;
    ForEachRow(file, c.msysAces_, c.acesLayout_, [&](const std::vector<std::optional<std::string>>& v) {
      if (AsLong(v[object]) != c.tablesId_ || !v[sid]) return;
      if (std::find(c.tableSids_.begin(), c.tableSids_.end(), *v[sid]) == c.tableSids_.end())
        c.tableSids_.push_back(*v[sid]);
    });
  }
  return c;
}

bool Catalog::HasTable(std::u16string_view name) const {
  for (const auto& o : objects_)
    if (o.parentId == tablesId_ && SameName(o.name, name)) return true;
  return false;
}

void Catalog::CheckNewTable(std::u16string_view name) const {
  std::string shown = Utf16ToUtf8(name);
  if (name.empty() || name.front() == u' ') throw JetError("'" + shown + "' is not a valid table name.");
  if (HasTable(name)) throw JetError("Table '" + shown + "' already exists.");
  if (name.size() > static_cast<size_t>(kMaxNameLength))
    throw JetError("Cannot add a table named '" + shown + "': a table name has at most 64 characters.");
  std::string key;
  if (!AppendTextKey(key, name))
    throw JetError("Cannot add a table named '" + shown +
                   "': table names may hold only letters, digits, '_' and blanks.");
}

void Catalog::AddTable(PageFile& file, int32_t id, std::u16string_view name, double now) {
  CheckNewTable(name);
  const TableInfo& t = msysObjects_;
  std::vector<Cell> cells(objectsLayout_.columnCount);
  std::string idBytes = LittleEndian32(static_cast<uint32_t>(id));
  std::string parentBytes = LittleEndian32(static_cast<uint32_t>(tablesId_));
  const ColumnInfo* nameColumn = t.FindColumn(u"Name");
  std::string nameBytes = EncodeText(name, nameColumn->flags2 & kColumnCompressedUnicode);
  std::string typeBytes(2, '\0');
  Put16(Bytes(typeBytes), kTableObject);
  std::string dateBytes(8, '\0');
  std::memcpy(dateBytes.data(), &now, 8);
  std::string flagBytes = LittleEndian32(0);
  auto set = [&](const char16_t* column, const std::string& bytes) {
    cells[NumberOf(t, column)] = Cell{false, false, bytes};
  };
  set(u"Id", idBytes);
  set(u"ParentId", parentBytes);
  set(u"Name", nameBytes);
  set(u"Type", typeBytes);
  set(u"DateCreate", dateBytes);
  set(u"DateUpdate", dateBytes);
  set(u"Flags", flagBytes);
  if (!ownerSid_.empty()) set(u"Owner", ownerSid_);
  CheckKeys(t, cells, name);

  // Permissions: full rights for every security id of the Tables container.
  std::vector<std::vector<Cell>> aceRows;
  std::string rights = LittleEndian32(kFullRights);
  if (hasAces_) {
    for (const std::string& sid : tableSids_) {
      std::vector<Cell> ace(acesLayout_.columnCount);
      ace[NumberOf(msysAces_, u"ObjectId")] = Cell{false, false, idBytes};
      ace[NumberOf(msysAces_, u"SID")] = Cell{false, false, sid};
      ace[NumberOf(msysAces_, u"ACM")] = Cell{false, false, rights};
      ace[NumberOf(msysAces_, u"FInheritable")] = Cell{false, false, {}};
      CheckKeys(msysAces_, ace, name);
      aceRows.push_back(std::move(ace));
    }
  }

  InsertSystemRow(file, msysObjects_, objectsLayout_, cells);
  for (const auto& ace : aceRows) InsertSystemRow(file, msysAces_, acesLayout_, ace);
  objects_.push_back({id, tablesId_, kTableObject, std::u16string(name), ownerSid_});
}

uint32_t InsertSystemRow(PageFile& file, TableInfo& table, const RowLayout& layout, std::span<const Cell> cells) {
  std::string row;
  EncodeRow(layout, cells, row);
  if (row.size() > static_cast<size_t>(kMaxRowSize)) throw JetError("A catalog row is too long.");
  uint32_t pointer = 0;
  std::vector<uint32_t> owned = ReadUsageMap(file, table.ownedMap);
  for (auto it = owned.rbegin(); it != owned.rend() && pointer == 0; ++it) {
    if (*it >= file.PageCount()) continue;
    Page& p = file.At(*it);
    if (p[0] != kDataPage || Get32(&p[4]) != table.page) continue;
    int r = AddRowToPage(p, row);
    if (r >= 0) pointer = RowPointer(*it, r);
  }
  if (pointer == 0) {
    uint32_t page = file.Allocate();
    InitDataPage(file.At(page), table.page);
    pointer = RowPointer(page, AddRowToPage(file.At(page), row));
    AddToUsageMap(file, table.ownedMap, {page});
    AddToUsageMap(file, table.freeMap, {page});
  }
  for (size_t i = 0; i < table.indexes.size(); ++i) {
    RealIndexInfo& idx = table.indexes[i];
    std::string entry = RowIndexKey(table, idx, cells).value();
    AppendRowPointer(entry, pointer >> 8, static_cast<int>(pointer & 0xFF));
    if (InsertIndexEntry(file, table, idx, entry)) {
      ++idx.distinctKeys;
      SetTdef32(file, table, kTdefIndexHeaders + 12 * i + 4, idx.distinctKeys);
    }
  }
  ++table.rowCount;
  SetTdef32(file, table, kTdefRowCount, table.rowCount);
  return pointer;
}

}  // namespace orbisk::jet
