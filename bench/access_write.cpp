// Exporting a 40,000-row company list into a new Access file with our Jet
// writer, against mdb-export reading that table back out of the file.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchUtil.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "data/uDM.h"
#include "export/db2access.h"

using namespace orbisk;

namespace {


void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error(m);
  }
}

// Company rows much like a directory's: names with accents and apostrophes,
// addresses, telephone numbers, some empty values.
void FillCompanies(sqlite3* db, int companies) {
  static const char* kWords[] = {"Prairie", "Société", "Northern", "Québec", "O'Brien", "Maple", "Atlantic",
                                 "Générale", "Pacific", "Laurentian", "Bank", "Tools", "Bakery", "Systems"};
  static const char* kCities[] = {"Winnipeg, Manitoba", "Montréal, Quebec", "Toronto, Ontario",
                                  "Vancouver, British Columbia", "Halifax, Nova Scotia", "Yellowknife, Northwest Territories"};
  static const char* kAreas[] = {"204", "514", "416", "604", "902", "867"};
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO Company_Info (Company_ID, Company_Name, Location_Address, Location_Address_Postal,"
                     " TelAreaCode, Telephone, Toll_Free_Phone, Fax, Email, Website_URL, Exporting, Year_Established,"
                     " Number_of_Employees) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)",
                     -1, &st, nullptr);
  for (int i = 1; i <= companies; ++i) {
    int city = i % 6;
    std::string name = std::string(kWords[i % 14]) + " " + kWords[(i / 14) % 14] + " " + std::to_string(i) + " Ltd";
    std::string address = std::to_string(i % 999 + 1) + " " + kWords[(i / 7) % 14] + " Street, " + kCities[city];
    std::string phone = std::string("(") + kAreas[city] + ") 555-" + std::to_string(1000 + i % 9000);
    std::string slug = "company" + std::to_string(i);
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, address.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 4, "R3C 1A1", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 5, kAreas[city], -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 6, phone.c_str(), -1, SQLITE_TRANSIENT);
    if (i % 3 == 0) sqlite3_bind_text(st, 7, "1-800-555-0199", -1, SQLITE_STATIC);
    else sqlite3_bind_null(st, 7);
    sqlite3_bind_text(st, 8, phone.c_str(), -1, SQLITE_TRANSIENT);
    if (i % 4 == 0) sqlite3_bind_null(st, 9);
    else sqlite3_bind_text(st, 9, ("info@" + slug + ".ca").c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 10, ("www." + slug + ".ca").c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 11, i % 2 ? "Yes" : "No", -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 12, 1900 + i % 120);
    sqlite3_bind_int(st, 13, i % 5000);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
}

}  // namespace

int main(int argc, char** argv) {
  const int companies = static_cast<int>(bench::Option(argc, argv, "--companies", 40000));
  const int runs = static_cast<int>(bench::Option(argc, argv, "--runs", 3));
  Connection c;
  c.OpenMemory();
  for (const auto& t : DirectoryTables()) Exec(c.Handle(), CreateTableStatement(t));
  FillCompanies(c.Handle(), companies);
  Query q("Company_Q", &c);
  q.DeclareFields(CompanyQueryFields());
  q.OnCalcFields = TDM::RecNoCalcFields;
  q.SetSQL("select * from Company_Info order by Company_ID");
  q.Open();

  const std::string file = bench::Folder() + "/access-write-" + std::to_string(companies) + ".mdb";
  long long written = 0;
  auto write = [&] {
    std::filesystem::remove(file);
    q.First();
    written = ExportToAccess(q, file, AccessOptions{.tableName = "Company", .lowestTag = 0, .progress = {}}).rowsWritten;
  };
  auto read = [&] {
    std::string cmd = "mdb-export '" + file + "' Company > /dev/null";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("mdb-export failed");
  };
  write();  // the file mdb-export reads
  bench::Pair p = bench::BestOf(runs, write, read);
  std::printf("rows written %lld, file %.1f MB\n", written,
              static_cast<double>(std::filesystem::file_size(file)) / (1 << 20));
  const std::string what = "Access export of " + std::to_string(companies) + " companies vs mdb-export reading them";
  bench::Report(what.c_str(), p, 1.0);
  return written == companies ? 0 : 1;
}
