#include "data/Connection.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "data/DirectoryCache.h"
#include "data/DirectoryImport.h"
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

DatabaseFormat DatabaseFormatOf(const unsigned char* head, size_t n) {
  if (n >= 16 && std::memcmp(head, "SQLite format 3", 16) == 0) return DatabaseFormat::Sqlite;
  if (n >= 0x15 && std::memcmp(head + 4, "Standard Jet DB", 16) == 0)
    return head[0x14] == 0 ? DatabaseFormat::Jet3 : DatabaseFormat::Jet4;
  if (n >= 0x15 && std::memcmp(head + 4, "Standard ACE DB", 16) == 0) return DatabaseFormat::Ace;
  return DatabaseFormat::Unknown;
}

namespace {

// Opens a directory file for reading; -1 (nothing opened) for a missing path
// and for anything that is not a regular file, which could block or never end.
int OpenRegularFile(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // replaced in between
    ::close(fd);
    return -1;
  }
  return fd;
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

DatabaseFormat FormatOfOpenFile(int fd) {
  unsigned char head[32] = {};
  const ssize_t n = ::pread(fd, head, sizeof head, 0);
  return DatabaseFormatOf(head, n > 0 ? static_cast<size_t>(n) : 0);
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

// Opens a SQLite file read-only; null (and nothing open) when it does not open.
sqlite3* OpenReadOnly(const std::string& uriOrPath, bool uri) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(uriOrPath.c_str(), &db, SQLITE_OPEN_READONLY | kSingleThread | (uri ? SQLITE_OPEN_URI : 0),
                      nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  return db;
}

// True when `path` is a regular file (not a link) that opens without
// blocking: a FIFO or device planted in the cache is never handed to the engine.
bool IsPlainRegularFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  return regular;
}

// An imported copy of ours, complete and made from the file `key` names: its
// marker matches and its size is the size its header says.
sqlite3* OpenImportedCopy(const std::string& path, const std::string& key) {
  if (!IsPlainRegularFile(path)) return nullptr;
  sqlite3* db = OpenReadOnly(SqliteFileUri(path, "mode=ro&immutable=1"), true);
  if (!db) return nullptr;
  auto marker = CurrentDirectoryMarker(db);
  long long pages = -1, pageSize = -1;
  sqlite3_stmt* st = nullptr;
  if (marker && *marker == key &&
      sqlite3_prepare_v2(db, "SELECT page_count, page_size FROM pragma_page_count, pragma_page_size", -1, &st,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    pages = sqlite3_column_int64(st, 0);
    pageSize = sqlite3_column_int64(st, 1);
  }
  sqlite3_finalize(st);
  struct stat fst;
  if (!marker || *marker != key || ::lstat(path.c_str(), &fst) != 0 || !S_ISREG(fst.st_mode) || pages <= 0 ||
      pages * pageSize != static_cast<long long>(fst.st_size)) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  return db;
}

std::string CanonicalPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  std::string out = real ? real : path;
  std::free(real);
  return out;
}

// A temporary file for an import, locked for as long as this program holds
// it, so that a cleaner of another run never takes it for one left by a
// program that was killed.
struct ImportFile {
  std::string path;
  int fd = -1;
  ImportFile() = default;
  ImportFile(const ImportFile&) = delete;
  ImportFile& operator=(const ImportFile&) = delete;
  ~ImportFile() { Drop(); }
  void Drop() {
    if (!path.empty()) ::unlink(path.c_str());
    Release();
  }
  void Release() {  // kept under another name: only the lock goes
    path.clear();
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  bool Create(std::string templ) {
    const int made = ::mkstemp(templ.data());
    if (made < 0) return false;
    ::flock(made, LOCK_EX);
    ::fcntl(made, F_SETFD, FD_CLOEXEC);
    path = std::move(templ);
    fd = made;
    return true;
  }
};

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && tmp[0] == '/' ? tmp : "/tmp";
}

// An import's file in the cache folder; false when none can be made there.
bool CreateCacheImportFile(const std::string& folder, ImportFile& file) {
  if (folder.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return file.Create(folder + ".import-XXXXXX");
}

void CreateTempImportFile(ImportFile& file) {
  if (!file.Create(TempFolder() + "/orbisk-import-XXXXXX"))
    throw ImportFailed(Message{msg::kNoTemporaryCopy, {std::strerror(errno)}});
}

// After an import into the cache folder failed: true when the folder's file
// system has too little room left for the copy, or the reader said it could
// not write, so that the import is worth trying again in the temporary folder.
bool CacheWriteFailed(const std::string& folder, long long sourceSize, const std::string& why) {
  for (const char* word : {"disk is full", "No space left"})
    if (why.find(word) != std::string::npos) return true;
  struct statvfs fs;
  if (::statvfs(folder.c_str(), &fs) != 0) return true;
  const long long room = static_cast<long long>(fs.f_bavail) * static_cast<long long>(fs.f_frsize);
  return room < sourceSize + 16LL * 1024 * 1024;
}

// The importer names its source by an internal path; the user sees theirs.
std::string WithUserPath(std::string text, const std::string& given) {
  for (const char* internal : {"file:/proc/self/fd/3?mode=ro", "/proc/self/fd/3"}) {
    const std::string_view name = internal;
    for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), given);
  }
  return text;
}

