#include "strutil/ByteSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace orbisk;

namespace {

size_t Fwd(std::string_view text, std::string_view pattern, size_t start = 1) {
  return FindForward(text, pattern, text.size(), pattern.size(), start);
}
size_t FwdNoCase(std::string_view text, std::string_view pattern, size_t start = 1) {
  return FindForwardNoCase(text, pattern, text.size(), pattern.size(), start);
}
size_t Back(std::string_view text, std::string_view pattern, size_t start) {
  return FindBackward(text, pattern, text.size(), pattern.size(), start);
}

// Plain reference searches, 1-based.
size_t NaiveForward(const std::string& t, const std::string& p, size_t start, bool fold) {
  const auto& up = UpperCaseTable();
  if (p.empty() || t.size() < p.size()) return 0;
  for (size_t k = start; k + p.size() - 1 <= t.size(); ++k) {
    size_t j = 0;
    while (j < p.size() && (fold ? up[(unsigned char)t[k - 1 + j]] == up[(unsigned char)p[j]]
                                 : t[k - 1 + j] == p[j]))
      ++j;
    if (j == p.size()) return k;
  }
  return 0;
}

size_t NaiveBackward(const std::string& t, const std::string& p, size_t start) {
  if (p.empty() || t.size() < p.size()) return 0;
  size_t k = (start == 0 || start > t.size() - p.size() + 1) ? t.size() - p.size() + 1 : start;
  for (; k >= 1; --k)
    if (t.compare(k - 1, p.size(), p) == 0) return k;
  return 0;
}

struct Cut {
  std::string segment;
  bool marked;
  size_t next;
};

std::vector<Cut> CutAll(std::string_view source, std::string_view b, std::string_view e) {
  std::vector<Cut> cuts;
  size_t pos = 1;
  do {
    Cut c;
    c.next = NextSegment(c.segment, c.marked, source, b, e, pos);
    cuts.push_back(c);
    pos = c.next;
  } while (pos != 0 && cuts.size() < 1000);
  return cuts;
}

}  // namespace

TEST(ByteSearch, FindCharEdges) {
  EXPECT_EQ(FindChar("", 'a', 1), 0u);
  EXPECT_EQ(FindChar("abca", 'a', 1), 1u);
  EXPECT_EQ(FindChar("abca", 'a', 2), 4u);
  EXPECT_EQ(FindChar("abca", 'a', 5), 0u);
  EXPECT_EQ(FindChar("abc", 'x', 1), 0u);
  EXPECT_EQ(FindChar(std::string_view("a\0b", 3), '\0', 1), 2u);
}

TEST(ByteSearch, SkipTableKeepsRightmostShiftAndRejectsEmptyPattern) {
  SkipTable t;
  BuildSkipTable("abcab", 5, t);
  EXPECT_EQ(t['a'], 1);  // rightmost 'a' before the last position
  EXPECT_EQ(t['b'], 3);  // the last byte itself does not count
  EXPECT_EQ(t['c'], 2);
  EXPECT_EQ(t['z'], 5);
  BuildSkipTable("abcab", 2, t);  // a length confines the pattern
  EXPECT_EQ(t['a'], 1);
  EXPECT_EQ(t['c'], 2);
  try {
    BuildSkipTable("abc", 0, t);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "BufferLen is 0");
  }
  EXPECT_THROW(BuildSkipTableNoCase("", 0, t), std::runtime_error);
  BuildSkipTableNoCase("aBc", 3, t);
  EXPECT_EQ(t['A'], 2);
  EXPECT_EQ(t['B'], 1);
  EXPECT_EQ(t['a'], 3);  // entries are indexed by upper-case bytes only
}

TEST(ByteSearch, ForwardEdges) {
  EXPECT_EQ(Fwd("abc", ""), 0u);
  EXPECT_EQ(Fwd("ab", "abc"), 0u);
  EXPECT_EQ(Fwd("", "a"), 0u);
  EXPECT_EQ(Fwd("aaa", "aa", 2), 2u);  // overlapping occurrences count
  EXPECT_EQ(Fwd("aaa", "aa", 3), 0u);  // past the last position where it fits
  EXPECT_EQ(Fwd("xabcabc", "abc"), 2u);
  EXPECT_EQ(Fwd("xabcabc", "abc", 3), 5u);
  EXPECT_EQ(Fwd("xabcabc", "abc", 5), 5u);
  EXPECT_EQ(Fwd("xabcabc", "abc", 99), 0u);
  EXPECT_EQ(Fwd("abc", "abc"), 1u);
  // The text byte under the pattern's last position decides the shift even
  // when an earlier byte differed: "bcd" after "abd" must not be skipped.
  EXPECT_EQ(Fwd("abdbcd", "bcd"), 4u);
  // Lengths shorter than the strings confine the search.
  EXPECT_EQ(FindForward("xxabc", "abc", 4, 3, 1), 0u);
  EXPECT_EQ(FindForward("xxabc", "abz", 5, 2, 1), 3u);
  // Any byte, NUL included.
  EXPECT_EQ(Fwd(std::string_view("a\0\0b", 4), std::string_view("\0b", 2)), 3u);
}

