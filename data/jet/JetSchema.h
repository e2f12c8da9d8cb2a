#pragma once
// Directory tables as Access tables, under the naming convention of
// data/Schema.h: text(N) Text(N), integer Long Integer, small integer Integer,
// counter Long Integer with auto-number, memo Memo, byte Byte, yes/no Yes/No,
// double Double, currency Currency, date/time Date/Time, OLE OLE Object.
// Reading such a file back gives the same column types.
#include "data/Schema.h"
#include "data/jet/JetWriter.h"

namespace orbisk::jet {

ColumnDef JetColumnFor(const SchemaColumn& column);
TableDef JetTableFor(const SchemaTable& table);

}  // namespace orbisk::jet
