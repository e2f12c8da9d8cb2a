#include "data/SqlLike.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <memory>

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

// The fold of the byte search: ASCII capitals only, as the general matcher
// folds ASCII; every other byte stands for itself.
constexpr std::array<unsigned char, 256> kAsciiFold = [] {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
  return t;
}();

bool HasByteBeyondAscii(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  uint64_t any = 0;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    any |= w;
  }
  for (; n; ++p, --n) any |= static_cast<unsigned char>(*p);
  return (any & 0x8080808080808080ull) != 0;
}

// Whether a character written in more than one byte folds to an ASCII one
// (the Kelvin sign, a dotted capital I, a long form of an ASCII letter): only
// then can the bytes beyond ASCII meet an ASCII needle. Characters are read
// from the start, as the general matcher reads them.
bool FoldsIntoAscii(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t start = i;
    const char32_t c = DecodeUtf8(s, i);
    if (i - start > 1 && FoldCase(c) < 0x80) return true;
  }
  return false;
}

bool EscapeOf(sqlite3_context* ctx, sqlite3_value* arg, char32_t& escape) {
  const unsigned char* e = sqlite3_value_text(arg);
  if (!e) return false;
  std::string_view es(reinterpret_cast<const char*>(e), sqlite3_value_bytes(arg));
  size_t i = 0;
  if (!es.empty()) escape = FoldCase(DecodeUtf8(es, i));
  if (es.empty() || i != es.size()) {
    sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
    return false;
  }
  return true;
}

void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  // The pattern is made ready once per statement while it stays the same
  // (never for a null pattern, whose answer is always null).
  if (argc == 2)
    if (auto* ready = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0))) {
      const unsigned char* str = sqlite3_value_text(argv[1]);
      if (!str) return;
      const std::string_view text(reinterpret_cast<const char*>(str), static_cast<size_t>(sqlite3_value_bytes(argv[1])));
      sqlite3_result_int(ctx, ready->Matches(text) ? 1 : 0);
      return;
    }
  const unsigned char* pat = sqlite3_value_text(argv[0]);
  int patLen = sqlite3_value_bytes(argv[0]);
  const unsigned char* str = sqlite3_value_text(argv[1]);
  int strLen = sqlite3_value_bytes(argv[1]);
  if (!pat || !str) return;  // NULL LIKE anything is NULL
  if (argc == 3) {
    char32_t escape = 0;
    if (!EscapeOf(ctx, argv[2], escape)) return;
    sqlite3_result_int(ctx, LikeMatch(pat, pat + patLen, str, str + strLen, escape) ? 1 : 0);
    return;
  }
  const std::string_view text(reinterpret_cast<const char*>(str), static_cast<size_t>(strLen));
  auto made = std::make_unique<LikePattern>(
      std::string_view(reinterpret_cast<const char*>(pat), static_cast<size_t>(patLen)));
  sqlite3_result_int(ctx, made->Matches(text) ? 1 : 0);
  // SQLite may free it at once: not used after this call.
  sqlite3_set_auxdata(ctx, 0, made.release(), [](void* p) { delete static_cast<LikePattern*>(p); });
}

}  // namespace

bool SqlLike(std::string_view pattern, std::string_view text, char32_t escape) {
  auto p = reinterpret_cast<const unsigned char*>(pattern.data());
  auto s = reinterpret_cast<const unsigned char*>(text.data());
  return LikeMatch(p, p + pattern.size(), s, s + text.size(), escape);
}