TEST(ByteSearch, ForwardNoCase) {
  EXPECT_EQ(FwdNoCase("<!--#MasterBegin=1 REPEAT-->", " Repeat"), 19u);
  EXPECT_EQ(FwdNoCase("<!--#MasterBegin=1 repeat-->", " Repeat"), 19u);
  EXPECT_EQ(FwdNoCase("<!--#MasterBegin=1 Repeal-->", " Repeat"), 0u);
  EXPECT_EQ(FwdNoCase("aAa", "AA", 2), 2u);
  EXPECT_EQ(FwdNoCase("abc", ""), 0u);
  // Upper-casing only ASCII letters under UTF-8: é (C3 A9) and É (C3 89) differ.
  EXPECT_EQ(FwdNoCase("caf\xC3\x89", "\xC3\xA9"), 0u);
  EXPECT_EQ(FwdNoCase("CAF\xC3\xA9", "f\xC3\xA9"), 3u);
}

TEST(ByteSearch, UpperCaseTableFoldsAsciiLettersOnly) {
  const auto& up = UpperCaseTable();
  EXPECT_EQ(up['a'], 'A');
  EXPECT_EQ(up['z'], 'Z');
  EXPECT_EQ(up['A'], 'A');
  EXPECT_EQ(up['1'], '1');
  EXPECT_EQ(up['{'], '{');
  for (int i = 0x80; i < 256; ++i) EXPECT_EQ(up[i], i) << i;  // C.UTF-8 in the test run
}

TEST(ByteSearch, BackwardEdges) {
  EXPECT_EQ(Back("abcabc", "abc", 0), 4u);  // start 0: anywhere
  EXPECT_EQ(Back("abcabc", "abc", 1), 1u);
  EXPECT_EQ(Back("xabcabc", "abc", 1), 0u);  // start 1 only tests position 1
  EXPECT_EQ(Back("abcabc", "abc", 3), 1u);
  EXPECT_EQ(Back("abcabc", "abc", 99), 4u);
  EXPECT_EQ(Back("aaa", "aa", 0), 2u);
  EXPECT_EQ(Back("abc", "", 0), 0u);
  EXPECT_EQ(Back("ab", "abc", 0), 0u);
  EXPECT_EQ(FindBackwardNoCase("xABCx", "abc", 5, 3, 0), 2u);
}

TEST(ByteSearch, FindPatternDispatches) {
  const std::string text = "Abc abc ABC";
  EXPECT_EQ(FindPattern("abc", text, true, 1, true), 5u);
  EXPECT_EQ(FindPattern("abc", text, true, 0, false), 5u);
  EXPECT_EQ(FindPattern("abc", text, false, 1, true), 1u);
  EXPECT_EQ(FindPattern("abc", text, false, 0, false), 9u);
}

TEST(ByteSearch, AgreesWithNaiveSearchOnRandomText) {
  std::mt19937 rng(42);
  const std::string alphabet = "abAB<>-!";
  for (int round = 0; round < 20000; ++round) {
    std::string t(rng() % 40, ' '), p(1 + rng() % 5, ' ');
    for (auto& c : t) c = alphabet[rng() % alphabet.size()];
    for (auto& c : p) c = alphabet[rng() % alphabet.size()];
    const size_t s = 1 + rng() % (t.size() + 2);
    ASSERT_EQ(Fwd(t, p, s), NaiveForward(t, p, s, false)) << t << " / " << p << " @" << s;
    ASSERT_EQ(FwdNoCase(t, p, s), NaiveForward(t, p, s, true)) << t << " / " << p << " @" << s;
    const size_t bs = rng() % (t.size() + 2);
    ASSERT_EQ(Back(t, p, bs), NaiveBackward(t, p, bs)) << t << " / " << p << " @" << bs;
  }
}

