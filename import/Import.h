#pragma once
// What orbisk-import does: reads a directory file (Access, or SQLite made by
// other tools) and writes its tables into a new SQLite file under the
// program's collation.
#include <functional>
#include <stdexcept>
#include <string>

struct sqlite3;

namespace orbisk::import {

// The file cannot be read; the text says what is wrong with it, in plain words.
struct ImportError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Rows written so far and the total expected.
using ImportProgress = std::function<void(long long done, long long total)>;

// Every user table of an Access file (Jet 3, Jet 4, ACE) into `db`: tables
// named as in the file, columns under the naming convention of Schema.h,
// indexes on every Company_ID and category-code column.
void ImportAccessFile(const std::string& path, sqlite3* db, const ImportProgress& progress);
// Every table and view of a SQLite file into `db`, its indexes rebuilt under
// the program's collation, and the Company_ID and category-code indexes added.
void ImportSqliteFile(const std::string& path, sqlite3* db, const ImportProgress& progress);

}  // namespace orbisk::import
