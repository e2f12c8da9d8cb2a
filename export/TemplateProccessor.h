#pragma once
// The template engine behind the HTML export: a template text is parsed once
// into a tree of text pieces, then rendered against open datasets, block bodies
// repeated once per record and {$Field} tokens replaced by that record's values.
//
// The template language:
//   {$Name rest}                    a field token; the name ends at the first space
//   <!--#DetailBegin=N-->...<!--#DetailEnd-->          repeated for every record
//   <!--#MasterBegin=N Repeat-->...<!--#MasterEnd-->   first record, or every one
// A block binds to the dataset whose Tag equals its name (empty name = 0).
// Everything else is copied unchanged; the engine knows nothing of HTML except
// that it can escape the values it inserts (ValueEscaping::Html).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/ExportProgress.h"
#include "strutil/StringList.h"

namespace orbisk {

class Query;

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

// One data binding; neither pointer is owned and either may be absent.
struct TSourceItem {
  Query* DataSet = nullptr;
  TStringList* Params = nullptr;
};

// How inserted values are written. Raw copies them as they are; Html escapes
// & < > " ' so that a value can neither break the page nor add markup.
enum class ValueEscaping { Raw, Html };

struct RenderOptions {
  ValueEscaping Escaping = ValueEscaping::Raw;
  // Detail rows rendered so far: every few hundred rows and once at the end.
  ExportProgress OnRow;
  // When set, the output rendered so far is handed here in pieces as rendering
  // goes (and the output string emptied), so that a page never has to fit in
  // memory; what is left at the end stays in the output string.
  std::function<void(std::string_view)> Output;
};

struct TTemplateDataSource {
  Query* DataSet = nullptr;       // head and master tails of a master template
  TStringList* Params = nullptr;  // goes with DataSet
  std::vector<TSourceItem> MasterSources;
  std::vector<TSourceItem> DetailSources;
  RenderOptions Options;
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

void RenderTemplate(const TTextTemplate& tmpl, const TTemplateDataSource& source, std::string& out);
void ProcessTemplate(const TTextTemplate& tmpl, Query* masterDataSet, TStringList* params,
                     Query* detail1, Query* detail2, Query* detail3, std::string& out,
                     const RenderOptions& options = {});

// Renders the template file against dataSet (bound as the first detail source)
// and writes the result plus one CR LF to outputFile in the locale's character
// set. The page goes to a temporary file as it is rendered, which replaces
// outputFile only when everything was written. The template is parsed before
// the dataset is touched or the file opened. A missing template throws
// "Template file not found: <path>".
void ExportByTemplate(Query& dataSet, const std::string& templateFile, const std::string& outputFile,
                      TStringList* params = nullptr, const RenderOptions& options = {});
// The HTML export of the export dialog: no parameter list, values escaped for
// HTML, the page in UTF-8 whatever the locale (the templates declare utf-8).
void ExportHtmlByTemplate(Query& dataSet, const std::string& templateFile,
                          const std::string& outputFile, ExportProgress onRow = {});

// The steps beneath, for callers that build or walk templates themselves.
TTextPieceArray ParseTextPieces(std::string_view text);
// The name of a token (marker and end character included); reserved is set for
// "DetailBegin" and "MasterBegin", whose name stays empty.
std::string ParseToken(std::string_view token, bool& reserved);
// Name and repeat flag of a block (begin marker through end marker).
std::string ParseBlockHead(std::string_view block, bool& repeat);
void RenderPieces(const TTextPieceArray& pieces, const TSourceItem& item, std::string& out,
                  ValueEscaping escaping = ValueEscaping::Raw);
void RenderMasterRecord(const TMasterBlock& block, const TSourceItem& master,
                        const std::vector<TSourceItem>& details, std::string& out,
                        const RenderOptions& options = {});
// The first source whose dataset's Tag equals name as an integer (empty = 0);
// nullptr when none does or the name is not an integer.
const TSourceItem* FindSourceByName(std::string_view name, const std::vector<TSourceItem>& sources);

// Appends value to out with & < > " ' written as entities.
void AppendHtmlEscaped(std::string& out, std::string_view value);

}  // namespace orbisk
