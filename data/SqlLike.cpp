#include "data/SqlLike.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <memory>

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

thread_local LikeFold gLikeFold = LikeFold::Case;

// Stands for a character the accent fold passes over (a combining mark).
constexpr char32_t kPassedOver = 0xFFFFFFFFu;

// The base letter of a letter Unicode decomposes canonically into one
// character followed by combining marks only (é, Ç, ỗ); any other character
// is its own base (ø, æ, ß, œ, a Hangul syllable).
char32_t BaseLetterOf(char32_t c) {
  static const UNormalizer2* nfd = [] {
    UErrorCode err = U_ZERO_ERROR;
    const UNormalizer2* n = unorm2_getNFDInstance(&err);
    return U_SUCCESS(err) ? n : nullptr;
  }();
  if (!nfd || c > 0x10FFFF) return c;
  UChar parts[32];
  UErrorCode err = U_ZERO_ERROR;
  const int32_t length = unorm2_getDecomposition(nfd, static_cast<UChar32>(c), parts, 32, &err);
  if (length <= 0 || U_FAILURE(err)) return c;
  int32_t i = 0;
  UChar32 first;
  U16_NEXT(parts, i, length, first);
  while (i < length) {
    UChar32 mark;
    U16_NEXT(parts, i, length, mark);
    if (u_getCombiningClass(mark) == 0) return c;
  }
  return static_cast<char32_t>(first);
}

char32_t ComputeAccentFold(char32_t c) {
  if (c <= 0x10FFFF && u_getCombiningClass(static_cast<UChar32>(c)) != 0) return kPassedOver;
  return FoldCase(BaseLetterOf(FoldCase(c)));
}

// Case and accents folded away; kPassedOver for a combining mark. The
// alphabets most texts use are looked up in a table made on first use.
char32_t FoldAccents(char32_t c) {
  constexpr char32_t kTabled = 0x2000;
  static const std::unique_ptr<char32_t[]> table = [] {
    auto t = std::make_unique<char32_t[]>(kTabled);
    for (char32_t i = 0; i < kTabled; ++i) t[i] = ComputeAccentFold(i);
    return t;
  }();
  return c < kTabled ? table[c] : ComputeAccentFold(c);
}

// Reads one character of UTF-8 at s[i] folded with accents ignored; false for
// a character passed over. A stray byte stands for itself, as in the case fold.
inline bool NextAccentFolded(std::string_view s, size_t& i, char32_t& out) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    out = (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return true;
  }
  const size_t start = i;
  const char32_t cp = DecodeUtf8(s, i);
  if (i - start == 1) {
    out = cp;
    return true;
  }
  out = FoldAccents(cp);
  return out != kPassedOver;
}

// Pattern elements of the accent-ignoring matcher beyond every character.
constexpr char32_t kAnyRun = 0xFFFFFFF0u;
constexpr char32_t kOneChar = 0xFFFFFFF1u;

// LIKE with accents ignored: both sides folded into characters first (marks
// dropped), then matched as the case-folding matcher matches.
bool LikeMatchAccents(std::string_view pattern, std::string_view text, char32_t escape) {
  thread_local std::u32string pat, str;
  pat.clear();
  str.clear();
  if (escape) escape = FoldAccents(escape);
  char32_t c;
  for (size_t i = 0; i < pattern.size();) {
    if (!NextAccentFolded(pattern, i, c)) continue;
    if (escape && escape != kPassedOver && c == escape) {
      // The next character is literal; an escape at the end stands for itself.
      size_t j = i;
      char32_t next = 0;
      bool found = false;
      while (j < pattern.size() && !(found = NextAccentFolded(pattern, j, next))) {
      }
      if (found) {
        pat += next;
        i = j;
        continue;
      }
    }
    pat += c == '%' ? kAnyRun : c == '_' ? kOneChar : c;
  }
  for (size_t i = 0; i < text.size();)
    if (NextAccentFolded(text, i, c)) str += c;
  size_t p = 0, s = 0, starPat = std::u32string::npos, starStr = 0;
  while (s < str.size()) {
    if (p < pat.size() && pat[p] == kAnyRun) {
      while (p < pat.size() && pat[p] == kAnyRun) ++p;
      if (p == pat.size()) return true;
      starPat = p;
      starStr = s;
      continue;
    }
    if (p < pat.size() && (pat[p] == kOneChar || pat[p] == str[s])) {
      ++p;
      ++s;
      continue;
    }
    if (starPat == std::u32string::npos) return false;
    // Let the last % take one more character and try again.
    s = ++starStr;
    p = starPat;
  }
  while (p < pat.size() && pat[p] == kAnyRun) ++p;
  return p == pat.size();
}

