#include "data/SqlLike.h"

#include <sqlite3.h>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

// Reads one code point of UTF-8 and folds its case as the engine does.
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

// LIKE with % (any run) and _ (one character), ignoring case as above. The
// optional escape character makes the next pattern character literal.
bool LikeMatch(const unsigned char* pat, const unsigned char* patEnd, const unsigned char* str,
               const unsigned char* strEnd, char32_t escape) {
  const unsigned char* starPat = nullptr;
  const unsigned char* starStr = nullptr;
  while (str < strEnd) {
    if (pat < patEnd) {
      const unsigned char* p = pat;
      char32_t pc = NextFolded(p, patEnd);
      bool literal = false;
      if (escape && pc == escape && p < patEnd) {
        pc = NextFolded(p, patEnd);
        literal = true;
      }
      if (!literal && pc == '%') {
        // Collapse runs of % and remember where to retry.
        while (p < patEnd && *p == '%') ++p;
        if (p == patEnd) return true;
        starPat = p;
        starStr = str;
        pat = p;
        continue;
      }
      const unsigned char* s = str;
      char32_t sc = NextFolded(s, strEnd);
      if ((!literal && pc == '_') || pc == sc) {
        pat = p;
        str = s;
        continue;
      }
    }
    if (!starPat) return false;
    // Let the last % take one more character and try again.
    NextFolded(starStr, strEnd);
    str = starStr;
    pat = starPat;
  }
  while (pat < patEnd && *pat == '%') ++pat;
  return pat == patEnd;
}

void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const unsigned char* pat = sqlite3_value_text(argv[0]);
  int patLen = sqlite3_value_bytes(argv[0]);
  const unsigned char* str = sqlite3_value_text(argv[1]);
  int strLen = sqlite3_value_bytes(argv[1]);
  if (!pat || !str) return;  // NULL LIKE anything is NULL
  char32_t escape = 0;
  if (argc == 3) {
    const unsigned char* e = sqlite3_value_text(argv[2]);
    if (!e) return;
    std::string_view es(reinterpret_cast<const char*>(e), sqlite3_value_bytes(argv[2]));
    size_t i = 0;
    if (es.empty()) {
      sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = FoldCase(DecodeUtf8(es, i));
    if (i != es.size()) {
      sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
      return;
    }
  }
  sqlite3_result_int(ctx, LikeMatch(pat, pat + patLen, str, str + strLen, escape) ? 1 : 0);
}

}  // namespace

bool SqlLike(std::string_view pattern, std::string_view text, char32_t escape) {
  auto p = reinterpret_cast<const unsigned char*>(pattern.data());
  auto s = reinterpret_cast<const unsigned char*>(text.data());
  return LikeMatch(p, p + pattern.size(), s, s + text.size(), escape);
}

void RegisterLikeFunction(sqlite3* db) {
  for (int argc : {2, 3})
    sqlite3_create_function_v2(db, "like", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LikeFunction,
                               nullptr, nullptr, nullptr);
}

}  // namespace orbisk
