#include "data/SqlTokens.h"

#include <cctype>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

bool IsWordByte(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }
// The engine reads a '$' as part of a parameter's name.
bool IsParameterByte(unsigned char c) { return IsWordByte(c) || c == '$'; }

}  // namespace

std::vector<SqlToken> TokenizeSql(std::string_view s) {
  std::vector<SqlToken> out;
  size_t i = 0, n = s.size();
  while (i < n) {
    size_t b = i;
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c <= 0x20) {
      while (i < n && static_cast<unsigned char>(s[i]) <= 0x20) ++i;
      out.push_back({SqlToken::Space, b, i});
    } else if (c == '\'' || c == '"' || c == '`') {
      // A quoted literal or name; a doubled quote stays inside it.
      ++i;
      while (i < n) {
        if (s[i] == static_cast<char>(c)) {
          if (i + 1 < n && s[i + 1] == static_cast<char>(c)) { i += 2; continue; }
          ++i;
          break;
        }
        ++i;
      }
      out.push_back({SqlToken::Quoted, b, i});
    } else if (c == '[') {
      while (i < n && s[i] != ']') ++i;
      if (i < n) ++i;
      out.push_back({SqlToken::Quoted, b, i});
    } else if (std::isdigit(c)) {
      while (i < n && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({SqlToken::Number, b, i});
    } else if (IsWordByte(c)) {
      while (i < n && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({SqlToken::Word, b, i});
    } else if (c == ':' && i + 1 < n && IsParameterByte(static_cast<unsigned char>(s[i + 1]))) {
      ++i;
      while (i < n && IsParameterByte(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({SqlToken::Parameter, b, i});
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      out.push_back({SqlToken::Space, b, i});
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      // A block comment runs to its end or, unclosed, to the end of the text.
      const size_t close = s.find("*/", i + 2);
      i = close == std::string_view::npos ? n : close + 2;
      out.push_back({SqlToken::Space, b, i});
    } else {
      ++i;
      out.push_back({SqlToken::Other, b, i});
    }
  }
  return out;
}

std::vector<std::string> SqlParameterNames(std::string_view sql) {
  std::vector<std::string> names;
  for (const SqlToken& t : TokenizeSql(sql)) {
    if (t.kind != SqlToken::Parameter) continue;
    const std::string_view name = sql.substr(t.begin + 1, t.end - t.begin - 1);
    bool known = false;
    for (const std::string& k : names) known = known || EqualsNoCaseAscii(k, name);
    if (!known) names.emplace_back(name);
  }
  return names;
}

}  // namespace orbisk
