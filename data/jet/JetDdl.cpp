#include "data/jet/JetDdl.h"

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace orbisk::jet {

namespace {

constexpr char kSyntaxTable[] = "Syntax error in CREATE TABLE statement.";
constexpr char kSyntaxField[] = "Syntax error in field definition.";
constexpr int kDefaultTextSize = 255;

struct Token {
  enum Kind { Word, Name, Number, Punct, End } kind = End;
  std::string text;  // words upper-cased; bracketed names as written
};

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  Token Next() {
    while (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) <= 0x20) ++pos_;
    Token t;
    if (pos_ >= s_.size()) return t;
    char c = s_[pos_];
    if (c == '[') {
      size_t close = s_.find(']', pos_ + 1);
      if (close == std::string_view::npos) throw JetError(kSyntaxTable);
      t.kind = Token::Name;
      t.text = std::string(s_.substr(pos_ + 1, close - pos_ - 1));
      pos_ = close + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      t.kind = Token::Number;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) t.text += s_[pos_++];
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
      t.kind = Token::Word;
      while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_' ||
                                  static_cast<unsigned char>(s_[pos_]) >= 0x80))
        t.text += s_[pos_++];
    } else {
      t.kind = Token::Punct;
      t.text = std::string(1, c);
      ++pos_;
    }
    return t;
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class Parser {
 public:
  explicit Parser(std::string_view s) : lex_(s) { Advance(); }

  bool IsWord(const char* w) const { return tok_.kind == Token::Word && Upper(tok_.text) == w; }
  bool IsPunct(char p) const { return tok_.kind == Token::Punct && tok_.text[0] == p; }
  void Advance() { tok_ = lex_.Next(); }
  void ExpectWord(const char* w, const char* error) {
    if (!IsWord(w)) throw JetError(error);
    Advance();
  }
  void ExpectPunct(char p, const char* error) {
    if (!IsPunct(p)) throw JetError(error);
    Advance();
  }
  // A bare or bracketed name.
  std::string TakeName(const char* error) {
    if (tok_.kind != Token::Word && tok_.kind != Token::Name) throw JetError(error);
    std::string n = tok_.text;
    Advance();
    return n;
  }
  std::optional<int> TakeNumber() {
    if (tok_.kind != Token::Number) return std::nullopt;
    int n = tok_.text.size() > 6 ? 1000000 : std::stoi(tok_.text);
    Advance();
    return n;
  }
  void ExpectEnd(const char* error) {
    if (IsPunct(';')) Advance();
    if (tok_.kind != Token::End) throw JetError(error);
  }
  const Token& Current() const { return tok_; }

 private:
  Lexer lex_;
  Token tok_;
};

// The column for a Jet SQL type name and optional size.
bool ApplyType(const std::string& type, std::optional<int> size, ColumnDef& c) {
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* n : names)
      if (type == n) return true;
    return false;
  };
  if (is({"VARCHAR", "CHAR", "CHARACTER", "NVARCHAR", "NCHAR", "STRING", "ALPHANUMERIC"}) ||
      (type == "TEXT" && size)) {
    c.type = ColumnType::Text;
    c.size = size && *size > 0 ? *size : kDefaultTextSize;  // a size of 0 means the largest
    c.fixedLength = type == "CHAR" || type == "CHARACTER" || type == "NCHAR";
  } else if (is({"TEXT", "MEMO", "LONGTEXT", "LONGCHAR", "NOTE", "NTEXT"})) {
    c.type = ColumnType::Memo;
  } else if (is({"INT", "INTEGER", "LONG", "INT4", "INTEGER4"})) {
    c.type = ColumnType::Long;
  } else if (is({"SMALLINT", "SHORT", "INT2", "INTEGER2"})) {
    c.type = ColumnType::Integer;
  } else if (is({"BYTE", "TINYINT", "INTEGER1"})) {
    c.type = ColumnType::Byte;
  } else if (is({"BIT", "YESNO", "LOGICAL", "LOGICAL1", "BOOLEAN"})) {
    c.type = ColumnType::Bit;
  } else if (is({"FLOAT", "DOUBLE", "FLOAT8", "NUMBER", "IEEEDOUBLE"})) {
    c.type = ColumnType::Double;
  } else if (is({"REAL", "SINGLE", "FLOAT4", "IEEESINGLE"})) {
    c.type = ColumnType::Single;
  } else if (is({"MONEY", "CURRENCY"})) {
    c.type = ColumnType::Money;
  } else if (is({"DATETIME", "DATE", "TIME", "TIMESTAMP"})) {
    c.type = ColumnType::DateTime;
  } else if (is({"IMAGE", "LONGBINARY", "OLEOBJECT", "GENERAL"})) {
    c.type = ColumnType::Ole;
  } else if (is({"BINARY", "VARBINARY"})) {
    c.type = ColumnType::Binary;
    c.size = size && *size > 0 ? *size : kDefaultTextSize;
  } else if (is({"COUNTER", "AUTOINCREMENT"})) {
    c.type = ColumnType::Long;
    c.autoNumber = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

TableDef ParseCreateTable(std::string_view statement) {
  Parser p(statement);
  p.ExpectWord("CREATE", kSyntaxTable);
  p.ExpectWord("TABLE", kSyntaxTable);
  TableDef def;
  def.name = p.TakeName(kSyntaxTable);
  p.ExpectPunct('(', kSyntaxTable);
  for (;;) {
    ColumnDef c;
    c.name = p.TakeName(kSyntaxField);
    if (p.Current().kind != Token::Word) throw JetError(kSyntaxField);
    std::string type = Upper(p.Current().text);
    p.Advance();
    std::optional<int> size;
    if (p.IsPunct('(')) {
      p.Advance();
      size = p.TakeNumber();
      if (!size) throw JetError(kSyntaxField);
      p.ExpectPunct(')', kSyntaxField);
    }
    if (!ApplyType(type, size, c)) throw JetError(kSyntaxField);
    if ((c.type == ColumnType::Text || c.type == ColumnType::Binary) && c.size > 255)
      throw JetError("Size of field '" + c.name + "' is too long.");
    for (;;) {
      if (p.IsWord("NULL")) {
        p.Advance();
      } else if (p.IsWord("NOT")) {
        p.Advance();
        p.ExpectWord("NULL", kSyntaxField);
        c.required = true;
      } else if (p.IsWord("WITH")) {
        p.Advance();
        if (!p.IsWord("COMPRESSION") && !p.IsWord("COMP")) throw JetError(kSyntaxField);
        p.Advance();
      } else {
        break;
      }
    }
    def.columns.push_back(std::move(c));
    if (p.IsPunct(',')) {
      p.Advance();
      continue;
    }
    p.ExpectPunct(')', kSyntaxTable);
    break;
  }
  p.ExpectEnd(kSyntaxTable);
  return def;
}

std::string ParseSelectAll(std::string_view statement) {
  constexpr char kError[] = "Only \"Select * from <table>\" can be opened on this connection.";
  Parser p(statement);
  p.ExpectWord("SELECT", kError);
  p.ExpectPunct('*', kError);
  p.ExpectWord("FROM", kError);
  std::string table = p.TakeName(kError);
  p.ExpectEnd(kError);
  return table;
}

}  // namespace orbisk::jet
