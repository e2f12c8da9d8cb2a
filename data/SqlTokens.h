#pragma once
// The one reading of a statement's text into tokens, shared by everything
// that looks into statements (the Jet translation, the parameter list), so
// that they agree with each other and with the engine on what is quoted, what
// is a comment and what is a :name parameter.
#include <string>
#include <string_view>
#include <vector>

namespace orbisk {

struct SqlToken {
  enum Kind {
    Space,      // blanks, -- line comments and /* block comments */
    Word,       // names and keywords
    Number,
    Quoted,     // '...' literals, "...", `...` and [...] names
    Parameter,  // :name, one token, so that :top is never a keyword
    Other       // one character of punctuation
  } kind;
  size_t begin, end;  // byte offsets into the statement
};

std::vector<SqlToken> TokenizeSql(std::string_view sql);

// The :name parameters of a statement in order of first use, each name once
// (names compared ignoring ASCII case), without the colon.
std::vector<std::string> SqlParameterNames(std::string_view sql);

}  // namespace orbisk
