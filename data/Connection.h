#pragma once
// The one connection to the directory. It is prepared with a connection string
// and opens by itself with the first query. A SQLite directory made by
// Orbisk's own tools under the current text collation is opened read-only in
// place. An Access file (Jet 3, Jet 4, ACE), or any other SQLite file, is
// imported by the separate program orbisk-import into the cache folder, once
// for each version of the file, and that copy is opened read-only.
// Anything else is refused.
#include <functional>
#include <string>
#include <string_view>

#include "data/Progress.h"

struct sqlite3;

namespace orbisk {

// The user stopped loading the directory: the search ends quietly, nothing is shown.
struct LoadCancelled : Cancelled {
  LoadCancelled() : Cancelled("Loading the directory was cancelled.") {}
};

// A statement that runs a while: the seconds it has run so far, told about
// twenty times a second. Returning false stops it; the query then fails with
// LoadCancelled, as a cancelled load does.
using StatementProgress = std::function<bool(double seconds)>;

// What a directory opened in place may cost, whatever the file holds. No
// sound directory comes near them.
struct EngineBounds {
  long long heapBytes = 0;      // the engine's own memory (sqlite3_hard_heap_limit64)
  long long resultBytes = 0;    // the rows of one result held in memory
  int statementSeconds = 0;     // one statement, before it is ended
  int markerSeconds = 0;        // telling whether a file is a directory of ours
};
// The bounds for a machine with `memoryBytes` of memory: a quarter of it for
// the engine and a quarter for a result, never less than 256 MB each.
EngineBounds EngineBoundsFor(long long memoryBytes);
// The memory this process may use: the least of the machine's memory, its
// address-space limit and its control group's memory limit.
long long UsableMemoryBytes();

// The texts of the bounds.
std::string StatementTooLongMessage(int seconds);
std::string ResultTooLargeMessage(long long rowsRead);

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

  // Told while a directory loads: rows loaded so far of the rows expected.
  // Returning false stops the load; the query then fails with LoadCancelled.
  void SetProgress(Progress p) { progress_ = std::move(p); }
  // Told while a statement runs (see StatementProgress).
  void SetStatementProgress(StatementProgress p) { statementProgress_ = std::move(p); }
  // The bounds; by default those of UsableMemoryBytes(). Set before opening.
  void SetBounds(const EngineBounds& b);
  const EngineBounds& Bounds();
  // The importer to run (orbisk-import beside the program unless set).
  void SetImporter(std::string path) { importer_ = std::move(path); }
  // How many times this connection ran the importer (tests watch the cache).
  long long ImportsRun() const { return importsRun_; }
  // How many times the engine prepared a statement (tests watch re-runs).
  long long StatementsRun() const { return statementsRun_; }
  void CountStatement() { ++statementsRun_; }
  // A statement starts running: its time counts from now.
  void BeginStatement();
  // The error for a statement that stopped with `rc` after `rowsRead` rows:
  // LoadCancelled when the user stopped it, the time limit's or the memory
  // limit's text when a bound ended it, else the engine's message.
  [[noreturn]] void ThrowStatementError(int rc, long long rowsRead);
  // The statement ended well: no bound counts until the next one.
  void EndStatement() { statementStartNs_ = 0; }

  // An in-memory database with our functions, for tests and tools.
  void OpenMemory();
  // Opens (creating) a SQLite file for writing, with our functions registered.
  void OpenWritable(const std::string& path);

 private:
  // Opens the cached copy of the open directory file `fd`, importing it first when needed.
  void OpenImported(int fd, const std::string& path);

  // Puts the bounds on a connection just opened.
  void Bind(sqlite3* db);
  static int OnProgress(void* self);

  std::string connectionString_;
  sqlite3* db_ = nullptr;
  Progress progress_;
  StatementProgress statementProgress_;
  EngineBounds bounds_;
  bool boundsSet_ = false;
  // The statement running: when it started, when it last told its progress,
  // and why it was stopped (0 running, 1 cancelled, 2 past its time).
  long long statementStartNs_ = 0;
  long long lastToldNs_ = 0;
  int stopped_ = 0;
  std::string importer_;
  long long statementsRun_ = 0;
  long long importsRun_ = 0;
};

// Registers the Unicode-aware like() and NOCASE collation on a connection.
void RegisterTextFunctions(sqlite3* db);
// What the first bytes of a file say it is.
// Missing is also anything that is not a regular file (a folder, a FIFO, a
// device), which is never opened for reading.
// What a path names when it is no regular file, as a second line for "Could
// not find file": "It is a folder." / "a FIFO" / "a device" / "a socket";
// empty for a regular file or nothing at all.
std::string WhatIsNotAFile(const std::string& path);
enum class DatabaseFormat { Missing, Jet3, Jet4, Ace, Sqlite, Unknown };
DatabaseFormat DetectDatabaseFormat(const std::string& path);
DatabaseFormat DatabaseFormatOf(const unsigned char* head, size_t size);

// The engine's message for a failed call on db.
std::string EngineError(sqlite3* db);

}  // namespace orbisk
