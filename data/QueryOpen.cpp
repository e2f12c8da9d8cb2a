// Opening a query, step by step: the statement is prepared (once, when the
// query is prepared), its parameters bound, its columns described, every row
// fetched into the row store, and the columns of expressions typed from what
// they hold. Any step may fail; AbandonOpening then leaves the query closed.
#include <sqlite3.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include "data/Connection.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/Schema.h"

namespace orbisk {

void Query::PrepareStatement(sqlite3* db) {
  if (stmt_) return;
  std::string sql = TranslateJetSql(sql_);
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, &tail) != SQLITE_OK) {
    std::string m = EngineError(db);
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    throw std::runtime_error(m);
  }
  if (!stmt_) throw std::runtime_error(name_ + ": CommandText does not return a result set");
}

void Query::BindParams() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  for (int i = 1, n = sqlite3_bind_parameter_count(stmt_); i <= n; ++i) {
    const char* pname = sqlite3_bind_parameter_name(stmt_, i);
    if (!pname || !*pname) continue;
    const Value& v = Param(pname + 1);
    switch (v.kind()) {
      case Value::Kind::Null: sqlite3_bind_null(stmt_, i); break;
      case Value::Kind::Integer: sqlite3_bind_int64(stmt_, i, v.AsInteger()); break;
      case Value::Kind::Real: sqlite3_bind_double(stmt_, i, v.AsReal()); break;
      case Value::Kind::Text: sqlite3_bind_text(stmt_, i, v.TextPtr()->data(), static_cast<int>(v.TextPtr()->size()), SQLITE_TRANSIENT); break;
      case Value::Kind::Blob: sqlite3_bind_blob(stmt_, i, v.BlobPtr()->bytes.data(), static_cast<int>(v.BlobPtr()->bytes.size()), SQLITE_TRANSIENT); break;
    }
  }
}

void Query::DescribeColumns(sqlite3* db) {
  const int ncols = sqlite3_column_count(stmt_);
  columns_.assign(ncols, ColumnInfo{});
  for (int c = 0; c < ncols; ++c) {
    ColumnInfo& ci = columns_[c];
    ci.name = sqlite3_column_name(stmt_, c);
    const char* decl = sqlite3_column_decltype(stmt_, c);
    ci.declaredType = decl ? decl : "";
    const char* table = sqlite3_column_table_name(stmt_, c);
    const char* origin = sqlite3_column_origin_name(stmt_, c);
    if (table && origin) {
      ci.baseTable = table;
      ci.baseColumn = origin;
      int notNull = 0, pk = 0, autoinc = 0;
      if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(stmt_, c), table, origin, nullptr,
                                        nullptr, &notNull, &pk, &autoinc) == SQLITE_OK)
        ci.nullable = !notNull;
    }
    if (decl) {
      ColumnType t = ColumnTypeFromDeclared(decl);
      ci.type = FieldTypeOf(t);
      ci.size = t.size;
      if (t.kind == ColumnKind::Counter) {
        ci.autoIncrement = true;
        ci.nullable = false;
      }
      if (ci.type == ftWideString && ci.size == 0) ci.size = 255;
    }
  }
}

void Query::FetchRows() {
  const int ncols = static_cast<int>(columns_.size());
  RowStore& rows = rows_;
  rows.Refill(ncols);
  // What the rows take, about: their bytes and a cell each. A result past
  // the bound, or past what can be allocated, ends with the rows read.
  const long long limit = connection_->Bounds().resultBytes;
  long long held = 0;
  long long read = 0;
  int rc;
  try {
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
      ++read;
      held += 8 + 4LL * ncols;
      rows.BeginRow();
      for (int c = 0; c < ncols; ++c) {
        // One call into the statement per cell; the value calls need no lock.
        sqlite3_value* v = sqlite3_column_value(stmt_, c);
        switch (sqlite3_value_type(v)) {
          case SQLITE_INTEGER: rows.AddInteger(sqlite3_value_int64(v)); break;
          case SQLITE_FLOAT: rows.AddReal(sqlite3_value_double(v)); break;
          case SQLITE_TEXT: {
            const char* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
            const size_t n = static_cast<size_t>(sqlite3_value_bytes(v));
            if (!t && n > 0) throw std::bad_alloc();  // the engine could not make the value
            held += static_cast<long long>(n);
            rows.AddText(std::string_view(t, n));
            break;
          }
          case SQLITE_BLOB: {
            const char* b = static_cast<const char*>(sqlite3_value_blob(v));
            const size_t n = static_cast<size_t>(sqlite3_value_bytes(v));
            if (!b && n > 0) throw std::bad_alloc();
            held += static_cast<long long>(n);
            rows.AddBytes(std::string_view(b ? b : "", n));
            break;
          }
          default: rows.AddNull(); break;
        }
      }
      rows.EndRow();
      if (limit > 0 && held > limit) throw std::runtime_error(ResultTooLargeMessage(read));
    }
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(ResultTooLargeMessage(read));
  }
  rows.Trim();
  if (rc != SQLITE_DONE) connection_->ThrowStatementError(rc, read);
}

void Query::ReleaseStatement() {
  // A prepared query keeps its statement for the next opening.
  if (!stmt_) return;
  sqlite3_reset(stmt_);
  if (!prepared_) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

void Query::TypeExpressionColumns() {
  // Columns of expressions take their type from what they hold.
  const int count = rows_.RowCount();
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    ColumnInfo& ci = columns_[c];
    if (!ci.declaredType.empty()) continue;
    ci.type = ftWideString;
    size_t longest = 0;
    for (int r = 0; r < count; ++r) {
      const ValueView v = rows_.Cell(r, c);
      if (v.kind() == ValueKind::Integer) { ci.type = ftInteger; break; }
      if (v.kind() == ValueKind::Real) { ci.type = ftFloat; break; }
      if (v.kind() == ValueKind::Blob) { ci.type = ftBlob; break; }
      if (v.kind() == ValueKind::Text) longest = std::max(longest, v.Bytes().size());
    }
    if (ci.type == ftWideString) ci.size = static_cast<int>(std::max<size_t>(longest, 1));
  }
}

void Query::AbandonOpening() {
  connection_->EndStatement();
  ReleaseStatement();
  fields_.clear();
  columns_.clear();
  ResetRows(false);
}

}  // namespace orbisk
