#include "data/jet/JetSchema.h"

namespace orbisk::jet {

ColumnDef JetColumnFor(const SchemaColumn& column) {
  switch (column.type.kind) {
    case ColumnKind::Text: return TextColumn(column.name, column.type.size);
    case ColumnKind::Integer: return LongColumn(column.name);
    case ColumnKind::SmallInteger: return IntegerColumn(column.name);
    case ColumnKind::Counter: return CounterColumn(column.name);
    case ColumnKind::Memo: return MemoColumn(column.name);
    case ColumnKind::Byte: return Column(column.name, jet::ColumnType::Byte);
    case ColumnKind::Boolean: return Column(column.name, jet::ColumnType::Bit);
    case ColumnKind::Double: return Column(column.name, jet::ColumnType::Double);
    case ColumnKind::Currency: return Column(column.name, jet::ColumnType::Money);
    case ColumnKind::DateTime: return Column(column.name, jet::ColumnType::DateTime);
    case ColumnKind::Blob: return Column(column.name, jet::ColumnType::Ole);
  }
  return TextColumn(column.name, 255);
}

TableDef JetTableFor(const SchemaTable& table) {
  TableDef def{table.name, {}};
  for (const auto& c : table.columns) def.columns.push_back(JetColumnFor(c));
  return def;
}

}  // namespace orbisk::jet
