#include "data/jet/JetWriter.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "data/jet/JetCatalog.h"
#include "data/jet/JetEmptyDatabase.h"
#include "data/jet/JetPageFile.h"
#include "data/jet/JetRow.h"
#include "data/jet/JetTableDef.h"
#include "data/jet/JetText.h"
#include "data/jet/JetUsageMap.h"
#include "data/jet/JetValue.h"

namespace orbisk::jet {

namespace {

// Long values (Memo, OLE): a 12-byte header in the row (length, flag, row
// pointer, 4 unused bytes), the data inline up to 64 bytes, in one long-value
// row up to 4,076 bytes, and beyond that in a chain of rows that each start with
// the pointer to the next one.
constexpr size_t kLongValueHeader = 12;
constexpr size_t kInlineLimit = 64;
constexpr size_t kSingleRowLimit = 4076;
constexpr size_t kChainChunk = 4072;
constexpr size_t kLongValueMax = 0xFFFFFF;
constexpr uint8_t kLongValueInline = 0x80;
constexpr uint8_t kLongValueSingle = 0x40;
constexpr uint8_t kLongValueChain = 0x00;
constexpr int kMaxColumns = 255;
constexpr size_t kMaxColumnName = 64;

bool IsLongValue(ColumnType t) { return t == ColumnType::Memo || t == ColumnType::Ole; }

uint16_t FixedLength(const ColumnDef& c) {
  switch (c.type) {
    case ColumnType::Bit:
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long:
    case ColumnType::Single: return 4;
    case ColumnType::Money:
    case ColumnType::Double:
    case ColumnType::DateTime: return 8;
    case ColumnType::Text: return c.fixedLength ? static_cast<uint16_t>(2 * c.size) : 0;
    default: return 0;
  }
}

void ValidateColumns(const TableDef& def) {
  if (def.columns.empty()) throw JetError("Table '" + def.name + "' needs at least one column.");
  if (def.columns.size() > static_cast<size_t>(kMaxColumns))
    throw JetError("Too many fields defined: a table has at most 255 columns.");
  std::vector<std::u16string> names;
  for (const ColumnDef& c : def.columns) {
    std::u16string name = Utf8ToUtf16(c.name);
    bool valid = !name.empty() && name.size() <= kMaxColumnName && name.front() != u' ';
    for (char16_t ch : name) valid = valid && ch >= 0x20 && std::u16string_view(u".!`[]").find(ch) == std::u16string_view::npos;
    if (!valid) throw JetError("'" + c.name + "' is not a valid field name.");
    for (const auto& other : names)
      if (SameName(other, name)) throw JetError("Field '" + c.name + "' already exists in table '" + def.name + "'.");
    names.push_back(name);
    bool sized = c.type == ColumnType::Text || c.type == ColumnType::Binary;
    if (sized && (c.size < 1 || c.size > 255)) throw JetError("Size of field '" + c.name + "' is too long.");
    if (c.autoNumber && c.type != ColumnType::Long)
      throw JetError("Field '" + c.name + "': only a Long Integer column can be an auto-number.");
    if (c.fixedLength && c.type != ColumnType::Text)
      throw JetError("Field '" + c.name + "': only a Text column can have a fixed length.");
    if (static_cast<uint8_t>(c.type) < 0x01 || static_cast<uint8_t>(c.type) > 0x0C)
      throw JetError("Field '" + c.name + "' has a type this writer does not support.");
  }
}

ColumnInfo ColumnOf(const ColumnDef& c) {
  ColumnInfo ci;
  ci.name = Utf8ToUtf16(c.name);
  ci.type = c.type;
  ci.length = FixedLength(c);
  bool fixed = ci.length > 0;
  if (c.type == ColumnType::Text && !fixed) ci.length = static_cast<uint16_t>(2 * c.size);
  if (c.type == ColumnType::Binary) ci.length = static_cast<uint16_t>(c.size);
  ci.flags = static_cast<uint8_t>(kColumnUpdatable | (fixed ? kColumnFixed : 0) | (c.autoNumber ? kColumnAutoNumber : 0));
  bool text = (c.type == ColumnType::Text && !fixed) || c.type == ColumnType::Memo;
  ci.flags2 = text && c.compressedUnicode ? kColumnCompressedUnicode : 0;
  return ci;
}

// Rows for usage maps on new pages (as many pages as they need).
std::vector<uint32_t> NewUsageMaps(PageFile& file, int count) {
  std::vector<uint32_t> rows;
  uint32_t page = 0;
  for (int i = 0; i < count; ++i) {
    int r = page == 0 ? -1 : AddRowToPage(file.At(page), EmptyUsageMapRow());
    if (r < 0) {
      page = file.Allocate();
      InitDataPage(file.At(page), 0);
      r = AddRowToPage(file.At(page), EmptyUsageMapRow());
    }
    rows.push_back(RowPointer(page, r));
  }
  return rows;
}

struct NewTable {
  TableDef def;
  TableInfo info;
  RowLayout layout;
  RowSink data;
  std::vector<RowSink> longValues;  // by long-value column, in column order
  std::vector<int> longValueOf;     // column number -> index in longValues, or -1
  int32_t autoNumber = 0;
  // Reused for every row.
  std::vector<std::string> stored;
  std::vector<std::string> headers;
  std::vector<Cell> cells;
  std::string row;

