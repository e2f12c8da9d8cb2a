#pragma once
// Writes a file through a temporary file in the target folder that is renamed
// over the target only when everything was written. Every write, flush and
// close is checked; failures throw std::runtime_error with the reason. A writer
// that is destroyed without Commit() removes its temporary file and leaves any
// existing target untouched.
#include <cstdio>
#include <string>
#include <string_view>

namespace orbisk {

class AtomicFile {
 public:
  explicit AtomicFile(std::string target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  AtomicFile& operator<<(std::string_view bytes) { Write(bytes); return *this; }
  void Commit();  // flush, fsync, close, rename
  const std::string& Target() const { return target_; }
  const std::string& TempPath() const { return temp_; }

 private:
  std::string target_;
  std::string temp_;
  FILE* f_ = nullptr;
  bool committed_ = false;
};

// Writes a whole file at once through AtomicFile.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace orbisk
