// Importing a SQLite directory that Orbisk's tools did not make: its text
// indexes were built under another collation, so the tables are copied and
// every index is built again under ours.
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/Schema.h"
#include "import/Import.h"
#include "strutil/TextUtil.h"

namespace orbisk::import {

namespace {

std::string Quoted(std::string_view name) { return "\"" + ReplaceAll(name, "\"", "\"\"") + "\""; }

void Exec(sqlite3* db, const std::string& sql, const std::string& what) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : EngineError(db);
    sqlite3_free(err);
    throw ImportError(what + ": " + m + ".");
  }
}

struct SchemaRow {
  std::string type, name, table, sql;
};

std::vector<SchemaRow> SchemaRows(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db,
                         "SELECT type, name, tbl_name, sql FROM src.sqlite_master WHERE sql IS NOT NULL"
                         " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid",
                         -1, &st, nullptr) != SQLITE_OK)
    throw ImportError("Its list of tables cannot be read: " + EngineError(db) + ".");
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
  std::vector<SchemaRow> rows;
  int rc;
  auto text = [&](int i) {
    const unsigned char* t = sqlite3_column_text(st, i);
    return std::string(t ? reinterpret_cast<const char*>(t) : "");
  };
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) rows.push_back({text(0), text(1), text(2), text(3)});
  if (rc != SQLITE_DONE) throw ImportError("Its list of tables cannot be read: " + EngineError(db) + ".");
  return rows;
}

long long Count(sqlite3* db, const std::string& table) {
  sqlite3_stmt* st = nullptr;
  long long n = 0;
  if (sqlite3_prepare_v2(db, ("SELECT count(*) FROM src." + Quoted(table)).c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  return n;
}

// The columns of a table that the engine's lookups go through.
std::vector<std::string> IndexedColumns(sqlite3* db, const std::string& table) {
  std::vector<std::string> out;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1, 'main')", -1, &st, nullptr) != SQLITE_OK) return out;
  sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  while (sqlite3_step(st) == SQLITE_ROW) {
    std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    if (IsIndexedColumn(name)) out.push_back(name);
  }
  sqlite3_finalize(st);
  return out;
}

}  // namespace

void ImportSqliteFile(const std::string& path, sqlite3* db, const ImportProgress& progress) {
  sqlite3_stmt* attach = nullptr;
  if (sqlite3_prepare_v2(db, "ATTACH DATABASE ?1 AS src", -1, &attach, nullptr) != SQLITE_OK)
    throw ImportError("Writing the imported copy failed: " + EngineError(db) + ".");
  const std::string uri = SqliteFileUri(path, "mode=ro");
  sqlite3_bind_text(attach, 1, uri.c_str(), -1, SQLITE_TRANSIENT);
  const int rc = sqlite3_step(attach);
  sqlite3_finalize(attach);
  if (rc != SQLITE_DONE) throw ImportError("It cannot be opened as a SQLite database: " + EngineError(db) + ".");

  std::vector<SchemaRow> rows = SchemaRows(db);
  std::vector<const SchemaRow*> tables;
  long long total = 0;
  for (const auto& r : rows) {
    // Virtual tables need modules of their own; the marker of a copied directory is written afresh.
    if (r.type != "table" || UpperAscii(r.sql).rfind("CREATE VIRTUAL", 0) == 0 || EqualsNoCaseAscii(r.name, kDirectoryMarkerTable))
      continue;
    tables.push_back(&r);
    total += Count(db, r.name);
  }
  if (progress) progress(0, total);
  Exec(db, "BEGIN", "Writing the imported copy failed");
  long long done = 0;
  for (const SchemaRow* t : tables) {
    Exec(db, t->sql, "Its table '" + t->name + "' cannot be kept");
    Exec(db, "INSERT INTO main." + Quoted(t->name) + " SELECT * FROM src." + Quoted(t->name),
         "Its table '" + t->name + "' cannot be read");
    done += Count(db, t->name);
    if (progress) progress(done, total);
  }
  for (const auto& r : rows) {
    if (r.type == "index" && !EqualsNoCaseAscii(r.table, kDirectoryMarkerTable))
      Exec(db, r.sql, "Its index '" + r.name + "' cannot be built");
    else if (r.type == "view")
      Exec(db, r.sql, "Its view '" + r.name + "' cannot be kept");
  }
  for (const SchemaRow* t : tables)
    for (const auto& column : IndexedColumns(db, t->name))
      Exec(db,
           "CREATE INDEX IF NOT EXISTS " + Quoted("ix_" + t->name + "_" + column) + " ON " + Quoted(t->name) + " (" +
               Quoted(column) + ")",
           "Its table '" + t->name + "' cannot be indexed");
  Exec(db, "COMMIT", "Writing the imported copy failed");
  Exec(db, "DETACH DATABASE src", "Writing the imported copy failed");
  if (progress) progress(total, total);
}

}  // namespace orbisk::import
