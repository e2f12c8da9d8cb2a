#pragma once
// A Jet 4 file held in memory as pages. Loading checks that the file is an
// unencrypted Access 2000 database; saving writes the whole file through a
// temporary file that replaces the target only when complete.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/jet/JetFormat.h"

namespace orbisk::jet {

class PageFile {
 public:
  PageFile() = default;
  PageFile(PageFile&&) = default;
  PageFile& operator=(PageFile&&) = default;

  // Reads a whole file. Throws JetError when it is missing, not an Access
  // database, a Jet 3 or Access 2007 file, encrypted, or cut short.
  static PageFile Load(const std::string& path);

  uint32_t PageCount() const { return static_cast<uint32_t>(pages_.size()); }
  // A page of the file; throws JetError ("damaged") for a page beyond the end.
  Page& At(uint32_t n);
  const Page& At(uint32_t n) const;

  // A zeroed page at the end of the file, taken out of the global usage map's
  // free pages.
  uint32_t Allocate();
  // A zeroed page at the end, without touching the global usage map (for
  // building a new file, whose map is written last).
  uint32_t Append();

  // Writes every page to `path` atomically.
  void Save(const std::string& path) const;

 private:
  std::vector<std::unique_ptr<Page>> pages_;
};

// The 128 header bytes at 0x18 are stored XORed with an RC4 key stream; this
// applies (and so also removes) that mask.
void MaskHeader(Page& header);

// Rows of data pages. A row's bytes run from its offset to the previous row's
// offset (or the end of the page for row 0).
int DataRowCount(const Page& page);
// The stored bytes of row `row` of a data page; empty for a deleted row. An
// overflow row is followed to where its data lies.
std::span<const uint8_t> ReadRow(const PageFile& file, uint32_t page, int row);
// The same bytes, writable (for rewriting a row of the same length in place).
std::span<uint8_t> MutableRow(PageFile& file, uint32_t page, int row);

// Starts an empty data page owned by a table (its TDEF page), or a long-value
// page when `owner` is kLvalOwner.
constexpr uint32_t kLvalOwner = 0x4C41564C;  // "LVAL"
void InitDataPage(Page& page, uint32_t owner);
// Adds a row below the lowest row of a data page. Returns its row number, or -1
// when the page has no room (255 rows, or too little contiguous space).
int AddRowToPage(Page& page, std::string_view row);
// Contiguous free bytes of a data page for one more row (offset slot included).
int FreeForRow(const Page& page);

// Fills data pages of one owner with rows, starting a new page whenever the
// current one is full.
class RowSink {
 public:
  explicit RowSink(uint32_t owner) : owner_(owner) {}
  // Stores a row (which must fit an empty page) and returns its row pointer.
  uint32_t Put(PageFile& file, std::string_view row);
  const std::vector<uint32_t>& Pages() const { return pages_; }
  // The pages with room left for more rows (for the free-space maps).
  std::vector<uint32_t> PagesWithRoom(const PageFile& file) const;

 private:
  uint32_t owner_;
  std::vector<uint32_t> pages_;
};

}  // namespace orbisk::jet
