#pragma once
// Shared pieces of the export writer tests: small queries over in-memory
// tables, the company result of the small test directory, and file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <algorithm>
#include <stdexcept>

#include "TestDirectory.h"
#include "data/Progress.h"
#include "data/uDM.h"

namespace orbisk::testing {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Runs a shell command and returns what it printed on standard output.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  if (status) *status = rc;
  return out;
}

// The system's Python (the Debian package), quicker to start than a shim on PATH.
inline std::string PythonCommand() { return Exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Files of a folder (names only, sorted).
inline std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline FieldDef Def(std::string name, TFieldType type, int size = 0, int tag = 0) {
  FieldDef d;
  d.name = std::move(name);
  d.type = type;
  d.size = size;
  d.tag = tag;
  return d;
}

// A query over a table of an in-memory database.
class MemoryQuery {
 public:
  // `setup` creates and fills the tables; `select` is the query's statement.
  MemoryQuery(const std::string& setup, const std::string& select, std::vector<FieldDef> fields = {},
              std::string name = "Test_Q")
      : q(std::move(name), &conn) {
    conn.OpenMemory();
    Exec(conn.Handle(), setup);
    if (!fields.empty()) q.DeclareFields(std::move(fields));
    q.SetSQL(select);
    q.Open();
  }
  Connection conn;
  Query q;
};

// `count` rows of (id, name) in table Big, for walks long enough to report progress.
inline std::string ManyRowsSetup(int count) {
  return "CREATE TABLE Big (id INTEGER, name VARCHAR(40) COLLATE NOCASE);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(count) + ") INSERT INTO Big SELECT i, 'row ' || i FROM n WHERE i <= " + std::to_string(count) + ";";
}

inline const char* kCompanySearch =
    "select  Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
    "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from Company_Info "
    " where  1=1  Order By Company_ID";

inline const char* kContactSearch =
    "select   CI.Company_Name,CI.Location_Address,CC.* from Company_Contact CC, Company_Info CI "
    "where CC.Company_ID=CI.Company_ID  Order By CC.Record_ID";

// The data module over the small test directory, with both result queries searched.
class ResultQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSmallDirectory(folder.Path());
    dm.DataModuleCreate(folder.Path());
    dm.Company_Q.SetSQL(kCompanySearch);
    dm.Company_Q.Open();
    dm.Contact_Q.SetSQL(kContactSearch);
    dm.Contact_Q.Open();
    out = folder.Path() + "out/";
    std::filesystem::create_directories(out);
  }
  TempFolder folder;
  TDM dm;
  std::string out;  // an empty folder for the exported files
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old, had_ = true;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }
 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

// Throws from the progress report: a failure in the middle of a walk.
inline bool FailingProgress(const ProgressStep& step) {
  if (step.done >= 256) throw std::runtime_error("stopped while writing");
  return true;
}

}  // namespace orbisk::testing