// A SQLite file that keeps a write-ahead log, or has a log or journal beside
// it, is not opened in place: the engine would write beside it.
bool KeepsLogOrJournal(int fd, const std::string& path) {
  unsigned char head[20] = {};
  if (::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) && (head[18] == 2 || head[19] == 2))
    return true;
  struct stat st;
  for (const char* suffix : {"-wal", "-journal", "-shm"})
    if (::lstat((path + suffix).c_str(), &st) == 0) return true;
  return false;
}

long long NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr long long kMb = 1024LL * 1024;
// How often a running statement looks at the clock (virtual machine steps).
constexpr int kProgressSteps = 1000;
constexpr long long kTellEveryNs = 50'000'000;
constexpr int kMaxValueBytes = 64 * 1024 * 1024;

}  // namespace

DatabaseFormat DetectDatabaseFormat(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return IsRegularFile(path) ? DatabaseFormat::Unknown : DatabaseFormat::Missing;
  FdCloser closer{fd};
  return FormatOfOpenFile(fd);
}

std::string WhatIsNotAFile(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
  if (S_ISDIR(st.st_mode)) return "It is a folder.";
  if (S_ISFIFO(st.st_mode)) return "It is a FIFO, not a file.";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "It is a device, not a file.";
  if (S_ISSOCK(st.st_mode)) return "It is a socket, not a file.";
  return "It is not a regular file.";
}

EngineBounds EngineBoundsFor(long long memoryBytes) {
  EngineBounds b;
  const long long quarter = std::max(256 * kMb, memoryBytes / 4);
  b.heapBytes = quarter;
  b.resultBytes = quarter;
  b.statementSeconds = 120;
  b.markerSeconds = 10;
  return b;
}

long long UsableMemoryBytes() {
  long long usable = 0;
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  long long kb = 0;
  while (meminfo >> key >> kb) {
    if (key == "MemTotal:") {
      usable = kb * 1024;
      break;
    }
    meminfo.ignore(1 << 10, '\n');
  }
  if (usable <= 0) usable = 1024 * kMb;
  struct rlimit as;
  if (::getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY)
    usable = std::min(usable, static_cast<long long>(as.rlim_cur));
  // The control group's own limit (cgroup v2), when there is one.
  std::ifstream cgroup("/proc/self/cgroup");
  std::string line;
  while (std::getline(cgroup, line)) {
    if (line.rfind("0::", 0) != 0) continue;
    std::ifstream max("/sys/fs/cgroup" + line.substr(3) + "/memory.max");
    long long bytes = 0;
    if (max >> bytes && bytes > 0) usable = std::min(usable, bytes);
  }
  return usable;
}

