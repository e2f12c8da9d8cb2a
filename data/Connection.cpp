#include "data/Connection.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "data/ProgramFiles.h"
#include "data/Schema.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {
// Every connection is used by one thread only (the program has one), so
// SQLite need not lock around each call.
constexpr int kSingleThread = SQLITE_OPEN_NOMUTEX;
}  // namespace

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
      if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | kSingleThread, nullptr) != SQLITE_OK) {
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
      sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kSingleThread, nullptr);
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
  sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kSingleThread, nullptr);
  RegisterTextFunctions(db_);
}

void Connection::OpenWritable(const std::string& path) {
  Close();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kSingleThread, nullptr) != SQLITE_OK) {
    std::string m = EngineError(db);
    sqlite3_close_v2(db);
    throw std::runtime_error(m);
  }
  RegisterTextFunctions(db);
  db_ = db;
}

}  // namespace orbisk
