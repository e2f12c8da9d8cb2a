#pragma once
// What orbisk-import does: reads a directory file (Access, or SQLite made by
// other tools) and writes its tables into a new SQLite file under the
// program's collation.
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/Progress.h"

struct sqlite3;

namespace orbisk::import {

// The file cannot be read; the text says what is wrong with it, in plain words.
struct ImportError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A directory file, opened: everything it needs from the file system is
// held from here on, so that it can be read inside the sandbox.
class Source {
 public:
  virtual ~Source() = default;
  // The names of its tables, in file order.
  virtual std::vector<std::string> TableNames() = 0;
  // Every table into `db`: its columns under the naming convention of
  // Schema.h, with indexes on every Company_ID and category-code column.
  // Progress counts the rows written of all the file's rows; a progress that
  // answers false stops the copy with Cancelled.
  virtual void Copy(sqlite3* db, const Progress& progress) = 0;
};

// An Access file (Jet 3, Jet 4, ACE). Its rows are checked against the row
// count each table declares: a damaged table fails the import.
std::unique_ptr<Source> OpenAccessFile(const std::string& path);
// A SQLite file, attached to `db` read-only. No SQL text of the file is run:
// each table is built again from its columns' names and declared types
// (through a list of known type names), views, triggers, virtual tables and
// the file's own indexes are left out.
std::unique_ptr<Source> OpenSqliteFile(const std::string& path, sqlite3* db);

// Throws "It has no table Company_Info: it is not a business directory." (or
// the first other of the directory's tables that `names` lacks).
void RequireDirectoryTables(const std::vector<std::string>& names);

// A table or column name a copy keeps: printable UTF-8 of at most 128 bytes.
bool NameFits(std::string_view name);
// The declared type a copied SQLite column gets for the type its file
// declares: a known type name in the spelling of Schema.h, text under our
// collation; any other declaration gives no type but the collation.
std::string WhitelistedType(std::string_view declared);

// Opens and copies in one step, whatever tables the file holds.
void ImportAccessFile(const std::string& path, sqlite3* db, const Progress& progress);
void ImportSqliteFile(const std::string& path, sqlite3* db, const Progress& progress);

}  // namespace orbisk::import
