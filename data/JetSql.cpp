#include "data/JetSql.h"

#include <cctype>
#include <vector>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

struct Token {
  enum Kind { Space, Word, Number, Quoted, Other } kind;
  size_t begin, end;
};

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0, n = s.size();
  auto isWord = [](unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; };
  while (i < n) {
    size_t b = i;
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c <= 0x20) {
      while (i < n && static_cast<unsigned char>(s[i]) <= 0x20) ++i;
      out.push_back({Token::Space, b, i});
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
      out.push_back({Token::Quoted, b, i});
    } else if (c == '[') {
      while (i < n && s[i] != ']') ++i;
      if (i < n) ++i;
      out.push_back({Token::Quoted, b, i});
    } else if (std::isdigit(c)) {
      while (i < n && isWord(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({Token::Number, b, i});
    } else if (isWord(c)) {
      while (i < n && isWord(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({Token::Word, b, i});
    } else if (c == ':' && i + 1 < n && isWord(static_cast<unsigned char>(s[i + 1]))) {
      // A :name parameter is one token, so a name such as :top is never a keyword.
      ++i;
      while (i < n && isWord(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({Token::Other, b, i});
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      out.push_back({Token::Space, b, i});
    } else {
      ++i;
      out.push_back({Token::Other, b, i});
    }
  }
  return out;
}

}  // namespace

std::string TranslateJetSql(std::string_view sql) {
  std::vector<Token> toks = Tokenize(sql);
  auto text = [&](const Token& t) { return sql.substr(t.begin, t.end - t.begin); };
  auto isKeyword = [&](const Token& t, std::string_view kw) {
    return t.kind == Token::Word && EqualsNoCaseAscii(text(t), kw);
  };
  auto nextSolid = [&](size_t i) {
    ++i;
    while (i < toks.size() && toks[i].kind == Token::Space) ++i;
    return i;
  };

  // One pending limit per parenthesis depth: a "top N" belongs to the select of
  // its own depth and becomes " LIMIT N" where that depth closes.
  std::vector<std::string> pending(1);
  std::vector<bool> skip(toks.size(), false);
  std::vector<std::string> insertBefore(toks.size() + 1);
  int depth = 0;
  for (size_t i = 0; i < toks.size(); ++i) {
    const Token& t = toks[i];
    if (t.kind == Token::Other && text(t) == "(") {
      ++depth;
      if (static_cast<int>(pending.size()) <= depth) pending.resize(depth + 1);
      pending[depth].clear();
    } else if (t.kind == Token::Other && text(t) == ")") {
      if (depth > 0) {
        if (!pending[depth].empty()) insertBefore[i] += " LIMIT " + pending[depth];
        pending[depth].clear();
        --depth;
      }
    } else if (isKeyword(t, "select")) {
      size_t j = nextSolid(i);
      if (j < toks.size() && (isKeyword(toks[j], "distinct") || isKeyword(toks[j], "distinctrow")))
        j = nextSolid(j);
      if (j < toks.size() && isKeyword(toks[j], "top")) {
        size_t k = nextSolid(j);
        if (k < toks.size() && toks[k].kind == Token::Number) {
          pending[depth] = std::string(text(toks[k]));
          for (size_t m = j; m <= k; ++m) skip[m] = true;
        }
      }
    }
  }
  std::string out;
  out.reserve(sql.size() + 16);
  for (size_t i = 0; i < toks.size(); ++i) {
    out += insertBefore[i];
    if (!skip[i]) out += text(toks[i]);
  }
  if (!pending[0].empty()) {
    // Before a trailing semicolon, if any.
    size_t end = out.size();
    while (end > 0 && (static_cast<unsigned char>(out[end - 1]) <= 0x20 || out[end - 1] == ';')) --end;
    out.insert(end, " LIMIT " + pending[0]);
  }
  return out;
}

}  // namespace orbisk
