#include "data/Connection.h"

#include <mdbtools.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "data/ProgramFiles.h"
#include "data/Schema.h"
#include "strutil/TextUtil.h"

namespace orbisk {

// ---------------------------------------------------------------------------
// Text comparison as the directory's engine does it: letter case is ignored,
// accented letters included, accents are not.

namespace {

inline char32_t NextFolded(const unsigned char*& p, const unsigned char* end) {
  unsigned char c = *p;
  if (c < 0x80) {
    ++p;
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  }
  std::string_view s(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
  size_t i = 0;
  char32_t cp = DecodeUtf8(s, i);
  p += i;
  return i == 1 ? cp : FoldCase(cp);
}

int NoCaseCompare(void*, int n1, const void* a, int n2, const void* b) {
  const unsigned char* p = static_cast<const unsigned char*>(a);
  const unsigned char* pe = p + n1;
  const unsigned char* q = static_cast<const unsigned char*>(b);
  const unsigned char* qe = q + n2;
  while (p < pe && q < qe) {
    // Plain ASCII on both sides needs no decoding.
    if (*p < 0x80 && *q < 0x80) {
      unsigned char x = *p++, y = *q++;
      if (x >= 'A' && x <= 'Z') x += 32;
      if (y >= 'A' && y <= 'Z') y += 32;
      if (x != y) return x < y ? -1 : 1;
      continue;
    }
    char32_t x = NextFolded(p, pe), y = NextFolded(q, qe);
    if (x != y) return x < y ? -1 : 1;
  }
  if (p < pe) return 1;
  if (q < qe) return -1;
  return 0;
}

// LIKE with % (any run) and _ (one character), ignoring case as above. The
// optional escape character makes the next pattern character literal.
bool LikeMatch(const unsigned char* pat, const unsigned char* patEnd, const unsigned char* str,
               const unsigned char* strEnd, char32_t escape) {
  const unsigned char* starPat = nullptr;
  const unsigned char* starStr = nullptr;
  while (str < strEnd) {
    if (pat < patEnd) {
      const unsigned char* p = pat;
      char32_t pc = NextFolded(p, patEnd);
      bool literal = false;
      if (escape && pc == escape && p < patEnd) {
        pc = NextFolded(p, patEnd);
        literal = true;
      }
      if (!literal && pc == '%') {
        // Collapse runs of % and remember where to retry.
        while (p < patEnd && *p == '%') ++p;
        if (p == patEnd) return true;
        starPat = p;
        starStr = str;
        pat = p;
        continue;
      }
      const unsigned char* s = str;
      char32_t sc = NextFolded(s, strEnd);
      if ((!literal && pc == '_') || pc == sc) {
        pat = p;
        str = s;
        continue;
      }
    }
    if (!starPat) return false;
    // Let the last % take one more character and try again.
    NextFolded(starStr, strEnd);
    str = starStr;
    pat = starPat;
  }
  while (pat < patEnd && *pat == '%') ++pat;
  return pat == patEnd;
}

void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const unsigned char* pat = sqlite3_value_text(argv[0]);
  int patLen = sqlite3_value_bytes(argv[0]);
  const unsigned char* str = sqlite3_value_text(argv[1]);
  int strLen = sqlite3_value_bytes(argv[1]);
  if (!pat || !str) return;  // NULL LIKE anything is NULL
  char32_t escape = 0;
  if (argc == 3) {
    const unsigned char* e = sqlite3_value_text(argv[2]);
    if (!e) return;
    std::string_view es(reinterpret_cast<const char*>(e), sqlite3_value_bytes(argv[2]));
    size_t i = 0;
    if (es.empty()) {
      sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = FoldCase(DecodeUtf8(es, i));
    if (i != es.size()) {
      sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
      return;
    }
  }
  sqlite3_result_int(ctx, LikeMatch(pat, pat + patLen, str, str + strLen, escape) ? 1 : 0);
}

[[noreturn]] void ThrowEngine(sqlite3* db) { throw std::runtime_error(EngineError(db)); }

}  // namespace

std::string EngineError(sqlite3* db) {
  const char* m = db ? sqlite3_errmsg(db) : nullptr;
  return m ? m : "Unknown database error.";
}

void RegisterTextFunctions(sqlite3* db) {
  sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, NoCaseCompare, nullptr);
  for (int argc : {2, 3})
    sqlite3_create_function_v2(db, "like", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LikeFunction,
                               nullptr, nullptr, nullptr);
}

DatabaseFormat DetectDatabaseFormat(const std::string& path) {
  if (!FileExists(path)) return DatabaseFormat::Missing;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return DatabaseFormat::Unknown;
  unsigned char head[32] = {};
  size_t n = std::fread(head, 1, sizeof head, f.get());
  if (n >= 16 && std::memcmp(head, "SQLite format 3", 16) == 0) return DatabaseFormat::Sqlite;
  if (n >= 21 && std::memcmp(head + 4, "Standard Jet DB", 16) == 0)
    return head[0x14] == 0 ? DatabaseFormat::Jet3 : DatabaseFormat::Jet4;
  return DatabaseFormat::Unknown;
}

// ---------------------------------------------------------------------------
// Access files through libmdb.

namespace {

ColumnType AccessColumnType(const MdbColumn* col, bool jet3) {
  switch (col->col_type) {
    case MDB_BOOL: return {ColumnKind::Boolean, 0};
    case MDB_BYTE: return {ColumnKind::Byte, 0};
    case MDB_INT: return {ColumnKind::SmallInteger, 0};
    case MDB_LONGINT: return {col->is_long_auto ? ColumnKind::Counter : ColumnKind::Integer, 0};
    case MDB_MONEY: return {ColumnKind::Currency, 0};
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC: return {ColumnKind::Double, 0};
    case MDB_DATETIME: return {ColumnKind::DateTime, 0};
    case MDB_TEXT: return {ColumnKind::Text, jet3 ? col->col_size : col->col_size / 2};
    case MDB_MEMO: return {ColumnKind::Memo, 0};
    case MDB_OLE:
    case MDB_BINARY: return {ColumnKind::Blob, 0};
    default: return {ColumnKind::Text, 255};
  }
}

struct MdbCloser {
  void operator()(MdbHandle* h) const { mdb_close(h); }
};

std::string Quoted(std::string_view name) { return "\"" + ReplaceAll(name, "\"", "\"\"") + "\""; }

}  // namespace

void LoadAccessFile(const std::string& path, sqlite3* db, const LoadProgress& progress) {
  std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) throw std::runtime_error("Unrecognized database format '" + path + "'.");
  const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
  // Long memos must arrive whole: the bind buffer bounds what libmdb copies.
  const size_t bindSize = 1 << 20;
  mdb_set_bind_size(mdb.get(), bindSize);
  mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
  mdb_set_boolean_fmt_numbers(mdb.get());
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) throw std::runtime_error("Unrecognized database format '" + path + "'.");

  struct Loaded {
    MdbTableDef* table;
    std::string name;
  };
  std::vector<Loaded> tables;
  long long total = 0;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) continue;
    if (!mdb_read_columns(table)) {
      mdb_free_tabledef(table);
      continue;
    }
    total += table->num_rows;
    tables.push_back({table, entry->object_name});
  }
  struct Freer {
    std::vector<Loaded>& t;
    ~Freer() {
      for (auto& l : t) mdb_free_tabledef(l.table);
    }
  } freer{tables};

  auto exec = [&](const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string m = err ? err : "error";
      sqlite3_free(err);
      throw std::runtime_error(m);
    }
  };
  exec("BEGIN");
  long long done = 0;
  if (progress) progress(0, total, "");
  std::vector<std::string> indexes;
  for (auto& l : tables) {
    MdbTableDef* table = l.table;
    const unsigned ncols = table->num_cols;
    std::vector<ColumnType> types(ncols);
    std::string create = "CREATE TABLE " + Quoted(l.name) + " (";
    std::string insert = "INSERT INTO " + Quoted(l.name) + " VALUES (";
    for (unsigned c = 0; c < ncols; ++c) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
      types[c] = AccessColumnType(col, jet3);
      if (c) {
        create += ", ";
        insert += ",";
      }
      create += Quoted(col->name) + " " + SqliteDeclaredType(types[c]);
      insert += "?";
      if (IsIndexedColumn(col->name))
        indexes.push_back("CREATE INDEX " + Quoted("ix_" + l.name + "_" + col->name) + " ON " + Quoted(l.name) +
                          " (" + Quoted(col->name) + ")");
    }
    exec(create + ")");
    sqlite3_stmt* ins = nullptr;
    if (sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &ins, nullptr) != SQLITE_OK) ThrowEngine(db);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> insGuard(ins, sqlite3_finalize);

    std::vector<std::vector<char>> buffers(ncols, std::vector<char>(bindSize + 1));
    std::vector<int> lens(ncols);
    for (unsigned c = 0; c < ncols; ++c) mdb_bind_column(table, c + 1, buffers[c].data(), &lens[c]);
    std::vector<MdbField> fields(256);  // a row may hold more columns than the table (dropped ones)
    std::vector<unsigned char> isNull(ncols);
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
      // Bound values cannot tell an empty text from a null; the row's null mask can.
      for (unsigned c = 0; c < ncols; ++c) isNull[c] = lens[c] == 0;
      int start = 0;
      size_t size = 0;
      const int rowIndex = static_cast<int>(table->cur_row) - 1;
      bool found = rowIndex >= 0 && mdb_find_row(mdb.get(), rowIndex, &start, &size) == 0;
      // A row moved to an overflow page leaves only a pointer here, which libmdb
      // follows itself; its null mask cannot be read in place.
      if (found && (mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset + 2 + rowIndex * 2) & 0x4000))
        found = false;
      if (found) {
        // Columns added to the table after the row was written are not in it: null.
        std::fill(isNull.begin(), isNull.end(), 1);
        int n = mdb_crack_row(table, start, size, fields.data());
        for (int f = 0; f < n && f < static_cast<int>(ncols); ++f) {
          int colnum = fields[f].colnum;
          if (colnum >= 0 && colnum < static_cast<int>(ncols)) isNull[colnum] = fields[f].is_null;
        }
        // A value that arrived is never null (rows moved to overflow pages are
        // read elsewhere by libmdb; their mask here is the pointer row's).
        for (unsigned c = 0; c < ncols; ++c)
          if (lens[c] != 0) isNull[c] = 0;
      }
      for (unsigned c = 0; c < ncols; ++c) {
        int p = static_cast<int>(c) + 1;
        const ColumnType& t = types[c];
        if (isNull[c] && t.kind != ColumnKind::Boolean) {
          sqlite3_bind_null(ins, p);
          continue;
        }
        const char* v = buffers[c].data();
        int len = lens[c];
        switch (t.kind) {
          case ColumnKind::Integer:
          case ColumnKind::SmallInteger:
          case ColumnKind::Counter:
          case ColumnKind::Byte:
          case ColumnKind::Boolean:
            sqlite3_bind_int64(ins, p, std::strtoll(v, nullptr, 10));
            break;
          case ColumnKind::Double:
          case ColumnKind::Currency:
            sqlite3_bind_double(ins, p, std::strtod(v, nullptr));
            break;
          case ColumnKind::Blob: {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
            size_t blobSize = 0;
            void* blob = mdb_ole_read_full(mdb.get(), col, &blobSize);
            if (blob) {
              sqlite3_bind_blob(ins, p, blob, static_cast<int>(blobSize), SQLITE_TRANSIENT);
              free(blob);
            } else {
              sqlite3_bind_null(ins, p);
            }
            break;
          }
          default:
            sqlite3_bind_text(ins, p, v, len, SQLITE_TRANSIENT);
        }
      }
      if (sqlite3_step(ins) != SQLITE_DONE) ThrowEngine(db);
      sqlite3_reset(ins);
      if (progress && (++done % 2000) == 0) progress(done, total, l.name);
    }
  }
  for (auto& ix : indexes) exec(ix);
  exec("COMMIT");
  if (progress) progress(total, total, "");
}

