#include "data/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "data/ExportTarget.h"
#include "data/Message.h"

namespace orbisk {

namespace {

[[noreturn]] void Fail(const char* text, const std::string& path, int err) {
  throw Failure(text, {path, std::strerror(err)});
}

}  // namespace

AtomicFile::AtomicFile(std::string target, TargetCheck check) : target_(std::move(target)) {
  final_ = check == TargetCheck::Export ? CheckExportTarget(target_) : FinalFile(target_);
  auto slash = final_.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : final_.substr(0, slash);
  std::string base = slash == std::string::npos ? final_ : final_.substr(slash + 1);
  if (base.empty()) throw Failure(msg::kNoFileName, {target_});
  struct stat st;
  if (::stat(final_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw Failure(msg::kIsAFolder, {target_});
  std::string templ = dir + "/." + base + ".XXXXXX";
  int fd = ::mkstemp(templ.data());
  if (fd < 0) Fail(msg::kCannotCreate, target_, errno);
  temp_ = templ;
  // Keep the permissions a new file would get (mkstemp makes 0600).
  mode_t mask = ::umask(0);
  ::umask(mask);
  mode_t mode = 0666 & ~mask;
  if (::stat(final_.c_str(), &st) == 0) mode = st.st_mode & 07777;
  ::fchmod(fd, mode);
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
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, TargetCheck check) {
  AtomicFile f(path, check);
  f.Write(bytes);
  f.Commit();
}

}  // namespace orbisk
