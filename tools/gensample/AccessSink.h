#pragma once
// Writes the directory as an Access 2000 (Jet 4) file through our own Jet
// writer, with the column types of data/jet/JetSchema.h, so the program loads
// it as it loads any directory file from Access.
#include <string>
#include <vector>

#include "DirectorySink.h"
#include "data/Value.h"
#include "data/jet/JetWriter.h"

namespace orbisk::gensample {

class AccessSink : public DirectorySink {
 public:
  // The file appears at `path` only when Finish succeeds; an existing file
  // stays untouched until then.
  explicit AccessSink(const std::string& path);

  void BeginTable(const SchemaTable& table) override;
  void AddRow(const Row& row) override;
  void EndTable() override;
  // Access files get no indexes on the directory tables: the program indexes
  // them itself when it loads the file.
  void AddIndex(const SchemaTable& table, std::string_view column) override;
  void Finish() override;

 private:
  jet::JetWriter writer_;
  int table_ = -1;
  std::vector<Value> values_;  // reused for every row
};

}  // namespace orbisk::gensample
