// The company search through the dataset layer (Unicode-aware LIKE and collation,
// rows fetched into the query) against the same statement run by bare SQLite with
// its built-in ASCII LIKE, on a 100,000-company directory. Also loading an Access
// directory of that size against mdb-export dumping the same tables.
// Options: --companies N, --runs N.
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchUtil.h"
#include "data/Connection.h"
#include "data/JetSql.h"
#include "data/uDM.h"

using namespace orbisk;

static const char* kStatement =
    "select  Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
    "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from Company_Info "
    " where  1=1  and Location_Address LIKE'%Ontario%' and Company_Name Like '%bank%'";

int main(int argc, char** argv) {
  const int companies = static_cast<int>(bench::Option(argc, argv, "--companies", 100000));
  const int runs = static_cast<int>(bench::Option(argc, argv, "--runs", 7));
  const std::string size = " (" + std::to_string(companies) + " companies)";
  const std::string path = bench::GeneratedDirectory(companies);
  Connection ours;
  ours.SetConnectionString("Data Source=" + path);
  ours.EnsureOpen();
  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const std::string translated = TranslateJetSql(kStatement);

  int rowsOurs = 0, rowsPeer = 0;
  Query q("Company_Q", &ours);
  q.DeclareFields(CompanyQueryFields());
  q.OnCalcFields = TDM::RecNoCalcFields;
  auto runOurs = [&] {
    q.Close();
    q.SetSQL(kStatement);
    q.Open();
    rowsOurs = q.RecordCount();
  };
  auto runPeer = [&] {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, translated.c_str(), -1, &st, nullptr);
    int n = 0;
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      ++n;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        if (t) bytes += static_cast<size_t>(sqlite3_column_bytes(st, c));
      }
    }
    sqlite3_finalize(st);
    rowsPeer = n + static_cast<int>(bytes * 0);
  };
  auto p = bench::BestOf(runs, runOurs, runPeer);
  std::printf("rows: ours %d, peer %d\n", rowsOurs, rowsPeer);
  bench::Report(("company search, Location + Company Name" + size).c_str(), p, 1.2);
  if (rowsOurs != rowsPeer) {
    sqlite3_close(raw);
    return 1;
  }

  // Loading an Access directory of the same size, when the generator can write one.
  std::string access;
  try {
    access = bench::GeneratedDirectory(companies, "access");
  } catch (const std::exception& e) {
    std::printf("Access directory not available: %s\n", e.what());
    sqlite3_close(raw);
    return 0;
  }
  auto load = [&] {
    Connection c;
    c.SetConnectionString("Data Source=" + access);
    c.SetImporter(bench::Importer());  // the build puts it beside the programs, not here
    c.EnsureOpen();
  };
  auto dump = [&] {
    for (const char* t : {"Company_Info", "Company_Contact", "Company_ProductServiceLicensing", "Company_SubCat",
                          "Main_Category", "All_Leaf_SubCat"}) {
      std::string cmd = "mdb-export '" + access + "' " + t + " > /dev/null";
      if (std::system(cmd.c_str()) != 0) throw std::runtime_error(std::string("mdb-export failed on ") + t);
    }
  };
  bench::Report(("loading an Access directory vs mdb-export" + size).c_str(),
                bench::BestOf(std::max(1, runs / 2), load, dump), 1.0);
  sqlite3_close(raw);
  return 0;
}
