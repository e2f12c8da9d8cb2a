#pragma once
// The engine's LIKE: % any run, _ one character, letter case ignored
// (accented letters included), accents kept.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;

namespace orbisk {

// Whether text matches pattern; escape (0 for none) makes the next pattern
// character literal.
bool SqlLike(std::string_view pattern, std::string_view text, char32_t escape = 0);
// One pattern made ready for many texts. The shapes the search panel builds,
// "%text%" and "text%", are matched by a case-folding byte search of their
// own (a fixed fold, never the user's locale); texts it cannot decide alone
// (bytes beyond ASCII where nothing was found) and every other shape go to
// SqlLike, so the answers are always those of SqlLike.
class LikePattern {
 public:
  explicit LikePattern(std::string_view pattern);
  bool Matches(std::string_view text) const;
  // Whether the pattern has a shape of the byte search.
  bool Fast() const { return shape_ != Shape::General; }

 private:
  enum class Shape { General, Contains, Prefix };
  bool General(std::string_view text) const;
  bool Find(std::string_view text) const;  // the folded ASCII needle in text's bytes
  bool EqualFoldedAt(const unsigned char* t) const;
  std::string pattern_;
  Shape shape_ = Shape::General;
  bool asciiNeedle_ = true;  // false: the text sought has letters beyond ASCII
  std::string needle_;       // folded, when ASCII
  std::array<uint8_t, 256> skip_{};
};

// Replaces SQLite's like() on db with ours (two and three arguments).
void RegisterLikeFunction(sqlite3* db);

}  // namespace orbisk
