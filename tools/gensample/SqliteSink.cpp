#include "SqliteSink.h"

#include <sqlite3.h>

#include <stdexcept>

#include "data/TextCollation.h"

namespace orbisk::gensample {

SqliteSink::SqliteSink(const std::string& path) : file_(path) {
  // SQLite writes the temporary file that AtomicFile renames into place on
  // Commit; it starts empty, which SQLite takes as a new database.
  if (sqlite3_open_v2(file_.TempPath().c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
    Fail("Cannot create");
  // Text indexes are built under the program's own order of text.
  RegisterTextCollation(db_);
  // Nothing reads the file before it is complete, so no journal and no syncs
  // while writing; AtomicFile syncs once at the end.
  Exec("PRAGMA journal_mode=OFF");
  Exec("PRAGMA synchronous=OFF");
  Exec("PRAGMA locking_mode=EXCLUSIVE");
  Exec("PRAGMA cache_size=-262144");
  Exec("BEGIN");
}

SqliteSink::~SqliteSink() { CloseDatabase(); }

void SqliteSink::CloseDatabase() {
  if (insert_) sqlite3_finalize(insert_);
  insert_ = nullptr;
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

void SqliteSink::Fail(const std::string& what) {
  std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
  throw std::runtime_error(what + " '" + file_.Target() + "': " + reason);
}

void SqliteSink::Exec(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail("Cannot write");
}

void SqliteSink::BeginTable(const SchemaTable& table) {
  Exec(CreateTableStatement(table));
  std::string sql = "INSERT INTO \"" + table.name + "\" VALUES (";
  for (size_t i = 0; i < table.columns.size(); ++i) sql += i ? ",?" : "?";
  sql += ")";
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_, nullptr) != SQLITE_OK) Fail("Cannot write");
}

void SqliteSink::AddRow(const Row& row) {
  for (size_t i = 0; i < row.size(); ++i) {
    const Cell& c = row[i];
    int at = static_cast<int>(i) + 1;
    int rc = SQLITE_OK;
    switch (c.kind) {
      case Cell::Kind::Null: rc = sqlite3_bind_null(insert_, at); break;
      case Cell::Kind::Integer: rc = sqlite3_bind_int64(insert_, at, c.integer); break;
      case Cell::Kind::Text:
        rc = sqlite3_bind_text(insert_, at, c.text.data(), static_cast<int>(c.text.size()), SQLITE_STATIC);
        break;
    }
    if (rc != SQLITE_OK) Fail("Cannot write");
  }
  if (sqlite3_step(insert_) != SQLITE_DONE) Fail("Cannot write");
  sqlite3_reset(insert_);
}

void SqliteSink::EndTable() {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
}

void SqliteSink::AddIndex(const SchemaTable& table, std::string_view column) {
  std::string col(column);
  Exec("CREATE INDEX \"" + table.name + "_" + col + "\" ON \"" + table.name + "\" (\"" + col + "\")");
}

void SqliteSink::Finish() {
  Exec("COMMIT");
  sqlite3* db = db_;
  db_ = nullptr;
  if (sqlite3_close(db) != SQLITE_OK) throw std::runtime_error("Cannot write '" + file_.Target() + "'");
  file_.Commit();
}

}  // namespace orbisk::gensample