std::string StatementTooLongMessage(int seconds) {
  return "The search took longer than " + std::to_string(seconds) + " seconds.";
}

std::string ResultTooLargeMessage(long long rowsRead) {
  return "The result is too large to hold in memory (" + std::to_string(rowsRead) + " rows read).";
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

const EngineBounds& Connection::Bounds() {
  if (!boundsSet_) {
    bounds_ = EngineBoundsFor(UsableMemoryBytes());
    boundsSet_ = true;
  }
  return bounds_;
}

void Connection::SetBounds(const EngineBounds& b) {
  bounds_ = b;
  boundsSet_ = true;
}

void Connection::Bind(sqlite3* db) {
  const EngineBounds& b = Bounds();
  // The engine's heap is one for the process: the connection opened last sets it.
  sqlite3_hard_heap_limit64(b.heapBytes);
  sqlite3_progress_handler(db, kProgressSteps, &Connection::OnProgress, this);
  // Sorts and temporary tables stay in memory, under the heap limit: a
  // crafted statement cannot fill the disk through them.
  sqlite3_exec(db, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
  // No value of a directory comes near this; a larger one is refused before it is made.
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
  RegisterTextFunctions(db);
  db_ = db;
}

void Connection::BeginStatement() {
  ++statementsRun_;
  statementStartNs_ = lastToldNs_ = NowNs();
  stopped_ = 0;
}

int Connection::OnProgress(void* self) {
  auto* c = static_cast<Connection*>(self);
  if (c->statementStartNs_ == 0) return 0;  // outside a query's statement
  const long long now = NowNs();
  const double seconds = static_cast<double>(now - c->statementStartNs_) / 1e9;
  if (c->bounds_.statementSeconds > 0 && seconds > c->bounds_.statementSeconds) {
    c->stopped_ = 2;
    return 1;
  }
  if (c->statementProgress_ && now - c->lastToldNs_ >= kTellEveryNs) {
    c->lastToldNs_ = now;
    bool go = true;
    try {
      go = c->statementProgress_(seconds);
    } catch (...) {
      go = false;
    }
    if (!go) {
      c->stopped_ = 1;
      return 1;
    }
  }
  return 0;
}

void Connection::ThrowStatementError(int rc, long long rowsRead) {
  const int why = stopped_;
  statementStartNs_ = 0;
  stopped_ = 0;
  if (why == 1) throw LoadCancelled();
  if (why == 2) throw std::runtime_error(StatementTooLongMessage(bounds_.statementSeconds));
  if ((rc & 0xff) == SQLITE_NOMEM || (rc & 0xff) == SQLITE_TOOBIG) throw std::runtime_error(ResultTooLargeMessage(rowsRead));
  throw std::runtime_error(EngineError(db_));
}

void Connection::EnsureOpen() {
  if (db_) return;
  std::string given = DataSource();
  std::string path = ResolveIgnoringCase(given);
  const int fd = OpenRegularFile(path);
  if (fd < 0) {
    const int error = errno;
    if (IsRegularFile(path))  // there, but not for us to read
      throw Failure({Message{msg::kUnrecognizedFormat, {given}}, Message{msg::kCannotBeRead, {std::strerror(error)}}});
    const std::string what = WhatIsNotAFile(path);
    if (what.empty()) throw Failure(msg::kFileNotFound, {given});
    throw Failure({Message{msg::kFileNotFound, {given}}, Message{kVerbatim, {what}}});
  }
  FdCloser closer{fd};
  const DatabaseFormat format = FormatOfOpenFile(fd);
  if (format == DatabaseFormat::Unknown) throw Failure(msg::kUnrecognizedFormat, {given});
  const EngineBounds bounds = Bounds();
  if (format == DatabaseFormat::Sqlite && !KeepsLogOrJournal(fd, path)) {
    // Ours, made under the current collation: its indexes can be trusted as they are.
    if (sqlite3* db = OpenReadOnly(path, false)) {
      std::string source;
      const MarkerCheck marker = CheckDirectoryMarker(db, &source, bounds.markerSeconds);
      if (marker == MarkerCheck::Current) {
        Bind(db);
        return;
      }
      sqlite3_close_v2(db);
      if (marker == MarkerCheck::TooSlow)
        throw std::runtime_error("Unrecognized database format '" + given + "'.\nTelling what it holds took longer than " +
                                 std::to_string(bounds.markerSeconds) + " seconds.");
    }
  }
  try {
    OpenImported(fd, path);
  } catch (const ImportFailed& e) {
    Message why = e.message;
    for (std::string& value : why.args) value = WithUserPath(value, given);
    throw Failure({Message{msg::kUnrecognizedFormat, {given}}, why});
  }
}

void Connection::OpenImported(int fd, const std::string& path) {
  const auto before = IdentityOf(fd, CanonicalPath(path));
  if (!before) throw ImportFailed(Message{msg::kCannotBeExamined, {std::strerror(errno)}});
  const std::string key = IdentityKey(*before);
  const std::string folder = DirectoryCacheFolder();
  const std::string name = CacheEntryName(*before);
  if (!folder.empty()) {
    const std::string entry = folder + name;
    if (sqlite3* db = OpenImportedCopy(entry, key)) {
      ::utimensat(AT_FDCWD, entry.c_str(), nullptr, AT_SYMLINK_NOFOLLOW);  // used now
      Bind(db);
      CleanDirectoryCache(folder, name);
      return;
    }
    // Damaged, made from another file or planted: built again. Only a file
    // or link of that name goes; a folder of that name is left to its owner.
    struct stat st;
    if (::lstat(entry.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(entry.c_str());
  }
  const std::string importer = importer_.empty() ? ImporterPath() : importer_;
  const ImportLimits limits = ImportLimitsFor(before->size);
  ImportFile temp;
  bool cacheable = CreateCacheImportFile(folder, temp);
  if (!cacheable) CreateTempImportFile(temp);
  ++importsRun_;
  try {
    RunImporter(importer, fd, temp.path, key, limits, progress_);
  } catch (const ImportFailed& e) {
    // A cache folder that is full or fails while writing: a temporary copy serves this run.
    if (!cacheable || !CacheWriteFailed(folder, before->size, e.what())) throw;
    temp.Drop();
    cacheable = false;
    CreateTempImportFile(temp);
    ++importsRun_;
    RunImporter(importer, fd, temp.path, key, limits, progress_);
  }
  sqlite3* db = OpenImportedCopy(temp.path, key);
  if (!db) throw ImportFailed(Message{msg::kCopyIncomplete, {}});
  // A file that changed while it was read is used as read, but not kept.
  const auto after = IdentityOf(fd, before->path);
  const auto atPath = IdentityOf(before->path);
  const std::string entry = folder + name;
  if (cacheable && after == before && atPath == before && ::rename(temp.path.c_str(), entry.c_str()) == 0) {
    temp.Release();
    // Opened again under its lasting name, so that the connection names the file that stays.
    if (sqlite3* kept = OpenImportedCopy(entry, key)) {
      sqlite3_close_v2(db);
      db = kept;
    }
    CleanDirectoryCache(folder, name);
  }
  // Otherwise the copy is removed now and its space freed when the connection closes.
  Bind(db);
}

sqlite3* Connection::Handle() {
  EnsureOpen();
  return db_;
}

void Connection::OpenMemory() {
  Close();
  sqlite3* db = nullptr;
  sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kSingleThread, nullptr);
  Bind(db);
}

void Connection::OpenWritable(const std::string& path) {
  Close();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kSingleThread, nullptr) != SQLITE_OK) {
    std::string m = EngineError(db);
    sqlite3_close_v2(db);
    throw std::runtime_error(m);
  }
  Bind(db);
}

}  // namespace orbisk