// ---------------------------------------------------------------------------

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

std::string Connection::DataSource() const {
  const std::string key = "data source=";
  std::string lower = LowerAscii(connectionString_);
  auto at = lower.find(key);
  if (at == std::string::npos) return {};
  auto start = at + key.size();
  auto end = connectionString_.find(';', start);
  return std::string(TrimBlanks(connectionString_.substr(start, end == std::string::npos ? std::string::npos : end - start)));
}

void Connection::EnsureOpen() {
  if (db_) return;
  std::string given = DataSource();
  std::string path = ResolveIgnoringCase(given);
  switch (DetectDatabaseFormat(path)) {
    case DatabaseFormat::Missing: throw std::runtime_error("Could not find file '" + given + "'.");
    case DatabaseFormat::Unknown: throw std::runtime_error("Unrecognized database format '" + given + "'.");
    case DatabaseFormat::Sqlite: {
      sqlite3* db = nullptr;
      if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::string m = EngineError(db);
        sqlite3_close_v2(db);
        throw std::runtime_error(m);
      }
      RegisterTextFunctions(db);
      db_ = db;
      return;
    }
    case DatabaseFormat::Jet3:
    case DatabaseFormat::Jet4: {
      sqlite3* db = nullptr;
      sqlite3_open(":memory:", &db);
      RegisterTextFunctions(db);
      try {
        LoadAccessFile(path, db, progress_);
      } catch (...) {
        sqlite3_close_v2(db);
        throw;
      }
      db_ = db;
      return;
    }
  }
}

sqlite3* Connection::Handle() {
  EnsureOpen();
  return db_;
}

void Connection::OpenMemory() {
  Close();
  sqlite3_open(":memory:", &db_);
  RegisterTextFunctions(db_);
}

void Connection::OpenWritable(const std::string& path) {
  Close();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string m = EngineError(db);
    sqlite3_close_v2(db);
    throw std::runtime_error(m);
  }
  RegisterTextFunctions(db);
  db_ = db;
}

}  // namespace orbisk
