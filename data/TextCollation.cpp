#include "data/TextCollation.h"

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <climits>
#include <stdexcept>
#include <string>

namespace orbisk {

namespace {

// The collator and, for each ASCII character, the rank of its primary weight
// (0: ignored entirely, as control characters are). ICU gives every ASCII
// character one collation element and starts no contraction with one, so two
// ASCII strings compare by these ranks character by character; Build checks
// that this holds and leaves the shortcut off if it ever does not.
struct Collation {
  UCollator* collator = nullptr;
  bool fast = false;
  unsigned short rank[128] = {};
  std::string error;
};

int Sign(int v) { return (v > 0) - (v < 0); }

bool BuildRanks(Collation& c) {
  UErrorCode err = U_ZERO_ERROR;
  // Contractions that begin with an ASCII character would tie it to what follows.
  USet* contractions = uset_openEmpty();
  ucol_getContractionsAndExpansions(c.collator, contractions, nullptr, false, &err);
  bool ok = U_SUCCESS(err);
  for (int32_t i = 0, n = uset_getItemCount(contractions); ok && i < n; ++i) {
    UChar head[64];
    UErrorCode e = U_ZERO_ERROR;
    UChar32 from, to;
    int32_t len = uset_getItem(contractions, i, &from, &to, head, 64, &e);
    if (U_FAILURE(e) || (len > 1 && head[0] < 0x80)) ok = false;
    if (len == 0 && from < 0x80) ok = false;  // a range of single characters: none expected
  }
  uset_close(contractions);
  if (!ok) return false;

  uint32_t primary[128];
  uint32_t secondary = 0;
  for (int ch = 0; ch < 0x80; ++ch) {
    UChar one = static_cast<UChar>(ch);
    UCollationElements* it = ucol_openElements(c.collator, &one, 1, &err);
    if (U_FAILURE(err)) return false;
    int count = 0;
    int32_t first = 0;
    for (int32_t ce; (ce = ucol_next(it, &err)) != UCOL_NULLORDER && U_SUCCESS(err);) {
      if (count++ == 0) first = ce;
    }
    ucol_closeElements(it);
    if (U_FAILURE(err) || count > 1) return false;
    primary[ch] = count ? static_cast<uint32_t>(ucol_primaryOrder(first)) : 0;
    uint32_t sec = count ? static_cast<uint32_t>(ucol_secondaryOrder(first)) : 0;
    if (primary[ch] == 0 && sec != 0) return false;  // an accent-like character
    if (primary[ch] != 0) {
      if (secondary == 0) secondary = sec;
      if (sec != secondary) return false;  // ASCII strings would differ beyond primaries
    }
  }
  for (int ch = 0; ch < 0x80; ++ch) {
    unsigned short r = 0;
    if (primary[ch] != 0) {
      r = 1;
      for (int o = 0; o < 0x80; ++o)
        if (primary[o] != 0 && primary[o] < primary[ch]) ++r;
    }
    c.rank[ch] = r;
  }
  // The ranks must order single characters exactly as the collator does.
  for (int x = 0; x < 0x80; ++x)
    for (int y = 0; y < 0x80; ++y) {
      UChar a = static_cast<UChar>(x), b = static_cast<UChar>(y);
      int want = ucol_strcoll(c.collator, &a, 1, &b, 1);
      if (Sign(want) != Sign(static_cast<int>(c.rank[x]) - static_cast<int>(c.rank[y]))) return false;
    }
  return true;
}

const Collation& TheCollation() {
  static const Collation c = [] {
    Collation r;
    UErrorCode err = U_ZERO_ERROR;
    r.collator = ucol_open("", &err);  // the root collation
    if (U_SUCCESS(err)) ucol_setStrength(r.collator, UCOL_SECONDARY);
    if (U_FAILURE(err)) {
      if (r.collator) ucol_close(r.collator);
      r.collator = nullptr;
      r.error = std::string("Cannot load the Unicode collation: ") + u_errorName(err);
      return r;
    }
    r.fast = BuildRanks(r);
    return r;
  }();
  return c;
}

int32_t Length(size_t n) { return n > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(n); }

// Simple case folding, one code point at a time; a byte that is not valid
// UTF-8 stands for itself, above every code point, so no two different
// byte strings fold alike unless they differ in letter case alone.
UChar32 NextFolded(const uint8_t* s, int32_t& i, int32_t n) {
  int32_t start = i;
  UChar32 cp;
  U8_NEXT(s, i, n, cp);
  if (cp < 0) {
    i = start + 1;
    return 0x110000 + s[start];
  }
  return u_foldCase(cp, U_FOLD_CASE_DEFAULT);
}

int CompareFolded(const uint8_t* a, int32_t na, const uint8_t* b, int32_t nb) {
  int32_t i = 0, j = 0;
  while (i < na && j < nb) {
    UChar32 x = NextFolded(a, i, na), y = NextFolded(b, j, nb);
    if (x != y) return x < y ? -1 : 1;
  }
  return (i < na) - (j < nb);
}

int CompareUnicode(const Collation& c, const uint8_t* a, int32_t na, const uint8_t* b, int32_t nb) {
  UErrorCode err = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(c.collator, reinterpret_cast<const char*>(a), na,
                                        reinterpret_cast<const char*>(b), nb, &err);
  if (U_SUCCESS(err) && r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
  return CompareFolded(a, na, b, nb);
}

inline unsigned char LowerAscii(unsigned char x) { return (x >= 'A' && x <= 'Z') ? x + 32 : x; }

int Compare(const Collation& c, const uint8_t* a, int32_t na, const uint8_t* b, int32_t nb) {
  if (!c.fast) return CompareUnicode(c, a, na, b, nb);
  // Equal ASCII bytes weigh alike and fold alike: skip the prefix both share.
  int32_t k = 0;
  const int32_t n = na < nb ? na : nb;
  while (k < n && a[k] == b[k] && a[k] < 0x80) ++k;
  if (k == na && k == nb) return 0;
  // Walk both strings while they are ASCII; the first difference of primary
  // weights decides, whatever follows.
  int32_t i = k, j = k;
  for (;;) {
    while (i < na && a[i] < 0x80 && c.rank[a[i]] == 0) ++i;
    while (j < nb && b[j] < 0x80 && c.rank[b[j]] == 0) ++j;
    if (i == na || j == nb) break;
    unsigned char x = a[i], y = b[j];
    if ((x | y) >= 0x80) return CompareUnicode(c, a, na, b, nb);
    if (c.rank[x] != c.rank[y]) return c.rank[x] < c.rank[y] ? -1 : 1;
    ++i;
    ++j;
  }
  if (i == na && j == nb) {
    // Both all ASCII with the same weights: equal to ICU, so fold case and
    // compare code points.
    for (; k < n; ++k) {
      unsigned char x = LowerAscii(a[k]), y = LowerAscii(b[k]);
      if (x != y) return x < y ? -1 : 1;
    }
    return (na > n) - (nb > n);
  }
  // One string has ended; the other goes on with a weighted ASCII character
  // (it sorts after) or with something only the collator can weigh.
  if (i == na) return b[j] < 0x80 ? -1 : CompareUnicode(c, a, na, b, nb);
  return a[i] < 0x80 ? 1 : CompareUnicode(c, a, na, b, nb);
}

int NoCaseCompare(void*, int n1, const void* a, int n2, const void* b) {
  return Compare(TheCollation(), static_cast<const uint8_t*>(a), n1, static_cast<const uint8_t*>(b), n2);
}

const Collation& LoadedCollation() {
  const Collation& c = TheCollation();
  if (!c.collator) throw std::runtime_error(c.error);
  return c;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  return Compare(LoadedCollation(), reinterpret_cast<const uint8_t*>(a.data()), Length(a.size()),
                 reinterpret_cast<const uint8_t*>(b.data()), Length(b.size()));
}

int CompareTextUnicode(std::string_view a, std::string_view b) {
  return CompareUnicode(LoadedCollation(), reinterpret_cast<const uint8_t*>(a.data()), Length(a.size()),
                        reinterpret_cast<const uint8_t*>(b.data()), Length(b.size()));
}

bool AppendAsciiSortKey(std::string_view text, std::string& key) {
  const Collation& c = LoadedCollation();
  if (!c.fast) return false;
  for (unsigned char x : text)
    if (x >= 0x80) return false;
  // The weighed characters' ranks (never 0), a 0 that ends them, then the
  // text folded to lower case: Compare's two steps for ASCII texts.
  for (unsigned char x : text)
    if (c.rank[x] != 0) key += static_cast<char>(c.rank[x]);
  key += '\0';
  for (unsigned char x : text) key += static_cast<char>(LowerAscii(x));
  return true;
}

bool AppendSortKey(std::string_view text, std::string& key) {
  const Collation& c = LoadedCollation();
  std::u16string utf16;
  utf16.reserve(text.size());
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t n = Length(text.size());
  for (int32_t i = 0; i < n;) {
    UChar32 cp;
    U8_NEXT(s, i, n, cp);
    if (cp < 0) return false;  // ill-formed: only CompareText orders it
    if (cp > 0xFFFF) {
      utf16 += static_cast<char16_t>(U16_LEAD(cp));
      utf16 += static_cast<char16_t>(U16_TRAIL(cp));
    } else {
      utf16 += static_cast<char16_t>(cp);
    }
  }
  uint8_t buffer[512];
  const auto* u = reinterpret_cast<const UChar*>(utf16.data());
  const int32_t length = static_cast<int32_t>(utf16.size());
  const int32_t size = ucol_getSortKey(c.collator, u, length, buffer, sizeof buffer);
  if (size <= 0) return false;
  if (size <= static_cast<int32_t>(sizeof buffer)) {
    key.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size));
  } else {
    const size_t at = key.size();
    key.resize(at + static_cast<size_t>(size));
    ucol_getSortKey(c.collator, u, length, reinterpret_cast<uint8_t*>(key.data() + at), size);
  }
  return true;
}

void RegisterTextCollation(sqlite3* db) {
  LoadedCollation();
  sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, NoCaseCompare, nullptr);
}

}  // namespace orbisk
