#pragma once
// Where imported copies of directories are kept between runs, how an entry
// is named from the identity of the file it was made from, and the marker
// that Orbisk's own tools put into every SQLite directory they write.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace orbisk {

// $XDG_CACHE_HOME/orbisk/ (a relative or empty XDG_CACHE_HOME is ignored,
// as the base-directory rules say), else $HOME/.cache/orbisk/; ends in '/'.
// Empty when neither can be told. The folder is not created here.
std::string DirectoryCacheFolder();

// The marker: PRAGMA application_id and a one-row table naming the text
// collation the file's indexes were built under (and, for imported copies,
// the identity of the file they were made from).
inline constexpr int kDirectoryApplicationId = 0x4F52424B;  // "ORBK"
inline constexpr const char* kDirectoryMarkerTable = "Orbisk_Directory";
// Bumped whenever the importer writes its copies differently.
inline constexpr int kImportFormatVersion = 2;

// Writes the marker into a database open for writing; `source` is the
// identity key of the imported file, empty for a directory made directly.
void WriteDirectoryMarker(sqlite3* db, std::string_view source = {});
// The source key of a database carrying the marker of the current
// collation; nothing for any other database. The marker must be a table; the
// check (which reads the file's schema) is ended after `seconds`.
std::optional<std::string> CurrentDirectoryMarker(sqlite3* db, int seconds = 5);
enum class MarkerCheck { Current, Other, TooSlow };
MarkerCheck CheckDirectoryMarker(sqlite3* db, std::string* source, int seconds);

// What makes a directory file the same file: a replaced, rewritten or touched
// file has another identity.
struct FileIdentity {
  std::string path;  // canonical
  dev_t device = 0;
  ino_t inode = 0;
  long long size = 0;
  long long modifiedNs = 0;
  long long changedNs = 0;  // status change (st_ctim), which no user can set back
  bool operator==(const FileIdentity&) const = default;
};
// The identity of the open file `fd` found at canonical path `path`.
std::optional<FileIdentity> IdentityOf(int fd, const std::string& path);
std::optional<FileIdentity> IdentityOf(const std::string& path);
// Every part of the identity, the importer's format version and the
// collation version, as one text (stored in the entry it names).
std::string IdentityKey(const FileIdentity& id);
// "<hash of the path>-<hash of the key>.sqlite", 16 hexadecimal digits each.
std::string CacheEntryName(const FileIdentity& id);

// Removes from the cache folder: the other entries made from the same path,
// entries whose file no longer exists, entries not used for 30 days, and
// temporary files of imports whose program has ended (no process holds their
// lock). Only regular files named as the cache names them are touched, and an
// entry only when it carries the marker with the file it was made from;
// anything else in the folder, and whatever a link names, stays. `kept` is
// left alone.
void CleanDirectoryCache(const std::string& folder, const std::string& kept);
inline constexpr int kCacheEntryUnusedDays = 30;

// A SQLite URI naming `path`, with `query` ("mode=ro") after it.
std::string SqliteFileUri(const std::string& path, std::string_view query);

}  // namespace orbisk
