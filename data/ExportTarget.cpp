#include "data/ExportTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "data/AtomicFile.h"
#include "data/DirectoryCache.h"
#include "data/Message.h"

namespace orbisk {

namespace {

// Device and inode of the files no export may write. One thread exports.
std::vector<std::pair<unsigned long long, unsigned long long>>& Protected() {
  static std::vector<std::pair<unsigned long long, unsigned long long>> files;
  return files;
}

// The canonical form of an existing folder, with a trailing '/'; empty when it
// cannot be told.
std::string CanonicalFolder(const std::string& folder) {
  char buf[PATH_MAX];
  if (!::realpath(folder.c_str(), buf)) return {};
  std::string s = buf;
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

bool InsideCache(const std::string& finalFile) {
  const std::string cache = DirectoryCacheFolder();
  if (cache.empty()) return false;
  const std::string cacheFolder = CanonicalFolder(cache);
  if (cacheFolder.empty()) return false;  // no cache yet: nothing can lie in it
  const std::string folder = CanonicalFolder(FolderOf(finalFile));
  return !folder.empty() && folder.compare(0, cacheFolder.size(), cacheFolder) == 0;
}

[[noreturn]] void Refuse(const char* text, const std::string& target) { throw Failure(text, {target}); }

}  // namespace

std::string NoFileNameMessage(const std::string& target) { return EnglishText(Message{msg::kNoFileName, {target}}); }

ProtectedFile::ProtectedFile(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  active_ = true;
  Protected().emplace_back(dev_, ino_);
}

ProtectedFile::~ProtectedFile() {
  if (!active_) return;
  auto& files = Protected();
  for (auto it = files.end(); it != files.begin();) {
    --it;
    if (it->first == dev_ && it->second == ino_) {
      files.erase(it);
      break;
    }
  }
}

std::string CheckExportTarget(const std::string& target) {
  if (target.empty() || target.back() == '/') Refuse(msg::kNoFileName, target);
  const std::string finalFile = FinalFile(target);
  struct stat st;
  const bool exists = ::stat(finalFile.c_str(), &st) == 0;
  if (exists) {
    for (const auto& [dev, ino] : Protected())
      if (dev == st.st_dev && ino == st.st_ino) Refuse(msg::kIsTheDirectory, target);
  }
  if (InsideCache(finalFile)) Refuse(msg::kIsTheDirectory, target);
  if (!exists) return finalFile;
  if (S_ISDIR(st.st_mode)) Refuse(msg::kIsAFolder, target);
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) Refuse(msg::kIsADevice, target);
  if (S_ISFIFO(st.st_mode)) Refuse(msg::kIsAFifo, target);
  if (!S_ISREG(st.st_mode)) Refuse(msg::kNotARegularFile, target);
  // access() asks for the real user; root may write anything, so for root a
  // file that nobody may write counts as read-only too.
  if (::access(finalFile.c_str(), W_OK) != 0) throw Failure(msg::kCannotWriteReason, {target, std::strerror(errno)});
  if (::getuid() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    throw Failure(msg::kCannotWriteReason, {target, std::strerror(EACCES)});
  return finalFile;
}

}  // namespace orbisk
