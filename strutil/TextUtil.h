#pragma once
// Small text helpers shared by every layer. Text inside the program is UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

namespace orbisk {

// Removes bytes 0x00..0x20 (blanks and control characters) at both ends,
// the way the program always trims.
std::string_view TrimBlanks(std::string_view s);
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);
// Replaces every occurrence of `from` by `to`.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);
// Doubles every single quote, for a text placed inside a quoted SQL literal.
std::string DoubleQuotes(std::string_view s);
// An optional sign followed by one or more ASCII digits, nothing else.
bool IsWholeNumber(std::string_view s);

// Unicode-aware case folding (simple, one code point to one code point), as the
// engine compares text: accented letters fold with their capitals (é ~ É), but
// never lose their accents (é !~ e). Works on UTF-8; invalid bytes fold to themselves.
char32_t FoldCase(char32_t c);
// Decodes one UTF-8 sequence at s[i], advancing i. Invalid bytes decode as themselves.
char32_t DecodeUtf8(std::string_view s, size_t& i);
void AppendUtf8(std::string& out, char32_t c);
std::string FoldCaseUtf8(std::string_view s);

}  // namespace orbisk
