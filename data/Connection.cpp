#include "data/Connection.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "data/ProgramFiles.h"
#include "data/Schema.h"
#include "data/SqlLike.h"
#include "data/TextCollation.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {
// Every connection is used by one thread only (the program has one), so
// SQLite need not lock around each call.
constexpr int kSingleThread = SQLITE_OPEN_NOMUTEX;
}  // namespace

std::string EngineError(sqlite3* db) {
  const char* m = db ? sqlite3_errmsg(db) : nullptr;
  return m ? m : "Unknown database error.";
}

void RegisterTextFunctions(sqlite3* db) {
  RegisterTextCollation(db);
  RegisterLikeFunction(db);
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
  while (start < connectionString_.size() && connectionString_[start] == ' ') ++start;
  if (start < connectionString_.size() && connectionString_[start] == '"') {
    // A quoted value runs to the lone closing quote; "" stands for one quote.
    std::string value;
    for (size_t i = start + 1; i < connectionString_.size(); ++i) {
      if (connectionString_[i] != '"') {
        value += connectionString_[i];
      } else if (i + 1 < connectionString_.size() && connectionString_[i + 1] == '"') {
        value += '"';
        ++i;
      } else {
        break;
      }
    }
    return value;
  }
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
