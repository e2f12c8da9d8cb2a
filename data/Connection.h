#pragma once
// The one connection to the directory. It is prepared with a connection string
// and opens by itself with the first query. A SQLite directory made by
// Orbisk's own tools under the current text collation is opened read-only in
// place. An Access file (Jet 3, Jet 4, ACE), or any other SQLite file, is
// imported by the separate program orbisk-import into the cache folder, once
// for each version of the file, and that copy is opened read-only.
// Anything else is refused.
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
  // The importer to run (orbisk-import beside the program unless set).
  void SetImporter(std::string path) { importer_ = std::move(path); }
  // How many times this connection ran the importer (tests watch the cache).
  long long ImportsRun() const { return importsRun_; }
  // How many times the engine prepared a statement (tests watch re-runs).
  long long StatementsRun() const { return statementsRun_; }
  void CountStatement() { ++statementsRun_; }

  // An in-memory database with our functions, for tests and tools.
  void OpenMemory();
  // Opens (creating) a SQLite file for writing, with our functions registered.
  void OpenWritable(const std::string& path);

 private:
  // Opens the cached copy of the open directory file `fd`, importing it first when needed.
  void OpenImported(int fd, const std::string& path);

  std::string connectionString_;
  sqlite3* db_ = nullptr;
  LoadProgress progress_;
  std::string importer_;
  long long statementsRun_ = 0;
  long long importsRun_ = 0;
};

// Registers the Unicode-aware like() and NOCASE collation on a connection.
void RegisterTextFunctions(sqlite3* db);
// What the first bytes of a file say it is.
// Missing is also anything that is not a regular file (a folder, a FIFO, a
// device), which is never opened for reading.
enum class DatabaseFormat { Missing, Jet3, Jet4, Ace, Sqlite, Unknown };
DatabaseFormat DetectDatabaseFormat(const std::string& path);
DatabaseFormat DatabaseFormatOf(const unsigned char* head, size_t size);

// The engine's message for a failed call on db.
std::string EngineError(sqlite3* db);

}  // namespace orbisk
