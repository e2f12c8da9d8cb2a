#include "data/JetSql.h"

#include <vector>

#include "data/SqlTokens.h"
#include "strutil/TextUtil.h"

namespace orbisk {

std::string TranslateJetSql(std::string_view sql) {
  std::vector<SqlToken> toks = TokenizeSql(sql);
  auto text = [&](const SqlToken& t) { return sql.substr(t.begin, t.end - t.begin); };
  auto isKeyword = [&](const SqlToken& t, std::string_view kw) {
    return t.kind == SqlToken::Word && EqualsNoCaseAscii(text(t), kw);
  };
  auto nextSolid = [&](size_t i) {
    ++i;
    while (i < toks.size() && toks[i].kind == SqlToken::Space) ++i;
    return i;
  };

  // One pending limit per parenthesis depth: a "top N" belongs to the select of
  // its own depth and becomes " LIMIT N" where that depth closes.
  std::vector<std::string> pending(1);
  std::vector<bool> skip(toks.size(), false);
  std::vector<std::string> insertBefore(toks.size() + 1);
  int depth = 0;
  for (size_t i = 0; i < toks.size(); ++i) {
    const SqlToken& t = toks[i];
    if (t.kind == SqlToken::Other && text(t) == "(") {
      ++depth;
      if (static_cast<int>(pending.size()) <= depth) pending.resize(depth + 1);
      pending[depth].clear();
    } else if (t.kind == SqlToken::Other && text(t) == ")") {
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
        if (k < toks.size() && toks[k].kind == SqlToken::Number) {
          pending[depth] = std::string(text(toks[k]));
          for (size_t m = j; m <= k; ++m) skip[m] = true;
        }
      }
    }
  }
  if (!pending[0].empty()) {
    // After the statement's last word: before a trailing semicolon, blanks or
    // comment, where the limit would be no part of the statement.
    size_t end = toks.size();
    while (end > 0 && (toks[end - 1].kind == SqlToken::Space ||
                       (toks[end - 1].kind == SqlToken::Other && text(toks[end - 1]) == ";")))
      --end;
    insertBefore[end] += " LIMIT " + pending[0];
  }
  std::string out;
  out.reserve(sql.size() + 16);
  for (size_t i = 0; i < toks.size(); ++i) {
    out += insertBefore[i];
    if (!skip[i]) out += text(toks[i]);
  }
  out += insertBefore[toks.size()];
  return out;
}

}  // namespace orbisk
