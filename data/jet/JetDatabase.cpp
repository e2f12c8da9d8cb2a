#include "data/jet/JetDatabase.h"

#include <sys/stat.h>

#include "data/ExportTarget.h"
#include "data/jet/JetDdl.h"
#include "data/jet/JetText.h"

namespace orbisk::jet {

namespace {

JetWriter OpenOrCreate(const std::string& path) {
  CheckExportTarget(path);  // never the directory, a read-only file, a folder or a FIFO
  struct stat st;
  bool exists = ::stat(path.c_str(), &st) == 0;
  return JetWriter(path, exists ? JetWriter::Mode::OpenExisting : JetWriter::Mode::CreateNew);
}

}  // namespace

JetDatabase::JetDatabase(const std::string& path) : writer_(OpenOrCreate(path)) {}

JetDatabase::~JetDatabase() = default;

void JetDatabase::Execute(std::string_view statement) {
  TableDef def = ParseCreateTable(statement);
  created_.emplace_back(def.name, writer_.CreateTable(def));
}

std::unique_ptr<JetRowSet> JetDatabase::OpenRowSet(std::string_view statement) {
  std::u16string name = Utf8ToUtf16(ParseSelectAll(statement));
  for (const auto& [created, table] : created_)
    if (SameName(Utf8ToUtf16(created), name)) return std::make_unique<JetRowSet>(writer_, table);
  if (writer_.HasTable(Utf16ToUtf8(name)))
    throw JetError("Table '" + Utf16ToUtf8(name) + "' was not created on this connection and cannot be appended to.");
  throw JetError("The Microsoft Jet database engine cannot find the input table or query '" + Utf16ToUtf8(name) +
                 "'.");
}

void JetDatabase::Commit() { writer_.Commit(); }

JetRowSet::JetRowSet(JetWriter& writer, int table)
    : writer_(&writer), table_(table), columns_(writer.Table(table).columns) {}

void JetRowSet::Append() {
  if (!open_) throw JetError("Operation is not allowed when the object is closed.");
  pending_.assign(columns_.size(), Value());
  appending_ = true;
}

void JetRowSet::SetField(int i, Value v) {
  if (!appending_) throw JetError("Either BOF or EOF is True, or the current record has been deleted.");
  if (i < 0 || i >= FieldCount())
    throw JetError("Item cannot be found in the collection corresponding to the requested name or ordinal.");
  pending_[static_cast<size_t>(i)] = std::move(v);
}

bool JetRowSet::Post() {
  if (!appending_) return false;
  appending_ = false;
  try {
    writer_->AppendRow(table_, pending_);
    reason_.clear();
    return true;
  } catch (const RowRefused& e) {
    reason_ = e.what();
    return false;
  }
}

void JetRowSet::Cancel() { appending_ = false; }

void JetRowSet::Close() {
  appending_ = false;
  open_ = false;
}

}  // namespace orbisk::jet
