// The importer's row decoding on fields and long values that point outside
// their page or their file: such values come back null or empty, never read
// beyond what is there.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/jet/JetText.h"
#include "import/RowDecode.h"

using namespace orbisk::import;

namespace {

constexpr unsigned kPage = 4096;

void Put16(std::vector<unsigned char>& p, size_t at, unsigned v) {
  p[at] = v & 0xFF;
  p[at + 1] = (v >> 8) & 0xFF;
}
void Put32(std::vector<unsigned char>& p, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[at + i] = (v >> (8 * i)) & 0xFF;
}

class Pages : public PageSource {
 public:
  std::vector<std::vector<unsigned char>> pages;  // page 1, 2, ...
  size_t PageSize() const override { return kPage; }
  bool Read(uint32_t page, unsigned char* buf) override {
    if (page == 0 || page > pages.size()) return false;
    std::memcpy(buf, pages[page - 1].data(), kPage);
    return true;
  }
};

// A long-value page whose row 0 holds `data` (and, for chains, a next pointer first).
std::vector<unsigned char> LongValuePage(const std::string& data) {
  std::vector<unsigned char> p(kPage, 0);
  Put16(p, 12, 1);
  Put16(p, 14, kPage - static_cast<unsigned>(data.size()));
  std::memcpy(&p[kPage - data.size()], data.data(), data.size());
  return p;
}

// Decodes one row and returns each column as text ("<null>" for null).
std::vector<std::string> Decode(const std::vector<StoredKind>& kinds, const std::vector<unsigned char>& page,
                                const std::vector<RowField>& fields, Pages& pages) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  std::string sql = "SELECT ";
  for (size_t c = 0; c < kinds.size(); ++c) sql += c ? ",?" : "?";
  sqlite3_stmt* st = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK);
  const PageFormat fmt{kPage, 12};
  LongValueReader longValues(fmt, pages);
  RowDecoder decoder(fmt, kinds, [](std::string_view s, std::string& out) { orbisk::jet::DecodeTextUtf8(s, out); },
                     nullptr);
  decoder.Bind(page.data(), fields, longValues, st);
  std::vector<std::string> out;
  EXPECT_EQ(sqlite3_step(st), SQLITE_ROW);
  for (size_t c = 0; c < kinds.size(); ++c) {
    const unsigned char* t = sqlite3_column_text(st, static_cast<int>(c));
    out.push_back(sqlite3_column_type(st, static_cast<int>(c)) == SQLITE_NULL ? "<null>" : reinterpret_cast<const char*>(t));
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

}  // namespace

TEST(RowDecode, FieldsOutsideTheirPageOrShorterThanTheirTypeAreNull) {
  std::vector<unsigned char> page(kPage, 0);
  Put32(page, 100, 42);
  Put32(page, kPage - 4, 7);
  Pages none;
  using K = StoredKind;
  const std::vector<K> kinds = {K::LongInt, K::LongInt, K::LongInt, K::LongInt, K::Double, K::Text, K::LongInt, K::Bool};
  const std::vector<RowField> fields = {
      {100, 4, false},                     // sound
      {-4, 4, false},                      // before the page
      {static_cast<int>(kPage) - 2, 4, false},  // runs past its end
      {100, 2, false},                     // too short for its type
      {100, -8, false},                    // a negative size
      {static_cast<int>(kPage), 0, false}, // an empty text at the very end
      {static_cast<int>(kPage) - 4, 4, false},  // the last bytes of the page
      {0, 0, false},                       // Yes/No: the null bit is the value
  };
  EXPECT_EQ(Decode(kinds, page, fields, none),
            (std::vector<std::string>{"42", "<null>", "<null>", "<null>", "<null>", "", "7", "1"}));
  // Fewer fields than columns: the rest are null (a Yes/No is No).
  EXPECT_EQ(Decode(kinds, page, {{100, 4, false}}, none),
            (std::vector<std::string>{"42", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "0"}));
}

TEST(RowDecode, LongValuesPointingAnywhereComeBackEmptyOrCut) {
  Pages pages;
  pages.pages.push_back(LongValuePage("single row value"));  // page 1
  // Page 2: a chain row pointing to itself for ever.
  std::string loop(4, '\0');
  loop[0] = 0;  // row 0
  loop[1] = 2;  // of page 2
  pages.pages.push_back(LongValuePage(loop + "abc"));
  std::vector<unsigned char> page(kPage, 0);
  auto header = [&](size_t at, uint32_t flagsAndLength, uint32_t pointer) {
    Put32(page, at, flagsAndLength);
    Put32(page, at + 4, pointer);
  };
  header(0, 0x40000000u | 16, 1 << 8);       // one row elsewhere
  header(12, 0x40000000u | 6, 1 << 8);       // the same row, its header saying 6 bytes
  header(24, 0x40000000u | 16, 9 << 8);      // a page the file does not have
  header(36, 0x40000000u | 16, 0);           // page 0, the file header
  header(48, 0x40000000u | 16, (1 << 8) | 5);  // a row the page does not have
  header(60, 100, 2 << 8);                   // a chain that loops: cut at its length
  header(72, 0x80000000u | 3, 0);            // in the row itself
  std::memcpy(&page[84], "xyz", 3);
  using K = StoredKind;
  const std::vector<K> kinds(7, K::Ole);  // the raw bytes of each value
  const std::vector<RowField> fields = {{0, 12, false},  {12, 12, false}, {24, 12, false}, {36, 12, false},
                                        {48, 12, false}, {60, 12, false}, {72, 15, false}};
  auto out = Decode(kinds, page, fields, pages);
  EXPECT_EQ(out[0], "single row value");
  EXPECT_EQ(out[1], "single");
  EXPECT_EQ(out[2], "");
  EXPECT_EQ(out[3], "");
  EXPECT_EQ(out[4], "");
  EXPECT_LE(out[5].size(), 100u);
  EXPECT_EQ(out[5].substr(0, 3), "abc");
  EXPECT_EQ(out[6], "xyz");
}

TEST(RowDecode, RowTablesPointingOutsideThePageFindNoRow) {
  std::vector<unsigned char> page(kPage, 0);
  const PageFormat fmt{kPage, 12};
  Put16(page, 12, 3);
  Put16(page, 14, 4000);            // row 0: 4000 to the end
  Put16(page, 16, 0x1FFF);          // row 1 starts past the page
  Put16(page, 18, 4090 | 0x4000);   // row 2 starts after row 1's start would end: deleted flag kept
  unsigned start = 0, length = 0, flags = 0;
  ASSERT_TRUE(FindRow(page.data(), fmt, 0, start, length, flags));
  EXPECT_EQ(start, 4000u);
  EXPECT_EQ(length, 96u);
  EXPECT_FALSE(FindRow(page.data(), fmt, 1, start, length, flags));
  EXPECT_FALSE(FindRow(page.data(), fmt, 3, start, length, flags));  // beyond the row count
  Put16(page, 12, 0xFFFF);  // a row count whose table runs off the page
  EXPECT_FALSE(FindRow(page.data(), fmt, 2100, start, length, flags));
}