  explicit NewTable(uint32_t page) : data(page) {}
};

void PutLongValueHeader(std::string& header, size_t length, uint8_t flag, uint32_t pointer) {
  header.assign(kLongValueHeader, '\0');
  Put24(Bytes(header), static_cast<uint32_t>(length));
  header[3] = static_cast<char>(flag);
  Put32(Bytes(header) + 4, pointer);
}

// Stores a long value outside the row; returns its flag and pointer.
std::pair<uint8_t, uint32_t> StoreLongValue(PageFile& file, RowSink& sink, const std::string& data) {
  if (data.size() <= kSingleRowLimit) return {kLongValueSingle, sink.Put(file, data)};
  // The last piece first, so that every piece can point to the next.
  size_t pieces = (data.size() + kChainChunk - 1) / kChainChunk;
  uint32_t next = 0;
  std::string chunk;
  for (size_t k = pieces; k-- > 0;) {
    chunk.assign(4, '\0');
    Put32(Bytes(chunk), next);
    chunk.append(data, k * kChainChunk, kChainChunk);
    next = sink.Put(file, chunk);
  }
  return {kLongValueChain, next};
}

}  // namespace

struct JetWriter::Impl {
  std::string path;
  PageFile file;
  Catalog catalog;
  std::vector<std::unique_ptr<NewTable>> tables;
  std::optional<double> created;  // a fixed time stamp, or the current time

  double Now() const { return created ? *created : CurrentOleDate(); }

