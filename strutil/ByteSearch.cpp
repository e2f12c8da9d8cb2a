#include "strutil/ByteSearch.h"

#include <cstring>
#include <ctype.h>
#include <locale.h>
#include <stdexcept>

namespace orbisk {

namespace {

using Bytes = const unsigned char*;

Bytes BytesOf(std::string_view s) { return reinterpret_cast<Bytes>(s.data()); }

std::array<unsigned char, 256> BuildUpperCaseTable() {
  std::array<unsigned char, 256> table{};
  // The user's own LC_CTYPE, whether or not the program has called setlocale yet.
  locale_t user = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  for (int i = 0; i < 256; ++i) {
    int up = user ? ::toupper_l(i, user) : ::toupper(i);
    table[i] = static_cast<unsigned char>(up >= 0 && up < 256 ? up : i);
  }
  if (user) ::freelocale(user);
  return table;
}

// Built when the module starts, so that searches only ever read it.
const std::array<unsigned char, 256>& upperAtStart = UpperCaseTable();

// Confines a length to its string.
size_t Clamp(size_t length, std::string_view s) { return length < s.size() ? length : s.size(); }

template <class Fold>
void FillSkipTable(std::string_view pattern, size_t m, SkipTable& table, Fold fold) {
  if (m == 0) throw std::runtime_error("BufferLen is 0");
  m = Clamp(m, pattern);
  if (m == 0) throw std::runtime_error("BufferLen is 0");
  table.fill(static_cast<int32_t>(m));
  Bytes p = BytesOf(pattern);
  // Every byte but the last; a repeated byte keeps its rightmost (smallest) shift.
  for (size_t i = 0; i + 1 < m; ++i) table[fold(p[i])] = static_cast<int32_t>(m - 1 - i);
}

}  // namespace

const std::array<unsigned char, 256>& UpperCaseTable() {
  static const std::array<unsigned char, 256> table = BuildUpperCaseTable();
  return table;
}

size_t FindChar(std::string_view s, char ch, size_t start) {
  if (s.empty() || start > s.size()) return 0;
  if (start < 1) start = 1;
  const void* hit = std::memchr(s.data() + start - 1, static_cast<unsigned char>(ch), s.size() - start + 1);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - s.data()) + 1 : 0;
}

void BuildSkipTable(std::string_view pattern, size_t patternLength, SkipTable& table) {
  FillSkipTable(pattern, patternLength, table, [](unsigned char c) { return c; });
}

void BuildSkipTableNoCase(std::string_view pattern, size_t patternLength, SkipTable& table) {
  const auto& up = UpperCaseTable();
  FillSkipTable(pattern, patternLength, table, [&up](unsigned char c) { return up[c]; });
}

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// Skip-table scan over window ends k in [from, to) (0-based text index under
// the pattern's last byte): at each k the window is compared, and k then moves
// on by the table entry of the (folded) text byte at k. Returns the k of the
// leftmost matching window, or kNone.
template <class Fold, class Matches>
size_t ScanStretch(Bytes t, size_t from, size_t to, const SkipTable& table, unsigned char last, Fold fold,
                   Matches matches) {
  for (size_t k = from; k < to;) {
    const unsigned char c = fold(t[k]);
    if (c == last && matches(k)) return k;
    k += static_cast<size_t>(table[c]);
  }
  return kNone;
}

// The same scan over a long text cut into stretches scanned in step: each
// step of a stretch waits on two dependent loads (text byte, table entry), so
// several independent stretches keep the processor busy. Every stretch starts
// at its own first window end, which finds every window ending inside it; the
// leftmost stretch with a match holds the leftmost match.
template <class Fold, class Matches>
size_t ScanForward(Bytes t, size_t from, size_t to, const SkipTable& table, unsigned char last, Fold fold,
                   Matches matches) {
  constexpr int kLanes = 8;
  constexpr size_t kMinPerLane = 1024;
  const size_t span = to - from;
  if (span < kLanes * kMinPerLane) return ScanStretch(t, from, to, table, last, fold, matches);
  size_t k[kLanes], end[kLanes];
  for (int j = 0; j < kLanes; ++j) {
    k[j] = from + span / kLanes * static_cast<size_t>(j);
    end[j] = j + 1 < kLanes ? from + span / kLanes * static_cast<size_t>(j + 1) : to;
  }
  size_t found = kNone;
  int live = kLanes;  // stretches from `live` on lie right of a match already found
  for (;;) {
    bool stepped = false;
    for (int j = 0; j < live; ++j) {
      const size_t kj = k[j];
      if (kj >= end[j]) continue;
      stepped = true;
      const unsigned char c = fold(t[kj]);
      if (c == last && matches(kj)) {
        found = kj;
        live = j;
        break;
      }
      k[j] = kj + static_cast<size_t>(table[c]);
    }
    if (!stepped) return found;
  }
}

