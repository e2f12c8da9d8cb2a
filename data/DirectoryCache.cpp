#include "data/DirectoryCache.h"

#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

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
  return id;
}

// The path an entry was made from, as its marker names it; empty when the entry is no entry of ours.
std::string EntrySourcePath(const std::string& entry) {
  sqlite3* db = nullptr;
  std::string path;
  if (sqlite3_open_v2(SqliteFileUri(entry, "mode=ro&immutable=1").c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                      nullptr) == SQLITE_OK) {
    if (auto key = CurrentDirectoryMarker(db)) path = key->substr(0, key->find('\n'));
  }
  sqlite3_close_v2(db);
  return path;
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

std::optional<std::string> CurrentDirectoryMarker(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  std::optional<std::string> out;
  if (sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &st, nullptr) != SQLITE_OK || sqlite3_step(st) != SQLITE_ROW ||
      sqlite3_column_int(st, 0) != kDirectoryApplicationId) {
    sqlite3_finalize(st);
    return out;
  }
  sqlite3_finalize(st);
  st = nullptr;
  if (sqlite3_prepare_v2(db, (std::string("SELECT Collation_Version, Source FROM ") + kDirectoryMarkerTable).c_str(), -1,
                         &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) == SQLITE_INTEGER &&
      sqlite3_column_int64(st, 0) == kTextCollationVersion) {
    const unsigned char* s = sqlite3_column_text(st, 1);
    std::string source = s ? reinterpret_cast<const char*>(s) : "";
    if (sqlite3_step(st) == SQLITE_DONE) out = std::move(source);  // one row only
  }
  sqlite3_finalize(st);
  return out;
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
         std::to_string(id.size) + " modified " + std::to_string(id.modifiedNs) + " import " +
         std::to_string(kImportFormatVersion) + " collation " + std::to_string(kTextCollationVersion);
}

std::string CacheEntryName(const FileIdentity& id) {
  return Hex(Fnv1a(id.path)) + "-" + Hex(Fnv1a(IdentityKey(id))) + std::string(kEntrySuffix);
}

void CleanDirectoryCache(const std::string& folder, const std::string& kept) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  const std::string keptPath = kept.substr(0, kPathHashLength);
  const time_t now = std::time(nullptr);
  while (dirent* e = ::readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name == kept) continue;
    const std::string file = folder + name;
    struct stat st;
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const double idle = std::difftime(now, st.st_mtime);
    if (name.rfind(kTempPrefix, 0) == 0) {
      if (idle > 24 * 3600.0) ::unlink(file.c_str());  // left by a program that ended mid-import
      continue;
    }
    if (!EndsWith(name, kEntrySuffix)) continue;
    bool remove = idle > kCacheEntryUnusedDays * 24 * 3600.0 ||
                  (!keptPath.empty() && name.compare(0, kPathHashLength, keptPath) == 0);
    if (!remove) {
      const std::string source = EntrySourcePath(file);
      struct stat sst;
      remove = source.empty() || ::stat(source.c_str(), &sst) != 0;
    }
    if (remove) ::unlink(file.c_str());
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
