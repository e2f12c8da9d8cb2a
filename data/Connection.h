#pragma once
// The one connection to the directory. It is prepared with a connection string
// and opens by itself with the first query. An Access file (Jet 3/4) is read
// with libmdb into an in-memory SQLite database; a SQLite file is opened
// read-only in place; anything else is refused.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;

namespace orbisk {

// Progress of loading a directory: rows loaded so far and the total expected.
// Returning false asks the load to stop; the query then fails with LoadCancelled.
using LoadProgress = std::function<bool(long long done, long long total, const std::string& table)>;

// The user stopped loading the directory: the search ends quietly, nothing is shown.
struct LoadCancelled : std::runtime_error {
  LoadCancelled() : std::runtime_error("Loading the directory was cancelled.") {}
};

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void SetConnectionString(std::string s) { connectionString_ = std::move(s); }
  const std::string& ConnectionString() const { return connectionString_; }
  // The "Data Source=" part of the connection string.
  std::string DataSource() const;

  bool Connected() const { return db_ != nullptr; }
  // Opens the data source if not yet open. Errors:
  //   "Could not find file '<path>'."  "Unrecognized database format '<path>'."
  void EnsureOpen();
  void Close();
  sqlite3* Handle();  // opens first

  void SetProgress(LoadProgress p) { progress_ = std::move(p); }
  // How many times the engine prepared a statement (tests watch re-runs).
  long long StatementsRun() const { return statementsRun_; }
  void CountStatement() { ++statementsRun_; }

  // An in-memory database with our functions, for tests and tools.
  void OpenMemory();
  // Opens (creating) a SQLite file for writing, with our functions registered.
  void OpenWritable(const std::string& path);

 private:
  std::string connectionString_;
  sqlite3* db_ = nullptr;
  LoadProgress progress_;
  long long statementsRun_ = 0;
};

// Registers the Unicode-aware like() and NOCASE collation on a connection.
void RegisterTextFunctions(sqlite3* db);
// What the first bytes of a file say it is.
enum class DatabaseFormat { Missing, Jet3, Jet4, Sqlite, Unknown };
DatabaseFormat DetectDatabaseFormat(const std::string& path);
// Loads every user table of an Access file into `db` (tables named as in the
// file, columns under the naming convention of Schema.h, indexes on every
// Company_ID and category-code column).
void LoadAccessFile(const std::string& path, sqlite3* db, const LoadProgress& progress);

// The engine's message for a failed call on db.
std::string EngineError(sqlite3* db);

}  // namespace orbisk
