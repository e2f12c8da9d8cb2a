#pragma once
// The CSV writer: every row of a result as one comma-separated line, with an
// optional header line of the field names.
#include <string>

#include "data/FieldType.h"
#include "data/Query.h"
#include "data/Progress.h"
#include "export/TextFile.h"

namespace orbisk {

// Text fields, written between double quotes.
bool IsQuotedFieldType(TFieldType type);
// Numbers, dates, booleans and the like, written as they are. Fields of any
// other type are skipped in data lines (their name still heads the column).
bool IsPlainFieldType(TFieldType type);

// The export's longest text: a text of this many characters or more is written as "".
inline constexpr int kCsvLongestText = 8000;

struct CsvOptions {
  int longestText = kCsvLongestText;  // a text of this many characters or more is written as ""
  bool header = true;                 // a first line naming every field
  Progress progress;                  // rows written; answering false stops the export
};

// Writes every field of every row of an open query, from the first row to the
// last, and leaves the query on the row it was on. Dates read yyyy-mm-dd and
// times hh:mm:ss while it runs. The file is written whole or not at all;
// failures throw, a stop throws ExportCancelled.
void ExportToCSV(Query& query, const std::string& fileName, const CsvOptions& options = {});
// The same lines written to a sink as the rows are walked (standard output,
// a pipe); nothing is kept back beyond the sink's own buffer.
void ExportToCSV(Query& query, TextSink& out, const CsvOptions& options = {});

}  // namespace orbisk
