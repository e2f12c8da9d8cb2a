#pragma once
// The renderer of parsed templates: block bodies repeated once per record of
// the dataset they bind to, {$Field} tokens replaced by that record's values
// (or a parameter list's). It knows nothing of HTML except that it can escape
// the values it inserts (ValueEscaping::Html).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/Progress.h"
#include "export/TemplateParser.h"
#include "strutil/StringList.h"

namespace orbisk {

class Query;

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
  // Detail rows rendered so far, every few hundred rows and once at the end;
  // answering false stops the rendering with ExportCancelled.
  Progress OnRow;
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

void RenderTemplate(const TTextTemplate& tmpl, const TTemplateDataSource& source, std::string& out);
void ProcessTemplate(const TTextTemplate& tmpl, Query* masterDataSet, TStringList* params,
                     Query* detail1, Query* detail2, Query* detail3, std::string& out,
                     const RenderOptions& options = {});

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
