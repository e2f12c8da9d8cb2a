#pragma once
// The template language behind the HTML export, and its parser: a template
// text is parsed once into a tree of text pieces that the renderer repeats
// against datasets.
//
//   {$Name rest}                    a field token; the name ends at the first space
//   <!--#DetailBegin=N-->...<!--#DetailEnd-->          repeated for every record
//   <!--#MasterBegin=N Repeat-->...<!--#MasterEnd-->   first record, or every one
// A block binds to the dataset whose Tag equals its name (empty name = 0).
// Everything else is copied unchanged.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orbisk {

struct TTextPiece {
  uint8_t Kind = 0;       // 0 literal text, 1 field token
  std::string Text;       // kind 0
  std::string FieldName;  // kind 1; empty for {$} and reserved names
};
using TTextPieceArray = std::vector<TTextPiece>;

struct TDetailRecord {
  std::string Name;  // empty or an integer in text form, at most 32 characters
  TTextPieceArray Pieces;
};

struct TDetailBlock {
  TDetailRecord Detail;
  TTextPieceArray Tail;  // text after the block up to the next one
};

struct TMasterRecord {
  std::string Name;
  bool Repeat = false;  // every record, or the first one only
  TTextPieceArray Pieces;  // the master text before the first detail block
  std::vector<TDetailBlock> Details;
};

struct TMasterBlock {
  TMasterRecord Master;
  TTextPieceArray Tail;
};

enum TTemplateKind : uint8_t { tkPlain = 0, tkDetail = 1, tkMaster = 2 };

struct TTextTemplate {
  uint8_t Kind = tkPlain;
  TTextPieceArray Head;  // master templates only: text before the first master block
  std::vector<TMasterBlock> Masters;
};

// Selects the token markers: 0 "{$" "}", 1 "<#" ">", 2 "[$" "]". Other values change nothing.
void SetTokenStyle(int style);

// Parses text as a template of the given kind (tkPlain, tkDetail, tkMaster) and
// returns true; a kind outside these returns false. Errors throw
// std::runtime_error with the engine's messages; the template is left
// untouched then.
bool ParseTemplate(TTextTemplate& tmpl, std::string_view text, int kind);
// False when the file does not exist; otherwise reads it (lines joined with
// CR LF after every line), parses it and returns true.
// A template file is read only when it is a regular file of at most this size;
// anything else (a FIFO, a device, a huge file) is an error naming the file.
inline constexpr long long kMaxTemplateBytes = 64LL * 1024 * 1024;
bool LoadTemplate(TTextTemplate& tmpl, const std::string& fileName, int kind);

// The steps beneath, for callers that build or walk templates themselves.
TTextPieceArray ParseTextPieces(std::string_view text);
// The name of a token (marker and end character included); reserved is set for
// "DetailBegin" and "MasterBegin", whose name stays empty.
std::string ParseToken(std::string_view token, bool& reserved);
// Name and repeat flag of a block (begin marker through end marker).
std::string ParseBlockHead(std::string_view block, bool& repeat);
// The dataset tag a block name binds to: empty is 0, otherwise an optional
// sign and decimal digits that fit an int. False for any other name.
bool BlockTag(std::string_view name, int& tag);

}  // namespace orbisk
