#include "export/TextFile.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "data/ExportTarget.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

std::string NormalizedCodeset(std::string_view codeset) {
  std::string n;
  for (char c : codeset)
    if (c != '-' && c != '_') n += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return n;
}

bool IsAsciiCodeset(std::string_view codeset) {
  std::string n = NormalizedCodeset(codeset);
  return n == "ANSIX3.41968" || n == "ASCII" || n == "USASCII" || n == "646" || n.empty();
}

}  // namespace

bool IsUtf8Codeset(std::string_view codeset) {
  std::string n = NormalizedCodeset(codeset);
  return n == "UTF8";
}

std::string LocaleCodeset() {
  // A locale object of its own, so that the program's global locale is not touched.
  std::string codeset;
  if (locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
    codeset = nl_langinfo_l(CODESET, loc);
    freelocale(loc);
  } else {
    codeset = nl_langinfo(CODESET);
  }
  return IsAsciiCodeset(codeset) ? "UTF-8" : codeset;
}

TextEncoder::TextEncoder(const std::string& codeset) {
  if (IsUtf8Codeset(codeset) || IsAsciiCodeset(codeset)) return;
  iconv_t cd = iconv_open(codeset.c_str(), "UTF-8");
  // A character set iconv does not know: UTF-8 keeps every letter readable.
  if (cd != reinterpret_cast<iconv_t>(-1)) cd_ = cd;
}

TextEncoder::~TextEncoder() {
  if (cd_) iconv_close(static_cast<iconv_t>(cd_));
}

std::string_view TextEncoder::Encode(std::string_view utf8) {
  if (!cd_) return utf8;
  iconv_t cd = static_cast<iconv_t>(cd_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  buf_.resize(utf8.size() + 16);
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  size_t used = 0;
  bool flushed = false;
  while (true) {
    char* out = buf_.data() + used;
    size_t outLeft = buf_.size() - used;
    size_t r = inLeft ? iconv(cd, &in, &inLeft, &out, &outLeft) : iconv(cd, nullptr, nullptr, &out, &outLeft);
    used = static_cast<size_t>(out - buf_.data());
    if (r != static_cast<size_t>(-1)) {
      if (inLeft == 0 && flushed) break;
      if (inLeft == 0) flushed = true;  // one more round writes any closing shift sequence
      continue;
    }
    if (errno == E2BIG) {
      buf_.resize(buf_.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL: a character the set cannot hold, or bytes that are no
    // UTF-8. Skip that one character and write '?' in its place.
    if (used == buf_.size()) buf_.resize(buf_.size() * 2);
    buf_[used++] = '?';
    std::string_view rest(in, inLeft);
    size_t i = 0;
    DecodeUtf8(rest, i);
    in += i;
    inLeft -= i;
  }
  return std::string_view(buf_.data(), used);
}

std::string DecodeText(std::string_view bytes, const std::string& codeset) {
  if (IsUtf8Codeset(codeset) || IsAsciiCodeset(codeset)) return std::string(bytes);
  iconv_t cd = iconv_open("UTF-8", codeset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4 + 16);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char buf[4096];
  while (inLeft > 0) {
    char* o = buf;
    size_t room = sizeof buf;
    const size_t r = iconv(cd, &in, &inLeft, &o, &room);
    out.append(buf, static_cast<size_t>(o - buf));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      out += "\xEF\xBF\xBD";  // EILSEQ, or EINVAL for a sequence cut at the end
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

TextStreamWriter::TextStreamWriter(int fd, const std::string& codeset) : fd_(fd), encoder_(codeset) {
  buf_.reserve(kBlock);
}

TextStreamWriter::~TextStreamWriter() {
  try {
    Flush();
  } catch (...) {
    // The owner's own Flush reports failures; a destructor cannot.
  }
}

void TextStreamWriter::Write(std::string_view utf8) {
  const std::string_view bytes = encoder_.Encode(utf8);
  if (buf_.size() + bytes.size() > kBlock) {
    Flush();
    if (bytes.size() >= kBlock) {
      WriteAll(bytes);
      return;
    }
  }
  buf_.append(bytes);
}

void TextStreamWriter::Flush() {
  if (buf_.empty()) return;
  WriteAll(buf_);
  buf_.clear();
}

void TextStreamWriter::WriteAll(std::string_view bytes) {
  if (failed_) throw std::runtime_error("Cannot write to the output.");
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      failed_ = true;
      buf_.clear();
      if (error == EPIPE) throw StreamClosed();
      throw std::runtime_error(std::string("Cannot write to the output: ") + std::strerror(error));
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

TextFileWriter::TextFileWriter(std::string path, const std::string& codeset)
    : file_(std::move(path), CheckExportTarget), encoder_(codeset) {}

}  // namespace orbisk
