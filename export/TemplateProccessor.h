#pragma once
// The template engine as the exports use it: a template file parsed
// (TemplateParser.h), rendered against a result (TemplateRenderer.h) and
// written to the output file as it renders.
#include <string>

#include "data/Progress.h"
#include "export/TemplateParser.h"
#include "export/TemplateRenderer.h"
#include "strutil/StringList.h"

namespace orbisk {

class Query;

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
// Progress counts the rows rendered; answering false stops with ExportCancelled.
void ExportHtmlByTemplate(Query& dataSet, const std::string& templateFile,
                          const std::string& outputFile, Progress onRow = {});

}  // namespace orbisk
