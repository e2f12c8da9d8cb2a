// Checks the forward, backward and single-byte searches and the segment
// scanner against plain reference versions; aborts on any disagreement.
//
// Input: [pattern length][flags][start][bytes...]; the pattern is cut from the
// front of the bytes, the text is the rest. With flag bits 1 and 2 both set the
// text is repeated to a long one (so long texts take their interleaved path)
// and the pattern planted at positions the other flag bits choose.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "strutil/ByteSearch.h"

using namespace orbisk;

namespace {

[[noreturn]] void Disagree(const char* what, size_t got, size_t want) {
  std::fprintf(stderr, "%s: got %zu, reference %zu\n", what, got, want);
  std::abort();
}

bool Same(unsigned char a, unsigned char b, bool fold) {
  const auto& up = UpperCaseTable();
  return fold ? up[a] == up[b] : a == b;
}

bool MatchAt(std::string_view t, std::string_view p, size_t k, bool fold) {  // k 1-based
  for (size_t j = 0; j < p.size(); ++j)
    if (!Same(t[k - 1 + j], p[j], fold)) return false;
  return true;
}

size_t RefForward(std::string_view t, std::string_view p, size_t s, bool fold) {
  if (p.empty() || t.size() < p.size()) return 0;
  for (size_t k = s; k + p.size() - 1 <= t.size(); ++k)
    if (MatchAt(t, p, k, fold)) return k;
  return 0;
}

size_t RefBackward(std::string_view t, std::string_view p, size_t s, bool fold) {
  if (p.empty() || t.size() < p.size()) return 0;
  size_t k = (s == 0 || s + p.size() > t.size()) ? t.size() - p.size() + 1 : s;
  for (; k >= 1; --k)
    if (MatchAt(t, p, k, fold)) return k;
  return 0;
}

size_t RefSegment(std::string& seg, bool& marked, std::string_view src, std::string_view b,
                  std::string_view e, size_t s) {
  marked = false;
  const size_t n = src.size();
  const size_t at = RefForward(src, b, s, false);
  if (at == s) {
    const size_t end = RefForward(src, e, s + b.size(), false);
    if (end) {
      seg = std::string(src.substr(at - 1, end + e.size() - at));
      marked = true;
      return end + e.size();
    }
    seg = std::string(src.substr(at - 1));
    return 0;
  }
  if (s < at && at < n) {
    seg = std::string(src.substr(s - 1, at - s));
    return at;
  }
  seg = s > n ? std::string() : std::string(src.substr(s - 1));
  return 0;
}

void Check(std::string_view t, std::string_view p, size_t s) {
  size_t got, want;
  if ((got = FindForward(t, p, t.size(), p.size(), s)) != (want = RefForward(t, p, s, false)))
    Disagree("FindForward", got, want);
  if ((got = FindForwardNoCase(t, p, t.size(), p.size(), s)) != (want = RefForward(t, p, s, true)))
    Disagree("FindForwardNoCase", got, want);
  const size_t bs = s % 3 == 0 ? 0 : s;
  if ((got = FindBackward(t, p, t.size(), p.size(), bs)) != (want = RefBackward(t, p, bs, false)))
    Disagree("FindBackward", got, want);
  if ((got = FindBackwardNoCase(t, p, t.size(), p.size(), bs)) != (want = RefBackward(t, p, bs, true)))
    Disagree("FindBackwardNoCase", got, want);
  if (!p.empty()) {
    const size_t ref = t.find(p[0], s - 1);
    want = s > t.size() || ref == std::string_view::npos ? 0 : ref + 1;
    if ((got = FindChar(t, p[0], s)) != want) Disagree("FindChar", got, want);
  }
  // Segments with the pattern's halves as begin and end markers (the
  // reference rescans from every segment, so only on shorter texts).
  if (t.size() > 4096) return;
  const std::string_view b = p.substr(0, (p.size() + 1) / 2), e = p.substr((p.size() + 1) / 2);
  std::string seg, refSeg, joined;
  bool marked = false, refMarked = false;
  size_t pos = 1;
  do {
    const size_t next = NextSegment(seg, marked, t, b, e, pos);
    const size_t refNext = RefSegment(refSeg, refMarked, t, b, e, pos);
    if (next != refNext || seg != refSeg || marked != refMarked) Disagree("NextSegment", next, refNext);
    joined += seg;
    pos = next;
  } while (pos != 0);
  if (joined != t) Disagree("NextSegment cover", joined.size(), t.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t patternLength = data[0] % 24;
  const uint8_t flags = data[1];
  const uint8_t startByte = data[2];
  std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::string_view pattern = rest.substr(0, std::min(patternLength, rest.size()));
  std::string text(rest.substr(pattern.size()));
  if ((flags & 3) == 3 && !text.empty()) {
    // A long text: repeated input with the pattern planted once or twice.
    const std::string unit = text;
    while (text.size() < 9000) text += unit;
    for (int i = 0; i < 1 + ((flags >> 7) & 1); ++i) {
      const size_t at = (text.size() / 32) * ((flags >> (2 + i)) & 31) + i * 7;
      if (at + pattern.size() <= text.size()) text.replace(at, pattern.size(), pattern);
    }
  }
  const size_t start = 1 + (text.size() + 2) * startByte / 256;
  Check(text, pattern, start);
  if (start != 1) Check(text, pattern, 1);
  return 0;
}
