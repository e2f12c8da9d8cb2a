#include "data/Connection.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// An imported copy of ours, complete and made from the file `key` names: its
// marker matches and its size is the size its header says.
sqlite3* OpenImportedCopy(const std::string& path, const std::string& key) {
  sqlite3* db = OpenReadOnly(SqliteFileUri(path, "mode=ro&immutable=1"), true);
  if (!db) return nullptr;
  auto marker = CurrentDirectoryMarker(db);
  long long pages = -1, pageSize = -1;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT page_count, page_size FROM pragma_page_count, pragma_page_size", -1, &st,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    pages = sqlite3_column_int64(st, 0);
    pageSize = sqlite3_column_int64(st, 1);
  }
  sqlite3_finalize(st);
  struct stat fst;
  if (!marker || *marker != key || ::stat(path.c_str(), &fst) != 0 || pages <= 0 ||
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

// A temporary file for an import, in the cache folder when it can be
// written there (then `cacheable`), else in the temporary folder.
std::string CreateImportFile(const std::string& folder, bool& cacheable) {
  cacheable = false;
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string templ = folder + ".import-XXXXXX";
    int fd = ::mkstemp(templ.data());
    if (fd >= 0) {
      ::close(fd);
      cacheable = true;
      return templ;
    }
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/orbisk-import-XXXXXX";
  int fd = ::mkstemp(templ.data());
  if (fd < 0) throw ImportFailed(Message{msg::kNoTemporaryCopy, {std::strerror(errno)}});
  ::close(fd);
  return templ;
}

}  // namespace

DatabaseFormat DetectDatabaseFormat(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return IsRegularFile(path) ? DatabaseFormat::Unknown : DatabaseFormat::Missing;
  FdCloser closer{fd};
  return FormatOfOpenFile(fd);
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
  const int fd = OpenRegularFile(path);
  if (fd < 0) {
    const int error = errno;
    if (IsRegularFile(path))  // there, but not for us to read
      throw Failure({Message{msg::kUnrecognizedFormat, {given}}, Message{msg::kCannotBeRead, {std::strerror(error)}}});
    throw Failure(msg::kFileNotFound, {given});
  }
  FdCloser closer{fd};
  const DatabaseFormat format = FormatOfOpenFile(fd);
  if (format == DatabaseFormat::Unknown) throw Failure(msg::kUnrecognizedFormat, {given});
  if (format == DatabaseFormat::Sqlite) {
    // Ours, made under the current collation: its indexes can be trusted as they are.
    if (sqlite3* db = OpenReadOnly(path, false)) {
      if (CurrentDirectoryMarker(db)) {
        RegisterTextFunctions(db);
        db_ = db;
        return;
      }
      sqlite3_close_v2(db);
    }
  }
  try {
    OpenImported(fd, path);
  } catch (const ImportFailed& e) {
    throw Failure({Message{msg::kUnrecognizedFormat, {given}}, e.message});
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
      ::utimensat(AT_FDCWD, entry.c_str(), nullptr, 0);  // used now
      RegisterTextFunctions(db);
      db_ = db;
      CleanDirectoryCache(folder, name);
      return;
    }
    ::unlink(entry.c_str());  // damaged, or made from another file: built again
  }
  bool cacheable = false;
  std::string temp = CreateImportFile(folder, cacheable);
  struct Remove {
    std::string path;
    ~Remove() {
      if (!path.empty()) ::unlink(path.c_str());
    }
  } remove{temp};
  ++importsRun_;
  RunImporter(importer_.empty() ? ImporterPath() : importer_, fd, temp, key, ImportLimitsFor(before->size), progress_);
  sqlite3* db = OpenImportedCopy(temp, key);
  if (!db) throw ImportFailed(Message{msg::kCopyIncomplete, {}});
  // A file that changed while it was read is used as read, but not kept.
  const auto after = IdentityOf(fd, before->path);
  const auto atPath = IdentityOf(before->path);
  const std::string entry = folder + name;
  if (cacheable && after == before && atPath == before && ::rename(temp.c_str(), entry.c_str()) == 0) {
    remove.path.clear();
    // Opened again under its lasting name, so that the connection names the file that stays.
    if (sqlite3* kept = OpenImportedCopy(entry, key)) {
      sqlite3_close_v2(db);
      db = kept;
    }
    CleanDirectoryCache(folder, name);
  }
  // Otherwise the copy is removed now and its space freed when the connection closes.
  RegisterTextFunctions(db);
  db_ = db;
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