TEST(ByteSearch, LongTextsFindTheLeftmostMatchWhereverItLies) {
  // Long texts are scanned in several stretches at once; matches at and across
  // their borders, and several matches in different stretches, must all come
  // out as the leftmost one.
  std::mt19937 rng(3);
  const std::string pattern = "<!--#DetailBegin";
  for (size_t n : {size_t{9000}, size_t{40000}, size_t{100003}}) {
    std::string base(n, ' ');
    for (auto& c : base) c = "<!-eatilnx\r\n"[rng() % 12];
    for (int round = 0; round < 300; ++round) {
      std::string t = base;
      const int hits = 1 + static_cast<int>(rng() % 3);
      for (int h = 0; h < hits; ++h) {
        // Near a stretch border half of the time.
        size_t at = rng() % 2 ? (n / 8) * (1 + rng() % 7) - rng() % (pattern.size() + 2) : rng() % n;
        if (at + pattern.size() > n) at = n - pattern.size();
        t.replace(at, pattern.size(), pattern);
      }
      const size_t s = rng() % 4 ? 1 : 1 + rng() % n;
      ASSERT_EQ(Fwd(t, pattern, s), NaiveForward(t, pattern, s, false)) << n << " @" << s;
      std::string upper = pattern;
      for (auto& c : upper) c = static_cast<char>(UpperCaseTable()[(unsigned char)c]);
      ASSERT_EQ(FwdNoCase(t, upper, s), NaiveForward(t, pattern, s, true)) << n << " @" << s;
    }
  }
}

TEST(ByteSearch, SegmentsOfTokens) {
  auto cuts = CutAll("ab{$x}cd", "{$", "}");
  ASSERT_EQ(cuts.size(), 3u);
  EXPECT_EQ(cuts[0].segment, "ab");
  EXPECT_FALSE(cuts[0].marked);
  EXPECT_EQ(cuts[0].next, 3u);
  EXPECT_EQ(cuts[1].segment, "{$x}");
  EXPECT_TRUE(cuts[1].marked);
  EXPECT_EQ(cuts[1].next, 7u);
  EXPECT_EQ(cuts[2].segment, "cd");
  EXPECT_FALSE(cuts[2].marked);
  EXPECT_EQ(cuts[2].next, 0u);
}

TEST(ByteSearch, SegmentEdges) {
  // Empty source: one empty unmarked segment.
  auto cuts = CutAll("", "{$", "}");
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].segment, "");
  EXPECT_FALSE(cuts[0].marked);

  // A begin marker without an end marker stays text, marker included.
  cuts = CutAll("ab{$x", "{$", "}");
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].segment, "{$x");
  EXPECT_FALSE(cuts[1].marked);
  EXPECT_EQ(cuts[1].next, 0u);

  // A marked segment at the end is followed by an empty unmarked one.
  cuts = CutAll("{$x}", "{$", "}");
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_TRUE(cuts[0].marked);
  EXPECT_EQ(cuts[0].next, 5u);
  EXPECT_EQ(cuts[1].segment, "");
  EXPECT_FALSE(cuts[1].marked);

  // A lone end marker is text; a begin marker inside a marked segment starts nothing.
  cuts = CutAll("a}b{${$c}}", "{$", "}");
  ASSERT_EQ(cuts.size(), 3u);
  EXPECT_EQ(cuts[0].segment, "a}b");
  EXPECT_EQ(cuts[1].segment, "{${$c}");
  EXPECT_EQ(cuts[2].segment, "}");

  // The end marker is searched only after the whole begin marker.
  cuts = CutAll("<!--#DetailBegin-->x<!--#DetailEnd-->", "<!--#DetailBegin", "<!--#DetailEnd-->");
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_TRUE(cuts[0].marked);
  EXPECT_EQ(cuts[0].segment, "<!--#DetailBegin-->x<!--#DetailEnd-->");

  // Starting beyond the source gives an empty unmarked segment.
  std::string seg = "old";
  bool marked = true;
  EXPECT_EQ(NextSegment(seg, marked, "abc", "{$", "}", 9), 0u);
  EXPECT_EQ(seg, "");
  EXPECT_FALSE(marked);
}

TEST(ByteSearch, SegmentsCoverTheSourceInOrder) {
  std::mt19937 rng(7);
  const std::string alphabet = "ab{$}";
  for (int round = 0; round < 5000; ++round) {
    std::string src(rng() % 30, ' ');
    for (auto& c : src) c = alphabet[rng() % alphabet.size()];
    std::string joined;
    for (const auto& c : CutAll(src, "{$", "}")) {
      if (c.marked) {
        ASSERT_EQ(c.segment.rfind("{$", 0), 0u) << src;
        ASSERT_EQ(c.segment.back(), '}') << src;
        ASSERT_EQ(c.segment.find('}', 2), c.segment.size() - 1) << src;
      }
      joined += c.segment;
    }
    ASSERT_EQ(joined, src);
  }
}
