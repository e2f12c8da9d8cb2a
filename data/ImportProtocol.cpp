#include "data/ImportProtocol.h"

#include <charconv>

namespace orbisk::importer {

namespace {

constexpr std::string_view kProgressWord = "progress ";
constexpr std::string_view kErrorWord = "error ";

// The first `limit` bytes of UTF-8 text, less a character the cut would split.
std::string_view CutAtCharacter(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  // Step back over continuation bytes to the start of the split character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// A whole non-negative decimal number, nothing before or after it.
bool ParseCount(std::string_view s, long long& out) {
  if (s.empty() || s[0] < '0' || s[0] > '9') return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace

std::string ProgressLine(long long done, long long total) {
  return std::string(kProgressWord) + std::to_string(done) + " " + std::to_string(total) + "\n";
}

std::string ErrorLine(std::string_view text) {
  std::string line(kErrorWord);
  for (char c : CutAtCharacter(text, kLongestErrorText)) line += (c == '\n' || c == '\r') ? ' ' : c;
  line += '\n';
  return line;
}

ImporterLine ParseImporterLine(std::string_view line) {
  ImporterLine out;
  if (line.starts_with(kProgressWord)) {
    const std::string_view numbers = line.substr(kProgressWord.size());
    const size_t space = numbers.find(' ');
    long long done = 0, total = 0;
    if (space != std::string_view::npos && ParseCount(numbers.substr(0, space), done) &&
        ParseCount(numbers.substr(space + 1), total)) {
      out.kind = ImporterLine::Progress;
      out.done = done;
      out.total = total;
    }
  } else if (line.starts_with(kErrorWord)) {
    out.kind = ImporterLine::Error;
    out.text = std::string(CutAtCharacter(line.substr(kErrorWord.size()), kLongestErrorText));
  }
  return out;
}

}  // namespace orbisk::importer
