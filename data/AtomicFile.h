#pragma once
// Writes a file through a temporary file in the target folder that is renamed
// over the target only when everything was written. Every write, flush and
// close is checked; failures throw std::runtime_error with the reason. A writer
// that is destroyed without Commit() removes its temporary file and leaves any
// existing target untouched. A link as target is written through: the
// temporary file goes beside the file the link names and replaces that file,
// so the link stays a link.
#include <cstdio>
#include <string>
#include <string_view>

namespace orbisk {

// Temporary files are named this and six characters more, whatever the target.
inline constexpr std::string_view kTempNamePrefix = ".orbisk-";

// The file a path finally names: symbolic links followed (a relative link from
// the link's own folder), up to 40 of them. A path that names nothing, or a
// dangling link's target, is returned as the file that would be created. A
// relative path stays relative (to the current folder).
std::string FinalFile(const std::string& path);

// The folder part of a path ("." for a bare name, "/" for a file in the root).
std::string FolderOf(const std::string& path);

// What a writer may replace: a check that throws for a target it refuses and
// returns the file to replace (the final file of the target). Without one,
// FinalFile.
using TargetCheck = std::string (*)(const std::string& target);

class AtomicFile {
 public:
  explicit AtomicFile(std::string target, TargetCheck check = nullptr);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  AtomicFile& operator<<(std::string_view bytes) { Write(bytes); return *this; }
  void Commit();  // flush, fsync, close, rename, fsync of the folder
  const std::string& Target() const { return target_; }
  // The file that is replaced: the target, or the file a link as target names.
  const std::string& FinalPath() const { return final_; }
  const std::string& TempPath() const { return temp_; }

 private:
  std::string target_;
  std::string final_;
  std::string temp_;
  FILE* f_ = nullptr;
  bool committed_ = false;
};

// Writes a whole file at once through AtomicFile.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         TargetCheck check = nullptr);

}  // namespace orbisk
