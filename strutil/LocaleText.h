#pragma once
// Text is UTF-8 inside the program; files are read and written in the user's
// locale character set (LC_CTYPE). Under UTF-8, and under the bare C/POSIX
// locale whose set is plain ASCII, files are UTF-8 and nothing is converted.
#include <string>
#include <string_view>

namespace orbisk {

// The character set files are written in, as iconv names it ("UTF-8", "ISO-8859-1", ...).
std::string FileCharset();

// UTF-8 text to the file character set; characters the set lacks become '?'.
std::string ToFileText(std::string_view utf8, const std::string& charset = FileCharset());
// Bytes in the file character set to UTF-8; bytes that do not decode become U+FFFD.
std::string FromFileText(std::string_view bytes, const std::string& charset = FileCharset());

}  // namespace orbisk
