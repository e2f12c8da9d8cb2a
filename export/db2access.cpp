#include "export/db2access.h"

#include <stdexcept>

#include "data/Query.h"
#include "data/jet/JetDatabase.h"

namespace orbisk {

namespace {

constexpr int kMaxVarChar = 255;

}  // namespace

std::string JetColumnType(TFieldType type, int size) {
  switch (type) {
    case ftString:
    case ftWideString: return size > kMaxVarChar ? "Text" : "VarChar(" + std::to_string(size) + ")";
    case ftFixedChar: return size > kMaxVarChar ? "Text" : "Char(" + std::to_string(size) + ")";
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: return "Int";
    case ftBoolean: return "Bit";
    case ftFloat:
    case ftBCD: return "Float";
    case ftCurrency: return "Money";
    case ftDate:
    case ftTime:
    case ftDateTime: return "Datetime";
    case ftMemo:
    case ftFmtMemo: return "Text";
    default: return "Image";
  }
}

std::string BuildCreateTableSQL(const Query& query, const std::string& tableName) {
  std::string sql = " CREATE TABLE " + tableName + " ( ";
  bool first = true;
  for (const Field& f : query.Fields()) {
    if (!first) sql += ",\r\n";
    first = false;
    sql += "[" + f.FieldName() + "] " + JetColumnType(f.DataType(), f.Size()) + " null";
  }
  sql += " )";
  return sql;
}

AccessExportResult CopyRows(Query& source, jet::JetRowSet& target, int columnOffset, int lowestTag,
                            const ExportProgress& progress) {
  AccessExportResult result;
  ProgressTicker ticker(progress);
  WalkGuard guard(source);
  const std::vector<Field>& fields = source.Fields();
  while (!source.Eof()) {
    target.Append();
    for (size_t i = 0; i < fields.size(); ++i)
      if (fields[i].Tag() >= lowestTag) target.SetField(static_cast<int>(i) + columnOffset, fields[i].AsValue());
    if (target.Post()) ++result.rowsWritten;
    else ++result.rowsRefused;
    source.Next();
    ticker.Row();
  }
  ticker.Done();
  return result;
}

AccessExportResult ExportToAccess(Query& query, const std::string& tableName, const std::string& fileName,
                                  int lowestTag, const ExportProgress& progress) {
  if (!query.Active()) throw std::runtime_error(query.Name() + ": Cannot perform this operation on a closed dataset");
  jet::JetDatabase target(fileName);
  target.Execute(BuildCreateTableSQL(query, tableName));
  std::unique_ptr<jet::JetRowSet> rows = target.OpenRowSet("Select * from " + tableName);
  AccessExportResult result = CopyRows(query, *rows, 0, lowestTag, progress);
  rows->Close();
  target.Commit();
  return result;
}

}  // namespace orbisk