LikePattern::LikePattern(std::string_view pattern) : pattern_(pattern) {
  size_t begin = 0, end = pattern.size();
  while (begin < end && pattern[begin] == '%') ++begin;
  const bool leading = begin > 0;
  if (begin == end) return;  // only wildcards, or empty
  if (pattern[end - 1] != '%') return;
  while (end > begin && pattern[end - 1] == '%') --end;
  // The text between the wildcards, folded as the general matcher folds it;
  // a wildcard in it (even one spelt in more bytes than one) leaves the
  // pattern to the general matcher.
  std::u32string folded;
  auto p = reinterpret_cast<const unsigned char*>(pattern.data()) + begin;
  auto pe = reinterpret_cast<const unsigned char*>(pattern.data()) + end;
  while (p < pe) {
    const char32_t c = NextFolded(p, pe);
    if (c == '%' || c == '_') return;
    folded += c;
    if (c >= 0x80) asciiNeedle_ = false;
  }
  shape_ = leading ? Shape::Contains : Shape::Prefix;
  if (!asciiNeedle_) return;
  for (char32_t c : folded) needle_ += static_cast<char>(c);
  // Skip distances of the forward search, by folded byte.
  const size_t m = needle_.size();
  const uint8_t longest = static_cast<uint8_t>(std::min<size_t>(m, 255));
  skip_.fill(longest);
  for (size_t i = m > 255 ? m - 255 : 0; i + 1 < m; ++i)
    skip_[static_cast<unsigned char>(needle_[i])] = static_cast<uint8_t>(m - 1 - i);
}

bool LikePattern::General(std::string_view text) const { return SqlLike(pattern_, text); }

bool LikePattern::EqualFoldedAt(const unsigned char* t) const {
  const auto* q = reinterpret_cast<const unsigned char*>(needle_.data());
  for (size_t j = 0; j < needle_.size(); ++j)
    if (kAsciiFold[t[j]] != q[j]) return false;
  return true;
}

bool LikePattern::Find(std::string_view text) const {
  const size_t m = needle_.size(), n = text.size();
  if (m > n) return false;
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const auto* q = reinterpret_cast<const unsigned char*>(needle_.data());
  size_t at = 0;
#ifdef __SSE2__
  if (m < 16) {
    // Sixteen places at a time: where both the needle's first and its last
    // byte stand, the whole needle is compared. A letter of the needle meets
    // both of its cases by setting the case bit; other bytes meet themselves.
    auto letter = [](unsigned char c) { return c >= 'a' && c <= 'z'; };
    const __m128i first = _mm_set1_epi8(static_cast<char>(q[0]));
    const __m128i last = _mm_set1_epi8(static_cast<char>(q[m - 1]));
    const __m128i firstCase = _mm_set1_epi8(letter(q[0]) ? 0x20 : 0);
    const __m128i lastCase = _mm_set1_epi8(letter(q[m - 1]) ? 0x20 : 0);
    for (; at + m - 1 + 16 <= n; at += 16) {
      const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at)), firstCase);
      const __m128i b = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at + m - 1)), lastCase);
      unsigned mask = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
      for (; mask; mask &= mask - 1)
        if (EqualFoldedAt(t + at + static_cast<size_t>(__builtin_ctz(mask)))) return true;
    }
  }
#endif
  // Longer needles skip by the table of the last byte under the window.
  while (at + m <= n) {
    const unsigned char end = kAsciiFold[t[at + m - 1]];
    if (end == q[m - 1] && EqualFoldedAt(t + at)) return true;
    at += skip_[end];
  }
  return false;
}

bool LikePattern::Matches(std::string_view text) const {
  switch (shape_) {
    case Shape::General: return General(text);
    case Shape::Prefix: {
      if (!asciiNeedle_) return General(text);
      // Up to the first byte beyond ASCII every byte is one character.
      for (size_t i = 0; i < needle_.size(); ++i) {
        if (i == text.size()) return false;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) return General(text);
        if (kAsciiFold[c] != static_cast<unsigned char>(needle_[i])) return false;
      }
      return true;
    }
    case Shape::Contains: {
      if (!asciiNeedle_) return HasByteBeyondAscii(text) && General(text);
      // ASCII bytes are characters of their own wherever they stand, so a
      // byte match is a match. Nothing found decides unless other bytes
      // decode to letters that fold into ASCII.
      if (Find(text)) return true;
      return HasByteBeyondAscii(text) && FoldsIntoAscii(text) && General(text);
    }
  }
  return false;
}

void RegisterLikeFunction(sqlite3* db) {
  for (int argc : {2, 3})
    sqlite3_create_function_v2(db, "like", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LikeFunction,
                               nullptr, nullptr, nullptr);
}

}  // namespace orbisk
