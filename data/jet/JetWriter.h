#pragma once
// Our own writer of Access 2000 (Jet 4) databases: it creates new, empty
// databases and adds tables with their rows to existing ones.
//
//   JetWriter::CreateDatabase("dir.mdb");            // a new, empty database
//
//   JetWriter w("dir.mdb");                          // reads the whole file
//   int t = w.CreateTable({"Company", {jet::CounterColumn("Company_ID"),
//                                      jet::TextColumn("Company_Name", 80),
//                                      jet::IntegerColumn("Year_Established"),
//                                      jet::MemoColumn("Company_Description")}});
//   w.AppendRow(t, {nullptr, "Acme Ltée", 1987, "..."});   // nullptr: null / next counter
//   w.Commit();                                       // writes the file once
//
// Everything happens in memory; Commit() writes the whole database to a
// temporary file in the same folder and renames it over the original, so a
// failure at any point leaves the file as it was. A writer that is destroyed
// without Commit() changes nothing.
//
// Values are orbisk::Value (null, integer, real, UTF-8 text, bytes) and are
// converted to the column's type:
//   Yes/No       integer or real (non-zero: Yes), text True/False/Yes/No/On/Off/-1/0/1;
//                a Yes/No column cannot hold a null: null is stored as No
//   Byte, Integer, Long
//                integer, real (rounded half to even) or decimal text, within the
//                type's range
//   Single, Double  number or decimal text
//   Currency     number or decimal text, kept to four decimals
//   Date/Time    real (days since 1899-12-30) or text "YYYY-MM-DD[ HH:MM[:SS]]"
//                ("T" between date and time also works) or "HH:MM[:SS]"
//   Text(n)      any non-binary value as text, at most n characters (UTF-16 units)
//   Memo         the same without a length limit
//   OLE Object   bytes, or the bytes of a text
// A value that cannot be converted, text longer than its column, or a row too
// long for a page is refused with RowRefused; the table stays as before that row.
//
// Refused with JetError and no change to the file: a file that is missing or not
// an Access database, an Access 97 (Jet 3) or Access 2007 file, an encrypted
// database, a table name that exists already ("Table '<name>' already exists."),
// a table name that cannot be put into the catalog's name index (letters,
// digits, '_' and blanks only, at most 64 characters).
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/Value.h"
#include "data/jet/JetFormat.h"

namespace orbisk::jet {

struct ColumnDef {
  std::string name;  // UTF-8, at most 64 characters
  ColumnType type = ColumnType::Text;
  int size = 255;                  // Text: characters, 1 to 255; other types ignore it
  bool fixedLength = false;        // Text only: Char(n), values padded with blanks
  bool required = false;           // rows with a null here are refused
  bool autoNumber = false;         // Long only: a null gets the next number
  bool compressedUnicode = true;   // Text and Memo: Latin-1 text takes one byte a character
};

inline ColumnDef TextColumn(std::string name, int size) { return {std::move(name), ColumnType::Text, size}; }
inline ColumnDef FixedTextColumn(std::string name, int size) {
  ColumnDef c{std::move(name), ColumnType::Text, size};
  c.fixedLength = true;
  return c;
}
inline ColumnDef MemoColumn(std::string name) { return {std::move(name), ColumnType::Memo}; }
inline ColumnDef IntegerColumn(std::string name) { return {std::move(name), ColumnType::Integer}; }
inline ColumnDef LongColumn(std::string name) { return {std::move(name), ColumnType::Long}; }
inline ColumnDef CounterColumn(std::string name) {
  ColumnDef c{std::move(name), ColumnType::Long};
  c.autoNumber = true;
  c.required = true;
  return c;
}
inline ColumnDef Column(std::string name, ColumnType type) { return {std::move(name), type}; }

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;
};

class JetWriter {
 public:
  enum class Mode {
    OpenExisting,  // the file must be an Access 2000 database
    CreateNew,     // start from a new, empty database; Commit() creates or replaces the file
  };

  // Writes a new, empty Access 2000 database (replacing any file of that name).
  static void CreateDatabase(const std::string& path);

  explicit JetWriter(std::string path, Mode mode = Mode::OpenExisting);
  // Stamps the new database and every table it adds with `created` (days since
  // 1899-12-30) instead of the current time, so that the same content always
  // gives the same file.
  JetWriter(std::string path, Mode mode, double created);
  ~JetWriter();
  JetWriter(JetWriter&&) noexcept;
  JetWriter& operator=(JetWriter&&) noexcept;

  const std::string& Path() const;
  // Whether a table (or query) of that name exists, ignoring letter case.
  bool HasTable(std::string_view name) const;

  // Adds an empty table and returns its handle for AppendRow.
  int CreateTable(const TableDef& def);
  const TableDef& Table(int table) const;
  // Appends a row with one value per column. Throws RowRefused when the row
  // does not fit; nothing of it is kept then.
  void AppendRow(int table, std::span<const Value> values);
  void AppendRow(int table, std::initializer_list<Value> values) {
    AppendRow(table, std::span<const Value>(values.begin(), values.size()));
  }
  long long RowCount(int table) const;

  // Writes the database. The writer can go on adding and commit again.
  void Commit();

 private:
  JetWriter(std::string path, Mode mode, std::optional<double> created);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orbisk::jet
