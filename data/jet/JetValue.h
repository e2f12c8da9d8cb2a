#pragma once
// Converting values to the stored form of a column (the rules are listed in
// JetWriter.h). Failures throw RowRefused with the reason.
#include <optional>
#include <string>
#include <string_view>

#include "data/Value.h"
#include "data/jet/JetWriter.h"

namespace orbisk::jet {

// The stored bytes of `v` for `column` in `out` (cleared first). Returns false
// for a null. Yes/No columns give one byte, 0 or 1. Memo and OLE values give
// the whole long value (its row header is the writer's business).
bool EncodeValue(const ColumnDef& column, const Value& v, std::string& out);

// Days since 1899-12-30 for "YYYY-MM-DD[( |T)HH:MM[:SS[.fff]]]" or "HH:MM[:SS]".
std::optional<double> ParseDateTime(std::string_view text);

}  // namespace orbisk::jet
