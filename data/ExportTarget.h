#pragma once
// What an export may write. Every writer asks here before it touches its
// target: the directory being searched, the importer's cache, a file the user
// may not write, a folder, a device or a FIFO are never replaced. A link as
// target is written through to the file it names, and the link stays.
#include <string>

namespace orbisk {

// While an object of this class lives, exports refuse the file it was given,
// by device and inode (so also under another name, through a link or a
// relative path). A path that names no file protects nothing.
class ProtectedFile {
 public:
  explicit ProtectedFile(const std::string& path);
  ~ProtectedFile();
  ProtectedFile(const ProtectedFile&) = delete;
  ProtectedFile& operator=(const ProtectedFile&) = delete;

 private:
  bool active_ = false;
  unsigned long long dev_ = 0;
  unsigned long long ino_ = 0;
};

// Throws std::runtime_error, before anything is written, when `target` may not
// be an export's file:
//   "Cannot write '<path>': no file name."           (empty, or ending in '/')
//   "Cannot export to '<path>': it is the directory Orbisk is searching."
//                                    (a protected file, or a file of the cache)
//   "'<path>' is a folder."  "'<path>' is a device."  "'<path>' is a FIFO."
//   "'<path>' is not a regular file."
//   "Cannot write '<path>': Permission denied."  (no write access for the real
//                         user; for root, a file without any write bit)
// Returns FinalFile(target), the file the export is to replace. Exports hand
// it to AtomicFile as the target's check.
std::string CheckExportTarget(const std::string& target);

// The message for a target without a file name.
std::string NoFileNameMessage(const std::string& target);

}  // namespace orbisk
