#pragma once
// The CSV writer: every row of a result as one comma-separated line, with an
// optional header line of the field names.
#include <string>

#include "data/FieldType.h"
#include "data/Query.h"
#include "export/ExportProgress.h"
#include "export/TextFile.h"

namespace orbisk {

// Text fields, written between double quotes.
bool IsQuotedFieldType(TFieldType type);
// Numbers, dates, booleans and the like, written as they are. Fields of any
// other type are skipped in data lines (their name still heads the column).
bool IsPlainFieldType(TFieldType type);

// Writes every field of every row of an open query, from the first row to the
// last, and leaves the query on the row it was on. A text of `longestText`
// characters or more is written as "" (empty). Dates read yyyy-mm-dd and
// times hh:mm:ss while it runs. The file is written whole or not at all;
// failures throw.
void ExportToCSV(Query& query, const std::string& fileName, int longestText, bool withHeader,
                 const ExportProgress& progress = {});
// The same lines written to a sink as the rows are walked (standard output,
// a pipe); nothing is kept back beyond the sink's own buffer.
void ExportToCSV(Query& query, TextSink& out, int longestText, bool withHeader,
                 const ExportProgress& progress = {});

}  // namespace orbisk
