#pragma once
// A small directory written to a temporary program folder, for tests that need
// real statements against real tables.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/Schema.h"

namespace orbisk::testing {

// A file's bytes, whole; empty when it cannot be read.
inline std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
inline void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class TempFolder {
 public:
  TempFolder() {
    std::string templ = (std::filesystem::temp_directory_path() / "orbisk-test-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ + "/";
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::string& Path() const { return path_; }  // ends in '/'
 private:
  std::string path_;
};

// Points the directory cache at a folder of its own for as long as it lives.
class ScopedCache {
 public:
  ScopedCache() {
    const char* old = std::getenv("XDG_CACHE_HOME");
    if (old) old_ = old;
    had_ = old != nullptr;
    ::setenv("XDG_CACHE_HOME", base_.Path().c_str(), 1);
  }
  ~ScopedCache() {
    if (had_)
      ::setenv("XDG_CACHE_HOME", old_.c_str(), 1);
    else
      ::unsetenv("XDG_CACHE_HOME");
  }
  ScopedCache(const ScopedCache&) = delete;
  ScopedCache& operator=(const ScopedCache&) = delete;
  const std::string& Base() const { return base_.Path(); }
  std::string Folder() const { return base_.Path() + "orbisk/"; }

 private:
  TempFolder base_;
  std::string old_;
  bool had_ = false;
};

inline void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error(m + " in " + sql);
  }
}

// Writes <folder>/Database/corpdir.mdb as a SQLite directory with every table,
// the marker of Orbisk's tools and a handful of rows:
//   companies 1..5 (3 has no contacts, 5 has an empty-text web address),
//   contacts of companies 1, 2 and 4, products of 1 and 2, categories Abor/Agri.
inline std::string WriteSmallDirectory(const std::string& folder) {
  std::filesystem::create_directories(folder + "Database");
  std::string path = folder + "Database/corpdir.mdb";
  std::filesystem::remove(path);
  Connection c;
  c.OpenWritable(path);
  sqlite3* db = c.Handle();
  for (const auto& t : DirectoryTables()) Exec(db, CreateTableStatement(t));
  Exec(db,
       "INSERT INTO Company_Info (Company_ID, Company_Name, Location_Address, Location_Address_Postal,"
       " TelAreaCode, Telephone, Email, Website_URL, Year_Established, Number_of_Employees, Exporting,"
       " Company_Description) VALUES"
       " (1, 'Prairie Bank Ltd', '100 Main St, Winnipeg, Manitoba', 'R3C 1A1', '204', '(204) 555-0101',"
       "  'info@prairie.ca', 'www.prairie.ca', 1950, 120, 'Yes', 'First line' || char(13,10) || 'Second line'),"
       " (2, 'Société Générale Québec', '5 Rue Laval, Montréal, Quebec', 'H2X 1Y4', '514', '(514) 555-0102',"
       "  NULL, NULL, 1988, 40, 'No', NULL),"
       " (3, 'O''Brien Tools', '7 King St, Toronto, Ontario', 'M5H 2N2', '416', '(416) 555-0103',"
       "  'sales@obrien.ca', NULL, 2001, 8, 'No', NULL),"
       " (4, 'ÉTOILE Bakery', '9 Rue Champlain, Québec, Quebec', 'G1K 4H4', '418', '(418) 555-0104',"
       "  NULL, 'http://etoile.ca', 1975, 300, 'Yes', NULL),"
       " (5, 'Bank of the North', '1 Ferry Rd, Yellowknife, Northwest Territories', 'X1A 2P3', '867',"
       "  '(867) 555-0105', '', '', 1990, NULL, 'No', NULL)");
  Exec(db,
       "INSERT INTO Company_Contact (Record_ID, Company_ID, Name, Title, Area, Telephone, Fax, Email) VALUES"
       " (1, 1, 'Ann Smith', 'President', 'Management', '(204) 555-0111', NULL, 'ann@prairie.ca'),"
       " (2, 1, 'Bob Jones', 'Sales Manager', 'Sales', '(204) 555-0112', NULL, NULL),"
       " (3, 2, 'Émile Tremblay', 'Directeur', 'Ventes', '(514) 555-0113', NULL, 'emile@sgq.ca'),"
       " (4, 4, 'Zoé Roy', 'Owner', NULL, '(418) 555-0114', NULL, 'zoe@etoile.ca')");
  Exec(db,
       "INSERT INTO Company_ProductServiceLicensing (Company_ID, Type, Name, IsExporting) VALUES"
       " (1, 'Service', 'Commercial loans', 'N'), (1, 'Service', 'Savings accounts', 'N'),"
       " (2, 'Product', 'Logiciel comptable', 'Y')");
  Exec(db,
       "INSERT INTO Main_Category (RecordID, Cat_Name, Cat_Code) VALUES"
       " ('1', 'Aboriginal Businesses', 'Abor'), ('2', 'Agriculture', 'Agri')");
  Exec(db,
       "INSERT INTO All_Leaf_SubCat (SubCat_Code, SubCat_Text, IsValid, SubCat_Type, SubCat_Level,"
       " MainCat_Code, MainCat_Text, Cat1_Code, Cat1_Text) VALUES"
       " ('1_1', 'Aboriginal Crafts', 'Y', 'L', 1, 'Abor', 'Aboriginal Businesses', '1_1', 'Aboriginal Crafts'),"
       " ('1_2', 'Retired leaf', 'N', 'L', 1, 'Abor', 'Aboriginal Businesses', '1_2', 'Retired leaf'),"
       " ('2_1', 'Grain Farming', 'Y', 'L', 1, 'Agri', 'Agriculture', '2_1', 'Grain Farming'),"
       " ('2_2', 'Dairy', 'Y', 'L', 1, 'Agri', 'Agriculture', '2_2', 'Dairy')");
  Exec(db,
       "INSERT INTO Company_SubCat (Company_ID, SubCat_Code, MainCat_Code) VALUES"
       " (1, '1_1', 'Abor'), (2, '2_1', 'Agri'), (4, '2_2', 'Agri'), (5, '1_2', 'Abor')");
  // Made as Orbisk's own tools make directories: opened in place.
  WriteDirectoryMarker(db);
  return path;
}

}  // namespace orbisk::testing
