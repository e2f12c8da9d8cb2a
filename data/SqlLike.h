#pragma once
// The engine's LIKE: % any run, _ one character, letter case ignored
// (accented letters included), accents kept; or, for a statement that asks
// for it, accents ignored as well.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;

namespace orbisk {

// How LIKE compares characters.
enum class LikeFold {
  Case,            // letter case ignored: é matches É, never e
  CaseAndAccents,  // accents ignored too: e, é, É and E are alike; a letter
                   // Unicode does not decompose (ø, æ, ß, œ) keeps its identity
};

// Whether text matches pattern; escape (0 for none) makes the next pattern
// character literal.
bool SqlLike(std::string_view pattern, std::string_view text, char32_t escape = 0, LikeFold fold = LikeFold::Case);
// One pattern made ready for many texts. The shapes the search panel builds,
// "%text%" and "text%", are matched by a case-folding byte search of their
// own (a fixed fold, never the user's locale); texts it cannot decide alone
// (bytes beyond ASCII where nothing was found) and every other shape go to
// SqlLike, so the answers are always those of SqlLike.
//
// With accents ignored, a text beyond ASCII in which the byte search finds
// nothing is folded whole into a copy (ASCII letters small, accented letters
// to their base letter, marks dropped) and searched again: the copy's ASCII
// bytes are the folded characters themselves.
class LikePattern {
 public:
  explicit LikePattern(std::string_view pattern, LikeFold fold = LikeFold::Case);
  bool Matches(std::string_view text) const;
  // Whether the pattern has a shape of the byte search.
  bool Fast() const { return shape_ != Shape::General; }
  LikeFold Fold() const { return fold_; }

 private:
  enum class Shape { General, Contains, Prefix };
  bool General(std::string_view text) const;
  bool Find(std::string_view text) const;  // the folded ASCII needle in text's bytes
  bool EqualFoldedAt(const unsigned char* t) const;
  bool MatchesFoldedCopy(std::string_view text) const;
  std::string pattern_;
  LikeFold fold_ = LikeFold::Case;
  Shape shape_ = Shape::General;
  bool asciiNeedle_ = true;  // false: the text sought has letters beyond ASCII
  std::string needle_;       // folded, when ASCII
  std::array<uint8_t, 256> skip_{};
};

// Replaces SQLite's like() on db with ours (two and three arguments).
void RegisterLikeFunction(sqlite3* db);

// The fold like() uses on this thread while the guard lives (Case outside
// every guard). A query sets it for the one statement it runs, so the text of
// the statement never changes with it.
class ScopedLikeFold {
 public:
  explicit ScopedLikeFold(LikeFold fold);
  ~ScopedLikeFold();
  ScopedLikeFold(const ScopedLikeFold&) = delete;
  ScopedLikeFold& operator=(const ScopedLikeFold&) = delete;

 private:
  LikeFold saved_;
};
LikeFold CurrentLikeFold();

}  // namespace orbisk
