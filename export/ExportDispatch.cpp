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
                        const ExportProgress& progress) {
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
      AccessExportResult r = ExportToAccess(source, QueryBaseName(source), request.fileName, 0, progress);
      outcome.rowsWritten = r.rowsWritten;
      outcome.rowsRefused = r.rowsRefused;
      break;
    }
    case etExcel: {
      ExcelUi ui = excelUi;
      if (!ui.progress) ui.progress = progress;
      outcome.done = ExportToExcel(source, 0, 100, false, request.fileName, ui);
      outcome.fileName = WorkbookFileName(request.fileName);  // a bare name gets .xlsx
      break;
    }
    case etCsv: ExportToCSV(source, request.fileName, kCsvLongestText, true, progress); break;
    case etXml: SaveQueryAsXml(source, request.fileName, progress); break;
    case etHtml: ExportHtmlByTemplate(source, request.templateFile, request.fileName, progress); break;
    case etColumn:
      outcome.fileName = ExportColumnToText(source, request.columnField, request.fileName, 0, "", "", progress);
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
