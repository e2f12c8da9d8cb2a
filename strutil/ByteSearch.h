#pragma once
// Byte-string search beneath the template engine: single-byte search, a
// skip-table forward search (Boyer-Moore-Horspool: the shift is decided by the
// text byte under the pattern's last position) in an exact and a
// case-insensitive form, a backward search, and the marker-pair segment
// scanner.
//
// Positions are 1-based and 0 means "not found". Lengths are passed beside the
// strings; a length shorter than its string confines the search to that prefix
// (a longer one is clamped to the string). Nothing here allocates memory except
// the segment string NextSegment hands back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orbisk {

using SkipTable = std::array<int32_t, 256>;

// Entry i is the upper-case form of byte i under the user's LC_CTYPE, built
// once with toupper(). In a UTF-8 locale only ASCII letters change, so
// multi-byte sequences are never broken. Case-insensitive comparisons compare
// these entries and never lower-case.
const std::array<unsigned char, 256>& UpperCaseTable();

// Position of the first ch at or after start; 0 when s is empty, start lies
// beyond its end, or there is no ch.
size_t FindChar(std::string_view s, char ch, size_t start);

// Fills the table for the first patternLength bytes of pattern; throws
// std::runtime_error("BufferLen is 0") when that length is 0.
void BuildSkipTable(std::string_view pattern, size_t patternLength, SkipTable& table);
void BuildSkipTableNoCase(std::string_view pattern, size_t patternLength, SkipTable& table);

// Leftmost occurrence starting at or after start (overlapping ones included); 0 if none.
size_t FindForward(std::string_view text, std::string_view pattern, size_t textLength,
                   size_t patternLength, size_t start);
size_t FindForwardNoCase(std::string_view text, std::string_view pattern, size_t textLength,
                         size_t patternLength, size_t start);

// Rightmost occurrence starting at or before start; start 0 means anywhere.
size_t FindBackward(std::string_view text, std::string_view pattern, size_t textLength,
                    size_t patternLength, size_t start);
size_t FindBackwardNoCase(std::string_view text, std::string_view pattern, size_t textLength,
                          size_t patternLength, size_t start);

// Dispatches to one of the four searches with the full lengths of both strings.
size_t FindPattern(std::string_view pattern, std::string_view text, bool caseSensitive,
                   size_t start, bool forward);

// Cuts the next segment off source, starting at start: either a marked segment
// (begin marker standing exactly at start, through its end marker) or the
// unmarked text up to the next begin marker. Returns where the following
// segment starts, or 0 once the source is exhausted; the last segment is
// always unmarked and may be empty.
size_t NextSegment(std::string& segment, bool& isMarked, std::string_view source,
                   std::string_view beginMarker, std::string_view endMarker, size_t start);

}  // namespace orbisk
