#include "data/Message.h"

namespace orbisk {

std::string FillPlaces(const std::string& text, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const size_t n = static_cast<size_t>(text[i + 1] - '1');
      if (n < args.size()) {
        out += args[n];
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string EnglishText(const Message& m) { return FillPlaces(m.text, m.args); }

namespace {

std::string Joined(const std::vector<Message>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += '\n';
    out += EnglishText(lines[i]);
  }
  return out;
}

}  // namespace

Failure::Failure(const char* text, std::vector<std::string> args)
    : Failure(std::vector<Message>{Message{text, std::move(args)}}) {}

Failure::Failure(std::vector<Message> lines) : std::runtime_error(Joined(lines)), lines_(std::move(lines)) {}

}  // namespace orbisk
