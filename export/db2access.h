#pragma once
// Export of a result list into a new table of an Access (Jet 4) database.
//
// The table gets one column per field of the query (RecNo included), created
// by the CREATE TABLE statement of BuildCreateTableSQL; the rows from the
// query's current row to its end are appended, with the values of the fields
// whose tag is at least the lowest tag (the other columns stay empty). A file
// name that does not exist yet gets a new, empty database; an existing file
// must be an Access 2000 database and gets the table added. The file is
// written once, at the end: a failure leaves it as it was.
#include <string>

#include "data/FieldType.h"
#include "data/Progress.h"

namespace orbisk {

class Query;
namespace jet {
class JetRowSet;
}

struct AccessExportResult {
  long long rowsWritten = 0;
  long long rowsRefused = 0;  // rows the table could not take (a value too long, a row too long)
};

struct AccessOptions {
  std::string tableName;  // the new table
  int lowestTag = 0;      // fields tagged lower leave their column empty
  Progress progress;      // rows done; answering false stops the export
};

AccessExportResult ExportToAccess(Query& query, const std::string& fileName, const AccessOptions& options);

// " CREATE TABLE <table> ( [<field>] <type> null,\r\n... )"
std::string BuildCreateTableSQL(const Query& query, const std::string& tableName);

// The Jet SQL type of a field: "VarChar(n)", "Char(n)", "Text", "Int", "Bit",
// "Float", "Money", "Datetime" or "Image".
std::string JetColumnType(TFieldType type, int size);

// Appends the query's rows from the current one to the end; field i goes to
// column i + columnOffset. Progress counts the rows done, written or refused.
// The query returns to its current row afterwards and its bound controls are
// suspended meanwhile, also when an error ends the copy.
AccessExportResult CopyRows(Query& source, jet::JetRowSet& target, int columnOffset, int lowestTag,
                            const Progress& progress = {});

}  // namespace orbisk
