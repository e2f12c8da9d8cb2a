// The importer's own row decoding (after libmdb has split a row into fields):
// any page bytes, any field offsets and sizes, any column kinds, and long
// values pointing anywhere in a file of a few pages.
//
// Input: a column count byte, one kind byte per column, five bytes per field
// (start u16, size u16, null byte), then the row's page and the file's other
// pages, 4096 bytes each.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "data/jet/JetText.h"
#include "import/RowDecode.h"

using namespace orbisk::import;

namespace {

constexpr size_t kPage = 4096;

class FuzzPages : public PageSource {
 public:
  explicit FuzzPages(std::vector<std::vector<unsigned char>> pages) : pages_(std::move(pages)) {}
  size_t PageSize() const override { return kPage; }
  bool Read(uint32_t page, unsigned char* buf) override {
    if (page == 0 || page > pages_.size()) return false;
    std::memcpy(buf, pages_[page - 1].data(), kPage);
    return true;
  }

 private:
  std::vector<std::vector<unsigned char>> pages_;
};

sqlite3* Database() {
  static sqlite3* db = [] {
    sqlite3* d = nullptr;
    sqlite3_open(":memory:", &d);
    return d;
  }();
  return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t at = 0;
  const size_t columns = data[at++] % 40 + 1;
  if (size < at + columns * 6) return 0;
  std::vector<StoredKind> kinds;
  for (size_t c = 0; c < columns; ++c) kinds.push_back(static_cast<StoredKind>(data[at++] % 13));
  std::vector<RowField> fields;
  for (size_t c = 0; c < columns && at + 5 <= size; ++c, at += 5) {
    RowField f;
    f.start = static_cast<int16_t>(data[at] | data[at + 1] << 8);  // negative offsets too
    f.size = static_cast<int16_t>(data[at + 2] | data[at + 3] << 8);
    f.isNull = data[at + 4] & 1;
    fields.push_back(f);
  }
  std::vector<std::vector<unsigned char>> pages;
  while (at < size && pages.size() < 8) {
    std::vector<unsigned char> page(kPage, 0);
    const size_t n = std::min(kPage, size - at);
    std::memcpy(page.data(), data + at, n);
    at += n;
    pages.push_back(std::move(page));
  }
  if (pages.empty()) pages.emplace_back(kPage, 0);
  const std::vector<unsigned char> row = pages[0];
  FuzzPages source(std::move(pages));
  const PageFormat fmt{kPage, 12};
  LongValueReader longValues(fmt, source);
  RowDecoder decoder(
      fmt, kinds, [](std::string_view stored, std::string& out) { orbisk::jet::DecodeTextUtf8(stored, out); },
      nullptr);
  std::string sql = "SELECT ";
  for (size_t c = 0; c < columns; ++c) sql += (c ? ",?" : "?");
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(Database(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return 0;
  decoder.Bind(row.data(), fields, longValues, st);
  sqlite3_step(st);
  sqlite3_finalize(st);
  // The page's own row table, as the importer walks it.
  unsigned start = 0, length = 0, flags = 0;
  for (unsigned r = 0; r < 300; ++r) FindRow(row.data(), fmt, r, start, length, flags);
  return 0;
}