// The text and pattern lengths of a forward search and its first position;
// false when the pattern cannot fit at or after it.
bool ForwardBounds(std::string_view text, std::string_view pattern, size_t textLength, size_t patternLength,
                   size_t& start, size_t& n, size_t& m) {
  n = Clamp(textLength, text);
  m = Clamp(patternLength, pattern);
  if (m < 1 || n < m) return false;
  if (start < 1) start = 1;
  return start <= n - m + 1;
}

}  // namespace

size_t FindForward(std::string_view text, std::string_view pattern, size_t textLength,
                   size_t patternLength, size_t start) {
  size_t n, m;
  if (!ForwardBounds(text, pattern, textLength, patternLength, start, n, m)) return 0;
  SkipTable table;
  BuildSkipTable(pattern, m, table);
  Bytes t = BytesOf(text);
  Bytes p = BytesOf(pattern);
  // The last bytes are equal when this is asked; the rest is compared at once.
  auto matches = [t, p, m](size_t k) { return std::memcmp(t + k + 1 - m, p, m - 1) == 0; };
  const size_t k = ScanForward(t, start - 1 + m - 1, n, table, p[m - 1], [](unsigned char c) { return c; },
                               matches);
  return k == kNone ? 0 : k + 2 - m;
}

size_t FindForwardNoCase(std::string_view text, std::string_view pattern, size_t textLength,
                         size_t patternLength, size_t start) {
  size_t n, m;
  if (!ForwardBounds(text, pattern, textLength, patternLength, start, n, m)) return 0;
  SkipTable table;
  BuildSkipTableNoCase(pattern, m, table);
  const auto& up = UpperCaseTable();
  Bytes t = BytesOf(text);
  Bytes p = BytesOf(pattern);
  auto matches = [t, p, m, &up](size_t k) {
    Bytes at = t + k + 1 - m;
    size_t j = m - 1;
    while (j > 0 && up[at[j - 1]] == up[p[j - 1]]) --j;
    return j == 0;
  };
  const size_t k = ScanForward(t, start - 1 + m - 1, n, table, up[p[m - 1]],
                               [&up](unsigned char c) { return up[c]; }, matches);
  return k == kNone ? 0 : k + 2 - m;
}

namespace {

template <class Same>
size_t SearchBackward(std::string_view text, std::string_view pattern, size_t textLength,
                      size_t patternLength, size_t start, Same same) {
  const size_t n = Clamp(textLength, text);
  const size_t m = Clamp(patternLength, pattern);
  if (m < 1 || n < m) return 0;
  size_t k = start;
  if (start == 0 || start > n - m + 1) k = n - m + 1;
  Bytes t = BytesOf(text);
  Bytes p = BytesOf(pattern);
  for (; k >= 1; --k) {
    Bytes at = t + k - 1;
    if (!same(at[0], p[0])) continue;
    size_t j = m - 1;
    while (j > 0 && same(at[j], p[j])) --j;
    if (j == 0) return k;
  }
  return 0;
}

}  // namespace

size_t FindBackward(std::string_view text, std::string_view pattern, size_t textLength,
                    size_t patternLength, size_t start) {
  return SearchBackward(text, pattern, textLength, patternLength, start,
                        [](unsigned char a, unsigned char b) { return a == b; });
}

size_t FindBackwardNoCase(std::string_view text, std::string_view pattern, size_t textLength,
                          size_t patternLength, size_t start) {
  const auto& up = UpperCaseTable();
  return SearchBackward(text, pattern, textLength, patternLength, start,
                        [&up](unsigned char a, unsigned char b) { return up[a] == up[b]; });
}

size_t FindPattern(std::string_view pattern, std::string_view text, bool caseSensitive,
                   size_t start, bool forward) {
  if (caseSensitive)
    return forward ? FindForward(text, pattern, text.size(), pattern.size(), start)
                   : FindBackward(text, pattern, text.size(), pattern.size(), start);
  return forward ? FindForwardNoCase(text, pattern, text.size(), pattern.size(), start)
                 : FindBackwardNoCase(text, pattern, text.size(), pattern.size(), start);
}

size_t NextSegment(std::string& segment, bool& isMarked, std::string_view source,
                   std::string_view beginMarker, std::string_view endMarker, size_t start) {
  const size_t n = source.size();
  if (start < 1) start = 1;
  isMarked = false;
  const size_t b = FindPattern(beginMarker, source, true, start, true);
  if (b == start) {
    const size_t e = FindPattern(endMarker, source, true, start + beginMarker.size(), true);
    if (e != 0) {
      const size_t after = e + endMarker.size();
      segment.assign(source.substr(b - 1, after - b));
      isMarked = true;
      return after;
    }
    segment.assign(source.substr(b - 1));
    return 0;
  }
  if (start < b && b < n) {
    segment.assign(source.substr(start - 1, b - start));
    return b;
  }
  if (start > n)
    segment.clear();
  else
    segment.assign(source.substr(start - 1));
  return 0;
}

}  // namespace orbisk
