// Checks the text collation's ASCII shortcut against ICU's own comparison of
// the same strings (UTF-16, through ucol_strcoll); aborts on any disagreement.
// Also checks that the order is a total order over the three strings of each
// input: antisymmetric and transitive, the tie-break included.
//
// Input: [length of a][length of b][bytes...]; a and b are cut from the front
// of the bytes, c is the rest.
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/TextCollation.h"

using namespace orbisk;

namespace {

[[noreturn]] void Disagree(const char* what, std::string_view a, std::string_view b, int got, int want) {
  std::fprintf(stderr, "%s: got %d, reference %d for\n", what, got, want);
  for (std::string_view s : {a, b}) {
    for (unsigned char ch : s) std::fprintf(stderr, "%02x ", ch);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

int Sign(int v) { return (v > 0) - (v < 0); }

std::u16string Utf16(std::string_view s) {
  std::u16string out(s.size() + 1, u'\0');
  int32_t len = 0;
  UErrorCode err = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &len, s.data(),
                       static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &err);
  if (U_FAILURE(err)) std::abort();
  out.resize(static_cast<size_t>(len));
  return out;
}

int Reference(std::string_view a, std::string_view b) {
  static UCollator* collator = [] {
    UErrorCode err = U_ZERO_ERROR;
    UCollator* c = ucol_open("", &err);
    ucol_setStrength(c, UCOL_SECONDARY);
    if (U_FAILURE(err)) std::abort();
    return c;
  }();
  std::u16string x = Utf16(a), y = Utf16(b);
  return ucol_strcoll(collator, reinterpret_cast<const UChar*>(x.data()), static_cast<int32_t>(x.size()),
                      reinterpret_cast<const UChar*>(y.data()), static_cast<int32_t>(y.size()));
}

void CheckPair(std::string_view a, std::string_view b) {
  int got = Sign(CompareText(a, b));
  int want = Sign(Reference(a, b));
  if (want != 0 && got != want) Disagree("order", a, b, got, want);
  // Where ICU sees no difference the tie-break decides, the same either way.
  int slow = Sign(CompareTextUnicode(a, b));
  if (got != slow) Disagree("shortcut against the full comparison", a, b, got, slow);
  if (Sign(CompareText(b, a)) != -got) Disagree("antisymmetry", a, b, Sign(CompareText(b, a)), -got);
  if (got == 0 && a.size() != b.size()) {
    // Equal strings differ in letter case alone, which never changes ASCII lengths.
    bool ascii = true;
    for (unsigned char ch : std::string(a) + std::string(b)) ascii &= ch < 0x80;
    if (ascii) Disagree("equal ASCII strings of different lengths", a, b, got, 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t la = data[0] % 64, lb = data[1] % 64;
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  la = la < rest.size() ? la : rest.size();
  std::string_view a = rest.substr(0, la);
  rest.remove_prefix(la);
  lb = lb < rest.size() ? lb : rest.size();
  std::string_view b = rest.substr(0, lb);
  std::string_view c = rest.substr(lb);
  CheckPair(a, b);
  CheckPair(b, c);
  CheckPair(a, c);
  int ab = Sign(CompareText(a, b)), bc = Sign(CompareText(b, c)), ac = Sign(CompareText(a, c));
  if (ab <= 0 && bc <= 0 && ac > 0) Disagree("transitivity (a<=b<=c, a>c)", a, c, ac, -1);
  if (ab >= 0 && bc >= 0 && ac < 0) Disagree("transitivity (a>=b>=c, a<c)", a, c, ac, 1);
  return 0;
}
