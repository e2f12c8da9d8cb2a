// Importing a SQLite directory that Orbisk's tools did not make: its text
// indexes were built under another collation, and its schema is text that
// whoever made the file wrote. Each table is built again by our code from
// its columns' names and declared types, and filled with INSERT ... SELECT
// of those columns; no statement of the file is ever run.
#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/Schema.h"
#include "import/Import.h"
#include "strutil/TextUtil.h"

namespace orbisk::import {

namespace {

constexpr size_t kLongestName = 128;

std::string Quoted(std::string_view name) { return "\"" + ReplaceAll(name, "\"", "\"\"") + "\""; }

void Exec(sqlite3* db, const std::string& sql, const std::string& what) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : EngineError(db);
    sqlite3_free(err);
    throw ImportError(what + ": " + m + ".");
  }
}

using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

Statement Prepare(sqlite3* db, const std::string& sql, const std::string& what) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    throw ImportError(what + ": " + EngineError(db) + ".");
  }
  return Statement(st, sqlite3_finalize);
}

std::string Text(sqlite3_stmt* st, int i) {
  const unsigned char* t = sqlite3_column_text(st, i);
  return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(st, i))) : "";
}

long long Count(sqlite3* db, const std::string& table) {
  Statement st = Prepare(db, "SELECT count(*) FROM src." + Quoted(table) + " NOT INDEXED",
                         "Its table '" + table + "' cannot be read");
  return sqlite3_step(st.get()) == SQLITE_ROW ? sqlite3_column_int64(st.get(), 0) : 0;
}

struct Column {
  std::string name, declared;
};

}  // namespace

// A name our statements may carry: printable UTF-8 of at most 128 bytes.
bool NameFits(std::string_view name) {
  if (name.empty() || name.size() > kLongestName) return false;
  for (size_t i = 0; i < name.size();) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F) return false;
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > name.size() || (n == 2 && c < 0xC2)) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

