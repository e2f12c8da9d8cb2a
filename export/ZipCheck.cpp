#include "export/ZipCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <string_view>

namespace orbisk {

namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kEndOfDirectory64 = 0x06064b50;
constexpr uint32_t kEndLocator64 = 0x07064b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kMaxComment = 0xFFFF;

uint64_t Le(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

class File {
 public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    struct stat st;
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
  }
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool Ok() const { return fd_ >= 0 && size_ > 0; }
  uint64_t Size() const { return size_; }
  // Exactly `n` bytes at `at`, or false.
  bool Read(uint64_t at, size_t n, std::string& out) const {
    if (at > size_ || n > size_ - at) return false;
    out.resize(n);
    size_t got = 0;
    while (got < n) {
      const ssize_t r = ::pread(fd_, out.data() + got, n - got, static_cast<off_t>(at + got));
      if (r <= 0) return false;
      got += static_cast<size_t>(r);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_ = 0;
};

const unsigned char* U(const std::string& s, size_t at = 0) { return reinterpret_cast<const unsigned char*>(s.data()) + at; }

}  // namespace

std::vector<std::string> RequiredWorkbookParts() {
  return {"[Content_Types].xml", "_rels/.rels", "docProps/app.xml", "docProps/core.xml", "xl/workbook.xml",
          "xl/_rels/workbook.xml.rels", "xl/styles.xml", "xl/theme/theme1.xml", "xl/worksheets/sheet1.xml"};
}

std::string ZipArchiveProblem(const std::string& path, const std::vector<std::string>& required) {
  File f(path);
  if (!f.Ok()) return "it cannot be read back.";
  // The end record lies in the last 22 bytes plus a comment of at most 64 KB.
  const uint64_t tailSize = std::min<uint64_t>(f.Size(), kEndSize + kMaxComment);
  std::string tail;
  if (!f.Read(f.Size() - tailSize, static_cast<size_t>(tailSize), tail)) return "it cannot be read back.";
  size_t end = std::string::npos;
  for (size_t i = tail.size() >= kEndSize ? tail.size() - kEndSize + 1 : 0; i-- > 0;) {
    if (Le(U(tail, i), 4) == kEndOfDirectory && i + kEndSize + Le(U(tail, i + 20), 2) == tail.size()) {
      end = i;
      break;
    }
  }
  if (end == std::string::npos) return "it is not a complete zip archive.";
  const uint64_t endAt = f.Size() - tailSize + end;
  uint64_t entries = Le(U(tail, end + 10), 2);
  uint64_t dirSize = Le(U(tail, end + 12), 4);
  uint64_t dirAt = Le(U(tail, end + 16), 4);
  if (entries == 0xFFFF || dirSize == 0xFFFFFFFF || dirAt == 0xFFFFFFFF) {
    std::string loc, end64;
    if (endAt < 20 || !f.Read(endAt - 20, 20, loc) || Le(U(loc), 4) != kEndLocator64 ||
        !f.Read(Le(U(loc, 8), 8), 56, end64) || Le(U(end64), 4) != kEndOfDirectory64)
      return "it is not a complete zip archive.";
    entries = Le(U(end64, 32), 8);
    dirSize = Le(U(end64, 40), 8);
    dirAt = Le(U(end64, 48), 8);
  }
  std::string dir;
  if (dirAt > endAt || dirSize > endAt - dirAt || !f.Read(dirAt, static_cast<size_t>(dirSize), dir))
    return "its table of contents lies outside the file.";
  std::map<std::string, uint64_t> sizes;  // uncompressed size of each part
  size_t p = 0;
  for (uint64_t n = 0; n < entries; ++n) {
    if (p + 46 > dir.size() || Le(U(dir, p), 4) != kDirectoryEntry) return "its table of contents is damaged.";
    uint64_t packed = Le(U(dir, p + 20), 4), size = Le(U(dir, p + 24), 4), local = Le(U(dir, p + 42), 4);
    const size_t nameLen = Le(U(dir, p + 28), 2), extraLen = Le(U(dir, p + 30), 2), commentLen = Le(U(dir, p + 32), 2);
    if (p + 46 + nameLen + extraLen + commentLen > dir.size()) return "its table of contents is damaged.";
    const std::string name = dir.substr(p + 46, nameLen);
    // Sizes that do not fit 32 bits are in the zip64 extra field, in this order.
    for (size_t e = p + 46 + nameLen, stop = e + extraLen; e + 4 <= stop;) {
      const uint64_t id = Le(U(dir, e), 2), len = Le(U(dir, e + 2), 2);
      if (e + 4 + len > stop) break;
      if (id == 1) {
        size_t q = e + 4;
        auto take = [&](uint64_t& v) {
          if (v == 0xFFFFFFFF && q + 8 <= e + 4 + len) {
            v = Le(U(dir, q), 8);
            q += 8;
          }
        };
        take(size);
        take(packed);
        take(local);
      }
      e += 4 + len;
    }
    std::string head;
    if (local > dirAt || !f.Read(local, 30, head) || Le(U(head), 4) != kLocalHeader ||
        local + 30 + Le(U(head, 26), 2) + Le(U(head, 28), 2) + packed > dirAt)
      return "the part '" + name + "' lies outside the file.";
    sizes[name] = size;
    p += 46 + nameLen + extraLen + commentLen;
  }
  for (const std::string& part : required) {
    auto it = sizes.find(part);
    if (it == sizes.end()) return "the part '" + part + "' is missing.";
    if (it->second == 0) return "the part '" + part + "' is empty.";
  }
  return {};
}

}  // namespace orbisk
