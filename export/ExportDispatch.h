#pragma once
// The export of a result list: the writer of the chosen type, called with the
// query on its first row and put back on its former row afterwards, whatever
// the writer did or threw. The window and the command line both export
// through here.
#include <string>

#include "data/Query.h"
#include "data/Progress.h"
#include "export/ExportTypes.h"
#include "export/QueryWalk.h"
#include "export/db2csv.h"
#include "export/db2excel.h"

namespace orbisk {

struct ExportRequest {
  int type = etHtml;
  std::string fileName;      // as typed, blanks included
  std::string columnField;   // the field of the one-column text
  std::string templateFile;  // the template of the HTML export
};

struct ExportOutcome {
  bool done = true;          // false when the Excel writer filled no sheet
  std::string fileName;      // the file written (a workbook's completed name, a column's last part)
  long long rowsWritten = 0; // Access: rows the table took
  long long rowsRefused = 0; // Access: rows it could not take
};

// Progress goes to the writer of the chosen type; a stop throws ExportCancelled.
ExportOutcome RunExport(Query& source, const ExportRequest& request, const ExcelUi& excelUi = {},
                        const Progress& progress = {});

// What the window says after an export that was done: "Exported Successfully!",
// or how many Access rows could not be written.
std::string ExportSuccessText(const ExportOutcome& outcome);

// The template of a result query beside the program: "Company_Template.htm"
// for Company_Q, "Contact_Template.htm" otherwise, in the database folder.
std::string TemplateFileFor(const Query& source, const std::string& programFolder);

}  // namespace orbisk
