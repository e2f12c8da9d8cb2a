#include "export/ExportDispatch.h"

#include "data/Connection.h"
#include "data/Message.h"
#include "data/ExportTarget.h"
#include "data/ProgramFiles.h"
#include "export/TemplateProccessor.h"
#include "export/db2access.h"
#include "export/db2csv.h"
#include "export/db2txt.h"
#include "export/db2xml.h"

namespace orbisk {

ExportOutcome RunExport(Query& source, const ExportRequest& request, const ExcelUi& excelUi,
                        const Progress& progress) {
  // No writer may replace the directory the query reads, whatever name it goes by.
  const Connection* connection = source.GetConnection();
  ProtectedFile directory(connection ? ResolveIgnoringCase(connection->DataSource()) : std::string());
  // A name ending in '/' names a folder, never a file. Only the Excel writer
  // has a chooser of its own for a missing name.
  const std::string& name = request.fileName;
  const bool chooserAsks = request.type == etExcel && name.empty() && excelUi.askFileName;
  if (!chooserAsks && (name.empty() || name.back() == '/')) throw Failure(msg::kNoFileName, {name});

  ExportOutcome outcome;
  outcome.fileName = request.fileName;
  // The query goes back to its row on every path; writers walk it from the first row.
  BookmarkGuard back(source);
  if (source.Active() && !source.IsEmpty()) source.First();
  switch (request.type) {
    case etAccess: {
      const AccessOptions options{.tableName = QueryBaseName(source), .lowestTag = 0, .progress = progress};
      const AccessExportResult r = ExportToAccess(source, request.fileName, options);
      outcome.rowsWritten = r.rowsWritten;
      outcome.rowsRefused = r.rowsRefused;
      break;
    }
    case etExcel: {
      const ExcelOptions options{.lowTag = 0, .highTag = 100, .show = false, .progress = progress};
      outcome.done = ExportToExcel(source, request.fileName, options, excelUi);
      outcome.fileName = WorkbookFileName(request.fileName);  // a bare name gets .xlsx
      break;
    }
    case etCsv:
      ExportToCSV(source, request.fileName,
                  CsvOptions{.longestText = kCsvLongestText, .header = true, .progress = progress});
      break;
    case etXml: SaveQueryAsXml(source, request.fileName, progress); break;
    case etHtml: ExportHtmlByTemplate(source, request.templateFile, request.fileName, progress); break;
    case etColumn:
      // One file, the values alone; the name written is the one to open afterwards.
      outcome.fileName = ExportColumnToText(source, request.columnField, request.fileName,
                                            ColumnTextOptions{.linesPerFile = 0, .prefix = "", .suffix = "", .progress = progress});
      break;
    default: throw Failure(msg::kUnknownExportType);
  }
  return outcome;
}

std::string ExportSuccessText(const ExportOutcome& outcome) {
  if (outcome.rowsRefused > 0)
    return "Exported " + std::to_string(outcome.rowsWritten) + " rows; " + std::to_string(outcome.rowsRefused) +
           " rows could not be written.";
  return "Exported Successfully!";
}

std::string TemplateFileFor(const Query& source, const std::string& programFolder) {
  const char* name = source.Name() == "Company_Q" ? "Company_Template.htm" : "Contact_Template.htm";
  return ResolveIgnoringCase(programFolder + "database/" + name);
}

}  // namespace orbisk
