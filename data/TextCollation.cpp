#include "data/TextCollation.h"

#include <sqlite3.h>

#include "strutil/TextUtil.h"

namespace orbisk {

// Text comparison as the directory's engine does it: letter case is ignored,
// accented letters included, accents are not.

namespace {

inline char32_t NextFolded(const unsigned char*& p, const unsigned char* end) {
  unsigned char c = *p;
  if (c < 0x80) {
    ++p;
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  }
  std::string_view s(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
  size_t i = 0;
  char32_t cp = DecodeUtf8(s, i);
  p += i;
  return i == 1 ? cp : FoldCase(cp);
}

int NoCaseCompare(void*, int n1, const void* a, int n2, const void* b) {
  const unsigned char* p = static_cast<const unsigned char*>(a);
  const unsigned char* pe = p + n1;
  const unsigned char* q = static_cast<const unsigned char*>(b);
  const unsigned char* qe = q + n2;
  while (p < pe && q < qe) {
    // Plain ASCII on both sides needs no decoding.
    if (*p < 0x80 && *q < 0x80) {
      unsigned char x = *p++, y = *q++;
      if (x >= 'A' && x <= 'Z') x += 32;
      if (y >= 'A' && y <= 'Z') y += 32;
      if (x != y) return x < y ? -1 : 1;
      continue;
    }
    char32_t x = NextFolded(p, pe), y = NextFolded(q, qe);
    if (x != y) return x < y ? -1 : 1;
  }
  if (p < pe) return 1;
  if (q < qe) return -1;
  return 0;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  return NoCaseCompare(nullptr, static_cast<int>(a.size()), a.data(), static_cast<int>(b.size()), b.data());
}

void RegisterTextCollation(sqlite3* db) {
  sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, NoCaseCompare, nullptr);
}

}  // namespace orbisk
