#pragma once
// The engine's LIKE: % any run, _ one character, letter case ignored
// (accented letters included), accents kept.
#include <string_view>

struct sqlite3;

namespace orbisk {

// Whether text matches pattern; escape (0 for none) makes the next pattern
// character literal.
bool SqlLike(std::string_view pattern, std::string_view text, char32_t escape = 0);
// Replaces SQLite's like() on db with ours (two and three arguments).
void RegisterLikeFunction(sqlite3* db);

}  // namespace orbisk
