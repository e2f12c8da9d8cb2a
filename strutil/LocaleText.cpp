#include "strutil/LocaleText.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

bool IsUtf8Name(std::string_view name) {
  const std::string up = UpperAscii(name);
  return up == "UTF-8" || up == "UTF8";
}

bool IsPlainAsciiName(std::string_view name) {
  const std::string up = UpperAscii(name);
  return up == "ANSI_X3.4-1968" || up == "ASCII" || up == "US-ASCII" || up == "646";
}

// Converts with iconv; `bad` is appended for input that does not convert and
// `skip` tells how many input bytes such a spot covers.
template <class Skip>
std::string Convert(std::string_view in, const std::string& to, const std::string& from,
                    std::string_view bad, Skip skip) {
  iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error("Cannot convert text from " + from + " to " + to + ".");
  std::string out;
  out.reserve(in.size() + in.size() / 8 + 16);
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char buf[4096];
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    const size_t r = ::iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL (a cut sequence at the end): mark the spot and go on.
      const size_t n = std::min(left, skip(std::string_view(src, left)));
      src += n;
      left -= n;
      out.append(bad);
    }
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace

std::string FileCharset() {
  locale_t user = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  std::string set = user ? ::nl_langinfo_l(CODESET, user) : "UTF-8";
  if (user) ::freelocale(user);
  if (set.empty() || IsPlainAsciiName(set)) return "UTF-8";
  return set;
}

std::string ToFileText(std::string_view utf8, const std::string& charset) {
  if (IsUtf8Name(charset)) return std::string(utf8);
  return Convert(utf8, charset, "UTF-8", "?", [](std::string_view rest) {
    size_t i = 0;
    DecodeUtf8(rest, i);
    return i == 0 ? size_t{1} : i;
  });
}

std::string FromFileText(std::string_view bytes, const std::string& charset) {
  if (IsUtf8Name(charset)) return std::string(bytes);
  return Convert(bytes, "UTF-8", charset, "\xEF\xBF\xBD", [](std::string_view) { return size_t{1}; });
}

}  // namespace orbisk
