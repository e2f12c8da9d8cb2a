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
inline constexpr int kTextCollationVersion = 1;

// <0, 0 or >0 as a sorts before, equal to or after b (UTF-8 input).
int CompareText(std::string_view a, std::string_view b);
// Replaces SQLite's NOCASE collation on db with ours.
void RegisterTextCollation(sqlite3* db);

}  // namespace orbisk
