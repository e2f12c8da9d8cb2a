#include "export/db2access.h"

#include "data/Query.h"
#include "data/jet/JetDatabase.h"
#include "export/QueryWalk.h"

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
                            const Progress& progress) {
  AccessExportResult result;
  RowProgress rows(progress, source.RecordCount() - (source.RecNo() > 0 ? source.RecNo() - 1 : 0));
  const std::vector<Field>& fields = source.Fields();
  WalkQuery(
      source, rows,
      [&] {
        target.Append();
        for (size_t i = 0; i < fields.size(); ++i)
          if (fields[i].Tag() >= lowestTag) target.SetField(static_cast<int>(i) + columnOffset, fields[i].AsValue());
        if (target.Post()) ++result.rowsWritten;
        else ++result.rowsRefused;
      },
      WalkFrom::Current);
  rows.Done();
  return result;
}

AccessExportResult ExportToAccess(Query& query, const std::string& fileName, const AccessOptions& options) {
  RequireOpen(query);
  jet::JetDatabase target(fileName);
  target.Execute(BuildCreateTableSQL(query, options.tableName));
  std::unique_ptr<jet::JetRowSet> rows = target.OpenRowSet("Select * from " + options.tableName);
  AccessExportResult result = CopyRows(query, *rows, 0, options.lowestTag, options.progress);
  rows->Close();
  target.Commit();
  return result;
}

}  // namespace orbisk
