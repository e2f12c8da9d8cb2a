#pragma once
// Text files in the user's character set. Text inside the program is UTF-8;
// the CSV, text and template writers hand their lines to a TextFileWriter,
// which converts them to the locale's character set and writes them through
// AtomicFile (so a failed export never leaves half a file behind).
#include <stdexcept>
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

// Where a writer's lines go: UTF-8 text in, the user's character set out.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Write(std::string_view utf8) = 0;
};

// A file, written whole or not at all.
class TextFileWriter final : public TextSink {
 public:
  explicit TextFileWriter(std::string path, const std::string& codeset = LocaleCodeset());
  void Write(std::string_view utf8) override { file_.Write(encoder_.Encode(utf8)); }
  void Commit() { file_.Commit(); }
  const std::string& Target() const { return file_.Target(); }

 private:
  AtomicFile file_;
  TextEncoder encoder_;
};

// The reader of a stream went away (a closed pipe): nothing more can be written.
struct StreamClosed : std::runtime_error {
  StreamClosed() : std::runtime_error("The reader closed the output.") {}
};

// An open file descriptor (standard output, a pipe), written as the text
// comes, in blocks of 64 KiB: nothing is held back but one block. Write
// errors throw; a closed pipe throws StreamClosed (SIGPIPE must be ignored
// for the writer to see it). The descriptor stays open.
class TextStreamWriter final : public TextSink {
 public:
  explicit TextStreamWriter(int fd, const std::string& codeset = LocaleCodeset());
  ~TextStreamWriter() override;  // writes what is left, quietly
  TextStreamWriter(const TextStreamWriter&) = delete;
  TextStreamWriter& operator=(const TextStreamWriter&) = delete;

  void Write(std::string_view utf8) override;
  // Writes what is held; throws as Write does.
  void Flush();

 private:
  void WriteAll(std::string_view bytes);
  static constexpr size_t kBlock = 64 * 1024;
  int fd_;
  bool failed_ = false;
  TextEncoder encoder_;
  std::string buf_;
};

}  // namespace orbisk
