#include "data/jet/JetPageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "data/AtomicFile.h"
#include "data/jet/JetUsageMap.h"

namespace orbisk::jet {

namespace {

constexpr char kJetMagic[] = "Standard Jet DB";
constexpr char kAceMagic[] = "Standard ACE DB";
constexpr int kMaskedStart = 0x18;
constexpr int kMaskedLength = 128;
constexpr int kDatabaseKey = 0x3E;
// A Jet 4 database holds at most 2 GB.
constexpr off_t kMaxJetFileSize = off_t{2} * 1024 * 1024 * 1024;

[[noreturn]] void Refuse(const std::string& path, const std::string& what) {
  throw JetError("'" + path + "' " + what);
}

}  // namespace

void MaskHeader(Page& header) {
  // RC4 with the fixed key C7 DA 39 6B.
  static const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (int n = 0, i = 0, j = 0; n < kMaskedLength; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    header[kMaskedStart + n] ^= s[(s[i] + s[j]) & 0xFF];
  }
}

PageFile PageFile::Load(const std::string& path) {
  // Without blocking: a FIFO or a device as target is named, not waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) throw JetError("Could not find file '" + path + "'.");
    throw JetError("Cannot read '" + path + "': " + std::strerror(errno));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0) throw JetError("Cannot read '" + path + "': " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) Refuse(path, "is a folder.");
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) Refuse(path, "is a device.");
  if (S_ISFIFO(st.st_mode)) Refuse(path, "is a FIFO.");
  if (!S_ISREG(st.st_mode)) Refuse(path, "is not a regular file.");
  if (st.st_size > kMaxJetFileSize) Refuse(path, "is larger than an Access database can be.");
  std::string bytes(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw JetError("Cannot read '" + path + "': " + std::strerror(errno));
    if (n == 0) break;  // the file shrank while being read
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  auto magicIs = [&](const char* magic) {
    return bytes.size() >= 0x15 && bytes.compare(0, 4, std::string("\0\1\0\0", 4)) == 0 &&
           bytes.compare(4, std::strlen(magic) + 1, std::string(magic, std::strlen(magic) + 1)) == 0;
  };
  if (magicIs(kAceMagic))
    Refuse(path, "is an Access 2007 or later database; only Access 2000 databases can be written.");
  if (!magicIs(kJetMagic)) Refuse(path, "is not an Access database.");
  uint8_t version = static_cast<uint8_t>(bytes[0x14]);
  if (version == 0) Refuse(path, "is an Access 97 database; only Access 2000 databases can be written.");
  if (version != 1) Refuse(path, "is not an Access 2000 database and cannot be written.");
  if (bytes.size() % kPageSize != 0 || bytes.size() < 3 * static_cast<size_t>(kPageSize))
    Refuse(path, "is damaged: its size is not a whole number of pages.");

  PageFile file;
  size_t count = bytes.size() / kPageSize;
  file.pages_.reserve(count + 64);
  for (size_t i = 0; i < count; ++i) {
    auto page = std::make_unique<Page>();
    std::memcpy(page->data(), bytes.data() + i * kPageSize, kPageSize);
    file.pages_.push_back(std::move(page));
  }
  Page header = file.At(0);
  MaskHeader(header);
  if (Get32(&header[kDatabaseKey]) != 0)
    Refuse(path, "is encrypted; an encrypted Access database cannot be written.");
  if (file.At(1)[0] != kDataPage || file.At(2)[0] != kTdefPage)
    Refuse(path, "is damaged: its system pages are missing.");
  return file;
}

Page& PageFile::At(uint32_t n) {
  if (n >= pages_.size())
    throw JetError("The database is damaged: page " + std::to_string(n) + " lies beyond the end of the file.");
  return *pages_[n];
}

const Page& PageFile::At(uint32_t n) const { return const_cast<PageFile*>(this)->At(n); }

uint32_t PageFile::Append() {
  pages_.push_back(std::make_unique<Page>());
  pages_.back()->fill(0);
  return static_cast<uint32_t>(pages_.size() - 1);
}

uint32_t PageFile::Allocate() {
  uint32_t n = Append();
  MarkPageUsed(*this, n);
  return n;
}

void PageFile::Save(const std::string& path) const {
  AtomicFile out(path);
  for (const auto& page : pages_)
    out.Write(std::string_view(reinterpret_cast<const char*>(page->data()), kPageSize));
  out.Commit();
}

int DataRowCount(const Page& page) { return Get16(&page[12]); }

