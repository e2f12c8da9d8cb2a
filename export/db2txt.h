#pragma once
// The one-column text writer: the values of one field, one per line,
// optionally spread over numbered part files.
#include <string>

#include "data/Query.h"
#include "data/Progress.h"

namespace orbisk {

// Where the extension of the last path component starts (its last '.'), or
// npos when it has none.
size_t ExtensionStart(const std::string& fileName);

// "_<n>" inserted before the extension of the last path component:
// list.txt, 2 -> list_2.txt; list, 2 -> list_2.
std::string NumberedFileName(const std::string& fileName, int n);

struct ColumnTextOptions {
  int linesPerFile = 0;  // above 0: that many lines per numbered part file
  std::string prefix;    // written before every value
  std::string suffix;    // written after every value
  Progress progress;     // rows written; answering false stops the export
};

// Writes prefix + value text + suffix of the field `fieldName` for every row
// of an open query. With linesPerFile above 0 the lines go to fileName_1,
// fileName_2, ... with that many lines each (no empty part after the last
// row); otherwise to fileName. Returns the name of the last file written and
// leaves the query on the row it was on. Each file is written whole or not at
// all; failures throw, a stop throws ExportCancelled.
std::string ExportColumnToText(Query& query, const std::string& fieldName, const std::string& fileName,
                               const ColumnTextOptions& options = {});

}  // namespace orbisk