// The text folded with accents ignored, written back as UTF-8 into `out`.
void FoldAccentsInto(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char>((b >= 'A' && b <= 'Z') ? b + 32 : b);
      ++i;
      continue;
    }
    char32_t c;
    const size_t start = i;
    if (!NextAccentFolded(text, i, c)) continue;
    if (i - start == 1) out += static_cast<char>(b);  // a stray byte, kept as it is
    else AppendUtf8(out, c);
  }
}

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
    if (auto* ready = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0)); ready && ready->Fold() == gLikeFold) {
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
    const std::string_view p(reinterpret_cast<const char*>(pat), static_cast<size_t>(patLen));
    const std::string_view s(reinterpret_cast<const char*>(str), static_cast<size_t>(strLen));
    sqlite3_result_int(ctx, SqlLike(p, s, escape, gLikeFold) ? 1 : 0);
    return;
  }
  const std::string_view text(reinterpret_cast<const char*>(str), static_cast<size_t>(strLen));
  auto made = std::make_unique<LikePattern>(
      std::string_view(reinterpret_cast<const char*>(pat), static_cast<size_t>(patLen)), gLikeFold);
  sqlite3_result_int(ctx, made->Matches(text) ? 1 : 0);
  // SQLite may free it at once: not used after this call.
  sqlite3_set_auxdata(ctx, 0, made.release(), [](void* p) { delete static_cast<LikePattern*>(p); });
}

}  // namespace

bool SqlLike(std::string_view pattern, std::string_view text, char32_t escape, LikeFold fold) {
  if (fold == LikeFold::CaseAndAccents) return LikeMatchAccents(pattern, text, escape);
  auto p = reinterpret_cast<const unsigned char*>(pattern.data());
  auto s = reinterpret_cast<const unsigned char*>(text.data());
  return LikeMatch(p, p + pattern.size(), s, s + text.size(), escape);
}

LikePattern::LikePattern(std::string_view pattern, LikeFold fold) : pattern_(pattern), fold_(fold) {
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
  if (fold == LikeFold::Case) {
    auto p = reinterpret_cast<const unsigned char*>(pattern.data()) + begin;
    auto pe = reinterpret_cast<const unsigned char*>(pattern.data()) + end;
    while (p < pe) folded += NextFolded(p, pe);
  } else {
    const std::string_view inner = pattern.substr(begin, end - begin);
    char32_t c;
    for (size_t i = 0; i < inner.size();)
      if (NextAccentFolded(inner, i, c)) folded += c;
    if (folded.empty()) return;  // marks alone: the general matcher
  }
  for (char32_t c : folded) {
    if (c == '%' || c == '_') return;
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

bool LikePattern::General(std::string_view text) const { return SqlLike(pattern_, text, 0, fold_); }

bool LikePattern::MatchesFoldedCopy(std::string_view text) const {
  thread_local std::string copy;
  FoldAccentsInto(text, copy);
  if (shape_ == Shape::Contains) return Find(copy);
  return copy.size() >= needle_.size() && std::memcmp(copy.data(), needle_.data(), needle_.size()) == 0;
}

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
        if (c >= 0x80) return fold_ == LikeFold::Case ? General(text) : MatchesFoldedCopy(text);
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
      if (!HasByteBeyondAscii(text)) return false;
      if (fold_ == LikeFold::CaseAndAccents) return MatchesFoldedCopy(text);
      return FoldsIntoAscii(text) && General(text);
    }
  }
  return false;
}

void RegisterLikeFunction(sqlite3* db) {
  for (int argc : {2, 3})
    sqlite3_create_function_v2(db, "like", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LikeFunction,
                               nullptr, nullptr, nullptr);
}

ScopedLikeFold::ScopedLikeFold(LikeFold fold) : saved_(gLikeFold) { gLikeFold = fold; }
ScopedLikeFold::~ScopedLikeFold() { gLikeFold = saved_; }
LikeFold CurrentLikeFold() { return gLikeFold; }

}  // namespace orbisk