  NewTable& TableAt(int table) {
    if (table < 0 || table >= static_cast<int>(tables.size())) throw JetError("No such table in this writer.");
    return *tables[table];
  }
};

void JetWriter::CreateDatabase(const std::string& path) { JetWriter(path, Mode::CreateNew).Commit(); }

JetWriter::JetWriter(std::string path, Mode mode) : JetWriter(std::move(path), mode, std::nullopt) {}

JetWriter::JetWriter(std::string path, Mode mode, double created)
    : JetWriter(std::move(path), mode, std::optional<double>(created)) {}

JetWriter::JetWriter(std::string path, Mode mode, std::optional<double> created) : impl_(std::make_unique<Impl>()) {
  impl_->path = std::move(path);
  impl_->created = created;
  impl_->file = mode == Mode::CreateNew ? BuildEmptyDatabase(impl_->Now()) : PageFile::Load(impl_->path);
  impl_->catalog = Catalog::Load(impl_->file);
}

JetWriter::~JetWriter() = default;
JetWriter::JetWriter(JetWriter&&) noexcept = default;
JetWriter& JetWriter::operator=(JetWriter&&) noexcept = default;

const std::string& JetWriter::Path() const { return impl_->path; }

bool JetWriter::HasTable(std::string_view name) const { return impl_->catalog.HasTable(Utf8ToUtf16(name)); }

int JetWriter::CreateTable(const TableDef& def) {
  Impl& m = *impl_;
  std::u16string name = Utf8ToUtf16(def.name);
  m.catalog.CheckNewTable(name);
  ValidateColumns(def);

  std::vector<ColumnInfo> columns;
  for (const ColumnDef& c : def.columns) columns.push_back(ColumnOf(c));
  LayOutColumns(columns);
  RowLayout layout = MakeRowLayout(columns);
  if (2 + layout.fixedSize + 2 * layout.varCount + 6 + (layout.columnCount + 7) / 8 > kMaxRowSize)
    throw JetError("Record is too large: the fixed-length columns of table '" + def.name + "' do not fit a page.");

  TableInfo info;
  info.tableType = 0x4E;
  info.maxColumns = static_cast<uint16_t>(columns.size());
  info.columns = columns;
  for (const auto& c : columns)
    if (IsLongValue(c.type)) info.longValues.push_back({c.number, 0, 0});
  // The definition first, then the page of its usage maps, as Access lays them out.
  int tdefPages = TdefPageCount(BuildTableDefinition(info).size());
  for (int i = 0; i < tdefPages; ++i) info.chain.push_back(m.file.Allocate());
  info.page = info.chain.front();
  std::vector<uint32_t> maps = NewUsageMaps(m.file, 2 + 2 * static_cast<int>(info.longValues.size()));
  info.ownedMap = maps[0];
  info.freeMap = maps[1];
  for (size_t k = 0; k < info.longValues.size(); ++k) {
    info.longValues[k].owned = maps[2 + 2 * k];
    info.longValues[k].free = maps[3 + 2 * k];
  }
  WriteTableDefinition(m.file, info.chain, BuildTableDefinition(info));
  m.catalog.AddTable(m.file, static_cast<int32_t>(info.page), name, m.Now());

  auto t = std::make_unique<NewTable>(info.page);
  t->def = def;
  t->info = std::move(info);
  t->layout = std::move(layout);
  t->longValueOf.assign(t->layout.columnCount, -1);
  for (const auto& lv : t->info.longValues) {
    t->longValueOf[lv.column] = static_cast<int>(t->longValues.size());
    t->longValues.emplace_back(kLvalOwner);
  }
  t->stored.resize(def.columns.size());
  t->headers.resize(def.columns.size());
  t->cells.resize(t->layout.columnCount);
  m.tables.push_back(std::move(t));
  return static_cast<int>(m.tables.size() - 1);
}

const TableDef& JetWriter::Table(int table) const { return impl_->TableAt(table).def; }

long long JetWriter::RowCount(int table) const { return impl_->TableAt(table).info.rowCount; }

void JetWriter::AppendRow(int table, std::span<const Value> values) {
  Impl& m = *impl_;
  NewTable& t = m.TableAt(table);
  const size_t n = t.def.columns.size();
  if (values.size() != n)
    throw JetError("Table '" + t.def.name + "' has " + std::to_string(n) + " columns; the row gives " +
                   std::to_string(values.size()) + " values.");
  int32_t autoNumber = t.autoNumber;
  bool anyLong = false;
  for (size_t i = 0; i < n; ++i) {
    const ColumnDef& c = t.def.columns[i];
    Value counter;
    const Value* v = &values[i];
    if (c.autoNumber && v->IsNull()) {
      if (autoNumber == INT32_MAX) throw RowRefused("The auto-number of table '" + t.def.name + "' is exhausted.");
      counter = Value(static_cast<int64_t>(autoNumber + 1));
      v = &counter;
    }
    Cell& cell = t.cells[i];
    cell = Cell{};
    if (!EncodeValue(c, *v, t.stored[i])) {
      if (c.required) throw RowRefused("Column '" + c.name + "' cannot hold a null.");
      continue;
    }
    cell.null = false;
    if (c.type == ColumnType::Bit) {
      cell.bit = t.stored[i][0] == 1;
    } else if (IsLongValue(c.type)) {
      if (t.stored[i].size() > kLongValueMax) throw RowRefused("A value of column '" + c.name + "' is too long.");
      anyLong = true;
    } else {
      cell.bytes = t.stored[i];
    }
    if (c.autoNumber) autoNumber = std::max(autoNumber, static_cast<int32_t>(Get32(Bytes(t.stored[i]))));
  }
  // Short long values go into the row unless the row would not fit a page.
  auto placeLongValues = [&](bool allowInline) {
    for (size_t i = 0; i < n; ++i) {
      if (t.cells[i].null || !IsLongValue(t.def.columns[i].type)) continue;
      const std::string& data = t.stored[i];
      bool inlined = allowInline && data.size() <= kInlineLimit;
      PutLongValueHeader(t.headers[i], data.size(), inlined ? kLongValueInline : kLongValueChain, 0);
      if (inlined) t.headers[i] += data;
      t.cells[i].bytes = t.headers[i];
    }
  };
  if (anyLong) placeLongValues(true);
  int size = RowSize(t.layout, t.cells);
  if (size > kMaxRowSize && anyLong) {
    placeLongValues(false);
    size = RowSize(t.layout, t.cells);
  }
  if (size > kMaxRowSize)
    throw RowRefused("The row is too long for a page (" + std::to_string(size) + " bytes; at most " +
                     std::to_string(kMaxRowSize) + ").");
  // From here on the row is taken.
  for (size_t i = 0; anyLong && i < n; ++i) {
    if (t.cells[i].null || !IsLongValue(t.def.columns[i].type) ||
        static_cast<uint8_t>(t.headers[i][3]) == kLongValueInline)
      continue;
    auto [flag, pointer] = StoreLongValue(m.file, t.longValues[t.longValueOf[i]], t.stored[i]);
    t.headers[i][3] = static_cast<char>(flag);
    Put32(Bytes(t.headers[i]) + 4, pointer);
    t.cells[i].bytes = t.headers[i];
  }
  t.row.clear();
  EncodeRow(t.layout, t.cells, t.row);
  t.data.Put(m.file, t.row);
  ++t.info.rowCount;
  t.autoNumber = autoNumber;
}

void JetWriter::Commit() {
  Impl& m = *impl_;
  for (auto& tp : m.tables) {
    NewTable& t = *tp;
    t.info.autoNumber = static_cast<uint32_t>(t.autoNumber);
    WriteUsageMap(m.file, t.info.ownedMap, t.data.Pages());
    WriteUsageMap(m.file, t.info.freeMap, t.data.PagesWithRoom(m.file));
    for (size_t k = 0; k < t.longValues.size(); ++k) {
      WriteUsageMap(m.file, t.info.longValues[k].owned, t.longValues[k].Pages());
      WriteUsageMap(m.file, t.info.longValues[k].free, t.longValues[k].PagesWithRoom(m.file));
    }
    WriteTableDefinition(m.file, t.info.chain, BuildTableDefinition(t.info));
  }
  m.file.Save(m.path);
}

}  // namespace orbisk::jet
