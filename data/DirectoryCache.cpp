#include "data/DirectoryCache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "data/TextCollation.h"

namespace orbisk {

std::string DirectoryCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return {};
    base = std::string(home) + "/.cache";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/orbisk/";
}

namespace {

bool Exec(sqlite3* db, const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

uint64_t Fnv1a(std::string_view s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string Hex(uint64_t v) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

constexpr std::string_view kEntrySuffix = ".sqlite";
constexpr std::string_view kTempPrefix = ".import-";
constexpr size_t kPathHashLength = 16;

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

FileIdentity FromStat(const struct stat& st, const std::string& path) {
  FileIdentity id;
  id.path = path;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = static_cast<long long>(st.st_size);
  id.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  id.changedNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  return id;
}

bool IsHex(std::string_view s) {
  return s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// "<16 hex>-<16 hex>.sqlite", as CacheEntryName makes them.
bool IsEntryName(std::string_view name) {
  return name.size() == 2 * kPathHashLength + 1 + kEntrySuffix.size() && EndsWith(name, kEntrySuffix) &&
         name[kPathHashLength] == '-' && IsHex(name.substr(0, kPathHashLength)) &&
         IsHex(name.substr(kPathHashLength + 1, kPathHashLength));
}

// ".import-" and the six characters mkstemp puts in place of XXXXXX.
bool IsImportName(std::string_view name) {
  if (name.size() != kTempPrefix.size() + 6 || name.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
  for (char c : name.substr(kTempPrefix.size()))
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// The path an entry was made from, as its marker names it; empty when the
// entry is no entry of ours. `fd` is the entry, open and known to be a regular file.
std::string EntrySourcePath(int fd) {
  sqlite3* db = nullptr;
  std::string path;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (sqlite3_open_v2(SqliteFileUri(self, "mode=ro&immutable=1").c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                      nullptr) == SQLITE_OK) {
    if (auto key = CurrentDirectoryMarker(db)) path = key->substr(0, key->find('\n'));
  }
  sqlite3_close_v2(db);
  return path;
}

// Opens an entry of the folder `dir` without following a link and without
// blocking; -1 unless it is a regular file.
int OpenEntry(int dir, const char* name, struct stat& st) {
  const int fd = ::openat(dir, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void WriteDirectoryMarker(sqlite3* db, std::string_view source) {
  Exec(db, "PRAGMA application_id = " + std::to_string(kDirectoryApplicationId));
  Exec(db, std::string("CREATE TABLE IF NOT EXISTS ") + kDirectoryMarkerTable +
               " (Collation_Version INTEGER, Source TEXT)");
  Exec(db, std::string("DELETE FROM ") + kDirectoryMarkerTable);
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, (std::string("INSERT INTO ") + kDirectoryMarkerTable + " VALUES (?1, ?2)").c_str(), -1,
                         &st, nullptr) == SQLITE_OK) {
    sqlite3_bind_int(st, 1, kTextCollationVersion);
    sqlite3_bind_text(st, 2, source.data(), static_cast<int>(source.size()), SQLITE_TRANSIENT);
    sqlite3_step(st);
  }
  sqlite3_finalize(st);
}

namespace {

struct Deadline {
  std::chrono::steady_clock::time_point end;
  bool passed = false;
};

int PastDeadline(void* p) {
  auto* d = static_cast<Deadline*>(p);
  if (std::chrono::steady_clock::now() < d->end) return 0;
  d->passed = true;
  return 1;
}

}  // namespace

MarkerCheck CheckDirectoryMarker(sqlite3* db, std::string* source, int seconds) {
  Deadline deadline{std::chrono::steady_clock::now() + std::chrono::seconds(seconds)};
  sqlite3_progress_handler(db, 1000, PastDeadline, &deadline);
  MarkerCheck result = MarkerCheck::Other;
  sqlite3_stmt* st = nullptr;
  auto step = [&](const char* sql) {
    sqlite3_finalize(st);
    st = nullptr;
    return sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW;
  };
  const std::string markerSql = std::string("SELECT Collation_Version, Source FROM ") + kDirectoryMarkerTable;
  const std::string tableSql =
      std::string("SELECT type FROM sqlite_master WHERE name = '") + kDirectoryMarkerTable + "'";
  if (step("PRAGMA application_id") && sqlite3_column_int(st, 0) == kDirectoryApplicationId &&
      step(tableSql.c_str()) && sqlite3_column_text(st, 0) &&
      std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "table" &&
      step(markerSql.c_str()) && sqlite3_column_type(st, 0) == SQLITE_INTEGER &&
      sqlite3_column_int64(st, 0) == kTextCollationVersion) {
    const unsigned char* s = sqlite3_column_text(st, 1);
    std::string found = s ? reinterpret_cast<const char*>(s) : "";
    if (sqlite3_step(st) == SQLITE_DONE) {  // one row only
      result = MarkerCheck::Current;
      if (source) *source = std::move(found);
    }
  }
  sqlite3_finalize(st);
  sqlite3_progress_handler(db, 0, nullptr, nullptr);
  return deadline.passed ? MarkerCheck::TooSlow : result;
}

std::optional<std::string> CurrentDirectoryMarker(sqlite3* db, int seconds) {
  std::string source;
  if (CheckDirectoryMarker(db, &source, seconds) != MarkerCheck::Current) return std::nullopt;
  return source;
}

std::optional<FileIdentity> IdentityOf(int fd, const std::string& path) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return FromStat(st, path);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FromStat(st, path);
}

std::string IdentityKey(const FileIdentity& id) {
  return id.path + "\ndevice " + std::to_string(id.device) + " inode " + std::to_string(id.inode) + " size " +
         std::to_string(id.size) + " modified " + std::to_string(id.modifiedNs) + " changed " +
         std::to_string(id.changedNs) + " import " +
         std::to_string(kImportFormatVersion) + " collation " + std::to_string(kTextCollationVersion);
}

std::string CacheEntryName(const FileIdentity& id) {
  return Hex(Fnv1a(id.path)) + "-" + Hex(Fnv1a(IdentityKey(id))) + std::string(kEntrySuffix);
}

void CleanDirectoryCache(const std::string& folder, const std::string& kept) {
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(dirFd), ::closedir);
  if (!dir) {
    ::close(dirFd);
    return;
  }
  const std::string keptPath = kept.substr(0, kPathHashLength);
  const time_t now = std::time(nullptr);
  while (dirent* e = ::readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name == kept) continue;
    const bool import = IsImportName(name);
    if (!import && !IsEntryName(name)) continue;
    struct stat st;
    const int fd = OpenEntry(dirFd, name.c_str(), st);
    if (fd < 0) continue;
    bool remove = false;
    if (import) {
      // Left by a program that ended mid-import when no process holds its lock.
      remove = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    } else {
      const std::string source = EntrySourcePath(fd);
      if (!source.empty()) {
        struct stat sst;
        remove = std::difftime(now, st.st_mtime) > kCacheEntryUnusedDays * 24 * 3600.0 ||
                 (!keptPath.empty() && name.compare(0, kPathHashLength, keptPath) == 0) ||
                 ::stat(source.c_str(), &sst) != 0;
      }
    }
    // Still the file that was looked at: nothing was put in its place meanwhile.
    struct stat again;
    if (remove && ::fstatat(dirFd, name.c_str(), &again, AT_SYMLINK_NOFOLLOW) == 0 && again.st_dev == st.st_dev &&
        again.st_ino == st.st_ino)
      ::unlinkat(dirFd, name.c_str(), 0);
    ::close(fd);
  }
}

std::string SqliteFileUri(const std::string& path, std::string_view query) {
  std::string uri = "file:";
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '.' ||
        c == '-' || c == '_') {
      uri += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      uri += buf;
    }
  }
  if (!query.empty()) uri += "?" + std::string(query);
  return uri;
}

}  // namespace orbisk
