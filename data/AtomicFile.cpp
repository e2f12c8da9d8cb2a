#include "data/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <climits>
#include "data/Message.h"

namespace orbisk {

namespace {

[[noreturn]] void Fail(const char* text, const std::string& path, int err) {
  throw Failure(text, {path, std::strerror(err)});
}

// The file-creation mask, read without changing it (umask() would change it
// for every thread of the process for a moment).
mode_t ProcessUmask() {
  FILE* status = std::fopen("/proc/self/status", "re");
  mode_t mask = 022;
  if (!status) return mask;
  char line[256];
  while (std::fgets(line, sizeof line, status)) {
    unsigned int m = 0;
    if (std::sscanf(line, "Umask: %o", &m) == 1) {
      mask = static_cast<mode_t>(m & 0777);
      break;
    }
  }
  std::fclose(status);
  return mask;
}

// Makes a rename in `folder` last: the folder's entry is written to disk.
void SyncFolder(const std::string& folder, const std::string& target) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // a folder we may write but not read: nothing to flush through
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0 && err != EINVAL && err != EROFS) Fail(msg::kCannotWrite, target, err);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string FinalFile(const std::string& path) {
  constexpr int kMaxLinks = 40;
  std::string p = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
    const ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
    if (n < 0) return p;
    link.resize(static_cast<size_t>(n));
    if (link.empty()) return p;
    p = link[0] == '/' ? link : FolderOf(p) + "/" + link;
  }
  throw Failure(msg::kCannotWrite, {path, std::strerror(ELOOP)});
}

AtomicFile::AtomicFile(std::string target, TargetCheck check) : target_(std::move(target)) {
  final_ = check ? check(target_) : FinalFile(target_);
  auto slash = final_.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : final_.substr(0, slash);
  std::string base = slash == std::string::npos ? final_ : final_.substr(slash + 1);
  if (base.empty()) throw Failure(msg::kNoFileName, {target_});
  struct stat st;
  if (::stat(final_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw Failure(msg::kIsAFolder, {target_});
  // A short name of fixed length: any name the file system takes can be a target.
  std::string templ = dir + "/" + std::string(kTempNamePrefix) + "XXXXXX";
  int fd = ::mkstemp(templ.data());
  if (fd < 0) Fail(msg::kCannotCreate, target_, errno);
  temp_ = templ;
  // Keep the permissions a new file would get (mkstemp makes 0600), or those of the file replaced.
  mode_t mode = 0666 & ~ProcessUmask();
  if (::stat(final_.c_str(), &st) == 0) mode = st.st_mode & 07777;
  if (::fchmod(fd, mode) != 0) {
    const int err = errno;
    struct stat now;
    // A file system that cannot keep modes (FAT) refuses a change it cannot
    // store; the file is fine when it already has the mode asked for.
    if (::fstat(fd, &now) != 0 || (now.st_mode & 07777) != mode) {
      ::close(fd);
      ::unlink(temp_.c_str());
      temp_.clear();
      Fail(msg::kCannotCreate, target_, err);
    }
  }
  f_ = ::fdopen(fd, "wb");
  if (!f_) {
    int err = errno;
    ::close(fd);
    ::unlink(temp_.c_str());
    Fail(msg::kCannotCreate, target_, err);
  }
}

AtomicFile::~AtomicFile() {
  if (!committed_) {
    if (f_) std::fclose(f_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }
}

void AtomicFile::Write(std::string_view bytes) {
  if (!f_) throw std::runtime_error("Cannot write '" + target_ + "': the file is closed.");
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size())
    Fail(msg::kCannotWrite, target_, errno);
}

void AtomicFile::Commit() {
  if (!f_) throw std::runtime_error("Cannot write '" + target_ + "': the file is closed.");
  if (std::fflush(f_) != 0) Fail(msg::kCannotWrite, target_, errno);
  if (::fsync(::fileno(f_)) != 0 && errno != EINVAL) Fail(msg::kCannotWrite, target_, errno);
  FILE* f = f_;
  f_ = nullptr;
  if (std::fclose(f) != 0) Fail(msg::kCannotWrite, target_, errno);
  if (::rename(temp_.c_str(), final_.c_str()) != 0) Fail(msg::kCannotReplace, target_, errno);
  committed_ = true;
  SyncFolder(FolderOf(final_), target_);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, TargetCheck check) {
  AtomicFile f(path, check);
  f.Write(bytes);
  f.Commit();
}

}  // namespace orbisk
