#pragma once
// The export's own connection to an Access file, standing in for the Jet
// provider: it runs a CREATE TABLE statement and opens an appendable row set on
// "Select * from <table>". Nothing reaches the file before Commit().
//
//   JetDatabase db("out.mdb");                  // a missing file becomes a new database
//   db.Execute(" CREATE TABLE Company ( [Company_ID] Int null )");
//   auto rs = db.OpenRowSet("Select * from Company");
//   rs->Append(); rs->SetField(0, 17); bool ok = rs->Post();
//   rs->Close(); db.Commit();
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/Value.h"
#include "data/jet/JetWriter.h"

namespace orbisk::jet {

class JetRowSet;

class JetDatabase {
 public:
  // Opens an Access 2000 file for adding tables; a path that does not exist
  // yet starts a new, empty database. Throws JetError for any other file.
  explicit JetDatabase(const std::string& path);
  ~JetDatabase();

  // Runs a CREATE TABLE statement.
  void Execute(std::string_view statement);
  // An appendable row set over a table created on this connection.
  std::unique_ptr<JetRowSet> OpenRowSet(std::string_view statement);
  // Writes the database file.
  void Commit();

 private:
  JetWriter writer_;
  std::vector<std::pair<std::string, int>> created_;
};

class JetRowSet {
 public:
  JetRowSet(JetWriter& writer, int table);

  int FieldCount() const { return static_cast<int>(columns_.size()); }
  const ColumnDef& Field(int i) const { return columns_.at(static_cast<size_t>(i)); }
  // Starts a new row with every field empty.
  void Append();
  // Sets field i of the pending row.
  void SetField(int i, Value v);
  // Writes the pending row. Returns false when the table refused it (the row is
  // dropped; RefusalReason() says why).
  bool Post();
  // Drops the pending row.
  void Cancel();
  void Close();
  const std::string& RefusalReason() const { return reason_; }

 private:
  JetWriter* writer_;
  int table_;
  std::vector<ColumnDef> columns_;
  std::vector<Value> pending_;
  bool appending_ = false;
  bool open_ = true;
  std::string reason_;
};

}  // namespace orbisk::jet
