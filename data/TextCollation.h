#pragma once
// The order and equality of text in the directory: the collation every
// connection registers as NOCASE, and every program that builds an index on
// text registers before it does so.
#include <string_view>

struct sqlite3;

namespace orbisk {

// Bumped whenever the order of text changes: indexes built under one
// collation are wrong under another, so stored files name the version
// they were built with.
inline constexpr int kTextCollationVersion = 2;

// <0, 0 or >0 as a sorts before, equal to or after b (UTF-8 input).
// Unicode's root collation with case ignored and accents a secondary
// difference (É sorts among the E's, é is not e); strings the collation calls
// equal are told apart by their simple-case-folded code points, so only
// strings that differ in letter case alone are equal.
int CompareText(std::string_view a, std::string_view b);
// The same order without the shortcut for plain ASCII: the reference the
// shortcut is checked against.
int CompareTextUnicode(std::string_view a, std::string_view b);
// Appends to `key` bytes whose order (byte by byte, a shorter key first)
// is CompareText's order among all texts this accepts: texts of plain ASCII,
// while the ASCII shortcut holds. False, and nothing appended, for any other
// text, which only CompareText orders.
bool AppendAsciiSortKey(std::string_view text, std::string& key);
// The collator's own sort key of a well-formed UTF-8 text (slower to make):
// keys in byte order are texts in CompareText's order, except that texts
// differing in letter case alone may share a key (CompareText tells them
// apart). False for ill-formed text. Keys of the two kinds do not compare
// with each other.
bool AppendSortKey(std::string_view text, std::string& key);
// Replaces SQLite's NOCASE collation on db with ours. Throws when the
// Unicode collation data cannot be loaded.
void RegisterTextCollation(sqlite3* db);

}  // namespace orbisk