namespace {

// Start and end of row `row` of a data page, with the flags of its offset.
struct RowPlace {
  int start = 0;
  int end = 0;
  uint16_t flags = 0;
};

RowPlace PlaceOf(const Page& p, int row) {
  if (p[0] != kDataPage || row < 0 || row >= DataRowCount(p) || kDataHeader + 2 * row + 2 > kPageSize)
    throw JetError("The database is damaged: a row pointer leads to a missing row.");
  uint16_t raw = Get16(&p[kDataHeader + 2 * row]);
  RowPlace place;
  place.flags = raw & static_cast<uint16_t>(~kRowOffsetMask);
  place.start = raw & kRowOffsetMask;
  place.end = row == 0 ? kPageSize : Get16(&p[kDataHeader + 2 * (row - 1)]) & kRowOffsetMask;
  if (place.end > kPageSize || place.start > place.end) place.start = place.end = 0;
  return place;
}

}  // namespace

std::span<const uint8_t> ReadRow(const PageFile& file, uint32_t page, int row) {
  for (int hops = 0; hops < 4; ++hops) {
    const Page& p = file.At(page);
    RowPlace place = PlaceOf(p, row);
    if (place.flags & kRowDeleted) return {};
    if (!(place.flags & kRowOverflow)) return {p.data() + place.start, p.data() + place.end};
    if (place.end - place.start < 4) return {};
    uint32_t ptr = Get32(&p[place.start]);
    page = ptr >> 8;
    row = static_cast<int>(ptr & 0xFF);
  }
  throw JetError("The database is damaged: overflow rows lead in a circle.");
}

std::span<uint8_t> MutableRow(PageFile& file, uint32_t page, int row) {
  Page& p = file.At(page);
  RowPlace place = PlaceOf(p, row);
  return {p.data() + place.start, p.data() + place.end};
}

void InitDataPage(Page& page, uint32_t owner) {
  page.fill(0);
  page[0] = kDataPage;
  page[1] = 0x01;
  Put16(&page[2], kPageSize - kDataHeader);
  Put32(&page[4], owner);
  Put16(&page[12], 0);
}

int FreeForRow(const Page& page) {
  int count = DataRowCount(page);
  if (count >= kMaxRowsPerPage) return 0;
  // New rows go below the lowest row, which must be the last one so that the
  // rows stay contiguous.
  int lowest = kPageSize;
  for (int r = 0; r < count; ++r) lowest = std::min(lowest, Get16(&page[kDataHeader + 2 * r]) & kRowOffsetMask);
  int last = count == 0 ? kPageSize : Get16(&page[kDataHeader + 2 * (count - 1)]) & kRowOffsetMask;
  if (last != lowest) return 0;
  return lowest - (kDataHeader + 2 * (count + 1));
}

int AddRowToPage(Page& page, std::string_view row) {
  int count = DataRowCount(page);
  if (static_cast<int>(row.size()) > FreeForRow(page)) return -1;
  int last = count == 0 ? kPageSize : Get16(&page[kDataHeader + 2 * (count - 1)]) & kRowOffsetMask;
  int start = last - static_cast<int>(row.size());
  std::memcpy(&page[start], row.data(), row.size());
  Put16(&page[kDataHeader + 2 * count], static_cast<uint16_t>(start));
  Put16(&page[12], static_cast<uint16_t>(count + 1));
  int free = Get16(&page[2]) - static_cast<int>(row.size()) - 2;
  Put16(&page[2], static_cast<uint16_t>(std::max(free, 0)));
  return count;
}

uint32_t RowSink::Put(PageFile& file, std::string_view row) {
  if (!pages_.empty()) {
    int r = AddRowToPage(file.At(pages_.back()), row);
    if (r >= 0) return RowPointer(pages_.back(), r);
  }
  uint32_t page = file.Allocate();
  InitDataPage(file.At(page), owner_);
  pages_.push_back(page);
  int r = AddRowToPage(file.At(page), row);
  if (r < 0) throw std::logic_error("a row larger than a page");
  return RowPointer(page, r);
}

std::vector<uint32_t> RowSink::PagesWithRoom(const PageFile& file) const {
  // A page counts as having room when a small row still fits.
  constexpr int kRoom = 64;
  std::vector<uint32_t> pages;
  for (uint32_t p : pages_)
    if (FreeForRow(file.At(p)) >= kRoom) pages.push_back(p);
  return pages;
}

}  // namespace orbisk::jet
