#pragma once
// Text files in the user's character set. Text inside the program is UTF-8;
// the CSV, text and template writers hand their lines to a TextFileWriter,
// which converts them to the locale's character set and writes them through
// AtomicFile (so a failed export never leaves half a file behind).
#include <string>
#include <string_view>

#include "data/AtomicFile.h"

namespace orbisk {

// The character set of the user's locale (LC_CTYPE from the environment, the
// way setlocale(LC_CTYPE, "") reads it). The bare C/POSIX locale names plain
// ASCII; we write UTF-8 then rather than lose every accented letter.
std::string LocaleCodeset();
bool IsUtf8Codeset(std::string_view codeset);

// Converts UTF-8 text to a character set. A character the set cannot hold,
// and a byte that is not UTF-8, becomes '?'. UTF-8 passes through unchanged.
class TextEncoder {
 public:
  explicit TextEncoder(const std::string& codeset);
  ~TextEncoder();
  TextEncoder(const TextEncoder&) = delete;
  TextEncoder& operator=(const TextEncoder&) = delete;

  bool PassesThrough() const { return cd_ == nullptr; }
  // The converted text, valid until the next call.
  std::string_view Encode(std::string_view utf8);

 private:
  void* cd_ = nullptr;  // iconv_t
  std::string buf_;
};

// Bytes in a character set to UTF-8, for reading text files; a byte that does
// not decode becomes U+FFFD. UTF-8, and a set iconv does not know, pass through.
std::string DecodeText(std::string_view bytes, const std::string& codeset = LocaleCodeset());

class TextFileWriter {
 public:
  explicit TextFileWriter(std::string path, const std::string& codeset = LocaleCodeset());
  void Write(std::string_view utf8) { file_.Write(encoder_.Encode(utf8)); }
  void Commit() { file_.Commit(); }
  const std::string& Target() const { return file_.Target(); }

 private:
  AtomicFile file_;
  TextEncoder encoder_;
};

}  // namespace orbisk
