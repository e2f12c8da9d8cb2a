#pragma once
// The directory's tables as the program reads them, and the one naming
// convention that maps directory column types to SQLite declared types.
//
//   directory type   SQLite declared type          field type
//   text(N)          VARCHAR(N) COLLATE NOCASE      ftWideString, size N
//   integer          INTEGER                        ftInteger
//   small integer    SMALLINT                       ftSmallint
//   counter          COUNTER                        ftAutoInc
//   memo             LONGTEXT COLLATE NOCASE        ftMemo
// and, for other Access columns a directory file may hold:
//   byte TINYINT (ftWord), yes/no BIT (ftBoolean), single/double DOUBLE (ftFloat),
//   currency CURRENCY (ftCurrency), date/time DATETIME (ftDateTime), OLE BLOB (ftBlob).
// The declared types are chosen so that SQLite's column affinity keeps values as
// they are: VARCHAR and LONGTEXT have text affinity, DOUBLE real affinity.
#include <string>
#include <string_view>
#include <vector>

#include "data/FieldType.h"

namespace orbisk {

enum class ColumnKind { Text, Integer, SmallInteger, Counter, Memo, Byte, Boolean, Double, Currency, DateTime, Blob };

struct ColumnType {
  ColumnKind kind = ColumnKind::Text;
  int size = 0;  // characters, for Text
};

struct SchemaColumn {
  std::string name;
  ColumnType type;
};

struct SchemaTable {
  std::string name;
  std::vector<SchemaColumn> columns;
};

// "VARCHAR(80) COLLATE NOCASE" for text(80), "INTEGER" for integer, ...
std::string SqliteDeclaredType(const ColumnType& type);
// Reads a declared type back (case-insensitive; the collation clause is not part
// of what SQLite reports). Unknown declarations give Text of size 0.
ColumnType ColumnTypeFromDeclared(std::string_view declared);
// The dataset field type and size for a column type.
TFieldType FieldTypeOf(const ColumnType& type);

// Every table and column of the directory the program names, in table order.
const std::vector<SchemaTable>& DirectoryTables();
const SchemaTable* FindDirectoryTable(std::string_view name);

// CREATE TABLE statement for a table under the naming convention.
std::string CreateTableStatement(const SchemaTable& table);

// Columns indexed wherever a directory is built or loaded: every Company_ID
// and every category code (Cat_Code, MainCat_Code, SubCat_Code); letter case ignored.
bool IsIndexedColumn(std::string_view name);

}  // namespace orbisk
