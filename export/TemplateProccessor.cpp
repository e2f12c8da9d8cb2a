#include "export/TemplateProccessor.h"

#include "data/Message.h"
#include "data/ProgramFiles.h"
#include "data/Query.h"
#include "export/TextFile.h"

namespace orbisk {

namespace {

// Parses the template, then renders it straight into the output file's
// temporary file, which replaces the target once the page is complete.
void WriteTemplateFile(Query& dataSet, const std::string& templateFile, const std::string& outputFile,
                       TStringList* params, const RenderOptions& options, const std::string& codeset) {
  TTextTemplate tmpl;
  if (!LoadTemplate(tmpl, templateFile, tkDetail))
    throw Failure(msg::kTemplateNotFound, {templateFile});
  TextFileWriter file(outputFile, codeset);
  RenderOptions streaming = options;
  streaming.Output = [&file](std::string_view piece) { file.Write(piece); };
  std::string out;
  {
    WalkGuard walk(dataSet);
    ProcessTemplate(tmpl, nullptr, params, &dataSet, nullptr, nullptr, out, streaming);
  }
  out.append("\r\n");
  file.Write(out);
  file.Commit();
}

}  // namespace

void ExportByTemplate(Query& dataSet, const std::string& templateFile, const std::string& outputFile,
                      TStringList* params, const RenderOptions& options) {
  WriteTemplateFile(dataSet, templateFile, outputFile, params, options, LocaleCodeset());
}

void ExportHtmlByTemplate(Query& dataSet, const std::string& templateFile,
                          const std::string& outputFile, Progress onRow) {
  WriteTemplateFile(dataSet, templateFile, outputFile, nullptr,
                    RenderOptions{ValueEscaping::Html, std::move(onRow), {}}, "UTF-8");
}

}  // namespace orbisk
