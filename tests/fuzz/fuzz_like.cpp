// Checks the LIKE byte search against the general matcher; aborts on any
// disagreement. Runs under whatever locale the environment names: with
// ORBISK_FUZZ_LOCALE_TR set it first makes sure the Turkish one really took
// (where toupper('i') is not 'I'), since the answers must not move with it.
//
// Input: [flags][split][bytes...]; the pattern is cut from the front of the
// bytes, the text is the rest. Flag bits 0-1 wrap the pattern as "%p%", "p%"
// or leave it as it is; bit 2 plants the pattern's text in the text with its
// letters' case flipped, so matches are found, not only misses; bit 3 asks
// for accents ignored as well, and then the planted text also takes accents
// (e as é, C as Ç, o as ô); the bits above say where the text is planted.
#include <cctype>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/SqlLike.h"

using namespace orbisk;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::setlocale(LC_ALL, "");
  if (std::getenv("ORBISK_FUZZ_LOCALE_TR") && std::toupper('i') == 'I') {
    std::fprintf(stderr, "the Turkish locale did not take (LC_ALL=%s)\n", std::setlocale(LC_ALL, nullptr));
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const unsigned flags = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const size_t split = data[1] % (rest.size() + 1);
  const std::string_view inner = rest.substr(0, split);
  std::string text(rest.substr(split));
  std::string pattern;
  switch (flags & 3) {
    case 0: pattern = "%" + std::string(inner) + "%"; break;
    case 1: pattern = std::string(inner) + "%"; break;
    default: pattern = std::string(inner); break;
  }
  const LikeFold fold = (flags & 8) ? LikeFold::CaseAndAccents : LikeFold::Case;
  if (flags & 4) {
    std::string planted;
    for (char c : inner) {
      if (fold == LikeFold::CaseAndAccents && (c == 'e' || c == 'C' || c == 'o')) {
        planted += c == 'e' ? "\xC3\x89" : c == 'C' ? "\xC3\xA7" : "\xC3\x94";  // É, ç, Ô
        continue;
      }
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      planted += c;
    }
    text.insert((flags >> 4) % (text.size() + 1), planted);
  }
  const LikePattern ready(pattern, fold);
  const bool fast = ready.Matches(text);
  const bool general = SqlLike(pattern, text, 0, fold);
  if (fast != general) {
    std::fprintf(stderr, "pattern [%s] text [%s] fold %d: byte search %d, general matcher %d\n", pattern.c_str(),
                 text.c_str(), static_cast<int>(fold), fast, general);
    std::abort();
  }
  return 0;
}