// The declared type our copy gives a column the file declares `declared`:
// only known type names pass, each as the one spelling of Schema.h; text
// columns (and columns of no known type) compare under our collation.
std::string WhitelistedType(std::string_view declared) {
  const std::string d = UpperAscii(TrimBlanks(declared));
  // The type's name: words of letters with single blanks; then at most "(N)" or "(N, M)".
  std::string name;
  size_t i = 0;
  while (i < d.size() && d[i] != '(') {
    const char c = d[i];
    if (c >= 'A' && c <= 'Z') {
      name += c;
    } else if (c == ' ' || c == '\t') {
      if (!name.empty() && name.back() != ' ') name += ' ';
    } else {
      return "COLLATE NOCASE";
    }
    ++i;
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  long long size = 0;
  if (i < d.size()) {
    // "(digits)" or "(digits, digits)" and nothing after it.
    size_t j = i + 1, numbers = 0;
    for (;;) {
      while (j < d.size() && d[j] == ' ') ++j;
      const size_t start = j;
      long long v = 0;
      while (j < d.size() && d[j] >= '0' && d[j] <= '9' && j - start < 9) v = v * 10 + (d[j++] - '0');
      if (j == start) return "COLLATE NOCASE";
      if (numbers++ == 0) size = v;
      while (j < d.size() && d[j] == ' ') ++j;
      if (j < d.size() && d[j] == ',' && numbers < 2) {
        ++j;
        continue;
      }
      break;
    }
    if (j >= d.size() || d[j] != ')' || j + 1 != d.size()) return "COLLATE NOCASE";
  }
  struct Known {
    const char* name;
    ColumnKind kind;
  };
  static const Known known[] = {
      {"VARCHAR", ColumnKind::Text},        {"NVARCHAR", ColumnKind::Text},
      {"CHAR", ColumnKind::Text},           {"NCHAR", ColumnKind::Text},
      {"CHARACTER", ColumnKind::Text},      {"VARYING CHARACTER", ColumnKind::Text},
      {"CHARACTER VARYING", ColumnKind::Text}, {"NATIVE CHARACTER", ColumnKind::Text},
      {"TEXT", ColumnKind::Memo},           {"LONGTEXT", ColumnKind::Memo},
      {"MEMO", ColumnKind::Memo},           {"CLOB", ColumnKind::Memo},
      {"LONGCHAR", ColumnKind::Memo},       {"MEDIUMTEXT", ColumnKind::Memo},
      {"NTEXT", ColumnKind::Memo},          {"INTEGER", ColumnKind::Integer},
      {"INT", ColumnKind::Integer},         {"BIGINT", ColumnKind::Integer},
      {"LONG", ColumnKind::Integer},        {"MEDIUMINT", ColumnKind::Integer},
      {"SMALLINT", ColumnKind::SmallInteger}, {"SHORT", ColumnKind::SmallInteger},
      {"TINYINT", ColumnKind::Byte},        {"BYTE", ColumnKind::Byte},
      {"COUNTER", ColumnKind::Counter},     {"AUTOINCREMENT", ColumnKind::Counter},
      {"BIT", ColumnKind::Boolean},         {"BOOLEAN", ColumnKind::Boolean},
      {"BOOL", ColumnKind::Boolean},        {"YESNO", ColumnKind::Boolean},
      {"DOUBLE", ColumnKind::Double},       {"DOUBLE PRECISION", ColumnKind::Double},
      {"REAL", ColumnKind::Double},         {"FLOAT", ColumnKind::Double},
      {"SINGLE", ColumnKind::Double},       {"NUMERIC", ColumnKind::Double},
      {"DECIMAL", ColumnKind::Double},      {"CURRENCY", ColumnKind::Currency},
      {"MONEY", ColumnKind::Currency},      {"DATETIME", ColumnKind::DateTime},
      {"DATE", ColumnKind::DateTime},       {"TIME", ColumnKind::DateTime},
      {"TIMESTAMP", ColumnKind::DateTime},  {"BLOB", ColumnKind::Blob},
      {"IMAGE", ColumnKind::Blob},          {"OLE", ColumnKind::Blob},
      {"LONGBINARY", ColumnKind::Blob},     {"BINARY", ColumnKind::Blob},
      {"VARBINARY", ColumnKind::Blob},
  };
  for (const Known& k : known) {
    if (name != k.name) continue;
    ColumnType type{k.kind, 0};
    if (k.kind == ColumnKind::Memo && name == "TEXT" && size > 0) type.kind = ColumnKind::Text;  // TEXT(50)
    if (type.kind == ColumnKind::Text) {
      if (size <= 0 || size > 65535) return "VARCHAR COLLATE NOCASE";
      type.size = static_cast<int>(size);
    }
    return SqliteDeclaredType(type);
  }
  return "COLLATE NOCASE";
}

namespace {

class SqliteSource : public Source {
 public:
  SqliteSource(const std::string& path, sqlite3* db) : db_(db) {
    Statement attach = Prepare(db, "ATTACH DATABASE ?1 AS src", "Writing the imported copy failed");
    // Immutable: no lock is taken and no journal or WAL file is looked for beside it.
    const std::string uri = SqliteFileUri(path, "mode=ro&immutable=1");
    sqlite3_bind_text(attach.get(), 1, uri.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(attach.get());
    if (rc != SQLITE_DONE) {
      // The engine's own text names the URI, not the user's file: its code's text says enough.
      std::string why = sqlite3_errstr(sqlite3_extended_errcode(db));
      const std::string message = EngineError(db);
      if (message.find("malformed") != std::string::npos) why = message;
      throw ImportError("It cannot be opened as a SQLite database: " + why + ".");
    }
    attach.reset();
    // No further database can be attached on this connection.
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 1);
    // The file's schema is read, and its read transaction begun, while files may still be opened.
    Exec(db, "BEGIN", "Writing the imported copy failed");
    Statement st = Prepare(db, "SELECT count(*) FROM src.sqlite_master", "Its list of tables cannot be read");
    if (sqlite3_step(st.get()) != SQLITE_ROW)
      throw ImportError("Its list of tables cannot be read: " + EngineError(db) + ".");
  }
  ~SqliteSource() override {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }

  std::vector<std::string> TableNames() override {
    Load();
    std::vector<std::string> names;
    for (const auto& t : tables_) names.push_back(t.name);
    return names;
  }

  void Copy(sqlite3* db, const Progress& progress) override {
    Load();
    long long total = 0;
    for (auto& t : tables_) total += (t.rows = Count(db, t.name));
    Report(progress, {0, total, {}});
    long long done = 0;
    for (const Table& t : tables_) {
      std::string create = "CREATE TABLE main." + Quoted(t.name) + " (", list;
      for (size_t i = 0; i < t.columns.size(); ++i) {
        if (i) {
          create += ", ";
          list += ", ";
        }
        create += Quoted(t.columns[i].name) + " " + WhitelistedType(t.columns[i].declared);
        list += Quoted(t.columns[i].name);
      }
      Exec(db, create + ")", "Its table '" + t.name + "' cannot be kept");
      Exec(db, "INSERT INTO main." + Quoted(t.name) + " (" + list + ") SELECT " + list + " FROM src." + Quoted(t.name) +
                   " NOT INDEXED",
           "Its table '" + t.name + "' cannot be read");
      done += t.rows;
      Report(progress, {done, total, t.name});
    }
    for (const Table& t : tables_)
      for (const Column& c : t.columns)
        if (IsIndexedColumn(c.name))
          Exec(db, "CREATE INDEX main." + Quoted(IndexName(db, t.name, c.name)) + " ON " + Quoted(t.name) + " (" +
                       Quoted(c.name) + ")",
               "Its table '" + t.name + "' cannot be indexed");
    Exec(db, "COMMIT", "Writing the imported copy failed");
    open_ = false;
    Exec(db, "DETACH DATABASE src", "Writing the imported copy failed");
    Report(progress, {total, total, {}});
  }

 private:
  struct Table {
    std::string name;
    std::vector<Column> columns;
    long long rows = 0;
  };

  // Its tables that can be copied: real tables with fitting names, without
  // SQLite's own tables and the marker of a directory (which is written afresh).
  void Load() {
    if (loaded_) return;
    loaded_ = true;
    Statement list = Prepare(db_, "SELECT name, type FROM pragma_table_list WHERE schema = 'src'",
                             "Its list of tables cannot be read");
    std::vector<std::string> names;
    int rc;
    while ((rc = sqlite3_step(list.get())) == SQLITE_ROW) {
      const std::string name = Text(list.get(), 0);
      if (Text(list.get(), 1) != "table" || !NameFits(name) || EqualsNoCaseAscii(name, kDirectoryMarkerTable) ||
          UpperAscii(name).rfind("SQLITE_", 0) == 0)
        continue;
      names.push_back(name);
    }
    if (rc != SQLITE_DONE) throw ImportError("Its list of tables cannot be read: " + EngineError(db_) + ".");
    list.reset();
    // pragma_table_list lists in no particular order: keep the file's.
    Statement order = Prepare(db_, "SELECT name FROM src.sqlite_master WHERE type = 'table' ORDER BY rowid",
                              "Its list of tables cannot be read");
    while (sqlite3_step(order.get()) == SQLITE_ROW) {
      const std::string name = Text(order.get(), 0);
      for (const auto& n : names)
        if (n == name) tables_.push_back({name, Columns(name)});
    }
    std::erase_if(tables_, [](const Table& t) { return t.columns.empty(); });
  }

  // Its stored columns with fitting names; generated and hidden ones are left out.
  std::vector<Column> Columns(const std::string& table) {
    Statement st = Prepare(db_, "SELECT name, type, hidden FROM pragma_table_xinfo(?1, 'src') ORDER BY cid",
                           "Its table '" + table + "' cannot be read");
    sqlite3_bind_text(st.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<Column> columns;
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
      const std::string name = Text(st.get(), 0);
      if (sqlite3_column_int(st.get(), 2) != 0 || !NameFits(name)) continue;
      columns.push_back({name, Text(st.get(), 1)});
    }
    return columns;
  }

  // "ix_<table>_<column>", or with a number when the file already has a table of that name.
  std::string IndexName(sqlite3* db, const std::string& table, const std::string& column) {
    const std::string base = "ix_" + table + "_" + column;
    std::string name = base;
    Statement st = Prepare(db, "SELECT 1 FROM main.sqlite_master WHERE name = ?1 COLLATE NOCASE",
                           "Writing the imported copy failed");
    for (int n = 2;; ++n) {
      sqlite3_reset(st.get());
      sqlite3_bind_text(st.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(st.get()) != SQLITE_ROW) return name;
      name = base + "_" + std::to_string(n);
    }
  }

  sqlite3* db_;
  bool loaded_ = false;
  bool open_ = true;
  std::vector<Table> tables_;
};

}  // namespace

std::unique_ptr<Source> OpenSqliteFile(const std::string& path, sqlite3* db) {
  return std::make_unique<SqliteSource>(path, db);
}

void ImportSqliteFile(const std::string& path, sqlite3* db, const Progress& progress) {
  OpenSqliteFile(path, db)->Copy(db, progress);
}

void RequireDirectoryTables(const std::vector<std::string>& names) {
  for (const SchemaTable& t : DirectoryTables()) {
    bool found = false;
    for (const auto& n : names) found = found || EqualsNoCaseAscii(n, t.name);
    if (!found) throw ImportError("It has no table " + t.name + ": it is not a business directory.");
  }
}

}  // namespace orbisk::import
