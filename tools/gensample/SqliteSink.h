#pragma once
// Writes the directory as a SQLite file under the naming convention of
// data/Schema.h, so the program opens it in place.
#include <memory>
#include <string>

#include "DirectorySink.h"
#include "data/AtomicFile.h"

struct sqlite3;
struct sqlite3_stmt;

namespace orbisk::gensample {

class SqliteSink : public DirectorySink {
 public:
  // The file appears at `path` only when Finish succeeds; an existing file
  // stays untouched until then.
  explicit SqliteSink(const std::string& path);
  ~SqliteSink() override;

  void BeginTable(const SchemaTable& table) override;
  void AddRow(const Row& row) override;
  void EndTable() override;
  void AddIndex(const SchemaTable& table, std::string_view column) override;
  void Finish() override;

 private:
  void Exec(const std::string& sql);
  [[noreturn]] void Fail(const std::string& what);
  void CloseDatabase();

  AtomicFile file_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
};

}  // namespace orbisk::gensample
