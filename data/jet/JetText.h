#pragma once
// Text as Jet 4 stores it: UCS-2 little-endian, or the "compressed" form
// FF FE followed by one byte per character.
#include <string>
#include <string_view>

namespace orbisk::jet {

// UTF-8 to UTF-16; characters beyond the BMP become surrogate pairs, invalid
// bytes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The stored bytes of a text value. With `compressible` (the column allows
// compressed Unicode) a value of 3 to 1024 characters, every one in U+0001 to
// U+00FF, is stored compressed; everything else as UCS-2.
std::string EncodeText(std::u16string_view text, bool compressible);
// Reads stored text back (either form, including the mode switches of the
// compressed form that other writers use).
std::u16string DecodeText(std::string_view stored);
// The same straight into UTF-8 (replacing what `out` held), as Utf16ToUtf8 would give it.
void DecodeTextUtf8(std::string_view stored, std::string& out);

// Case-insensitive equality of two names (ASCII letters fold; other characters
// must be equal).
bool SameName(std::u16string_view a, std::u16string_view b);

}  // namespace orbisk::jet
