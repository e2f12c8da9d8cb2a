// Writes Access files with our Jet writer and, beside each, what independent
// readers must find in it (<case>.json). check_mdbtools.py and
// ../node/check_access.mjs then read every file with mdbtools and with the npm
// package mdb-reader.
//
// Expectations: {"file", "original" (the file the table was added to, whose
// tables must read back unchanged) , "tables": [{"name", "rowCount",
// "columns": [[name, type]], "rows": [[index, [values]]]}], "listed": [further
// tables that must be there]}, types as mdb-reader
// names them; values null, true/false, numbers, strings, {"hex": ...} for
// bytes, {"money": "-1.2345"} for currency, dates as "YYYY-MM-DD HH:MM:SS".
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "data/Connection.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "data/jet/JetWriter.h"
#include "data/uDM.h"
#include "export/db2access.h"

#include <sqlite3.h>

using namespace orbisk;
using namespace orbisk::jet;
namespace fs = std::filesystem;

namespace {

using orbisk::jet::ColumnType;  // not the directory schema's

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) s += digits[c >> 4], s += digits[c & 15];
  return s;
}

// JSON values of the expectations.
std::string JNull() { return "null"; }
std::string JBool(bool b) { return b ? "true" : "false"; }
std::string JNum(long long n) { return std::to_string(n); }
std::string JReal(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}
std::string JStr(const std::string& s) { return Quote(s); }
std::string JBytes(const std::string& b) { return "{\"hex\":\"" + Hex(b) + "\"}"; }
std::string JMoney(const std::string& decimal) { return "{\"money\":\"" + decimal + "\"}"; }

struct ExpectedTable {
  std::string name;
  long long rowCount = 0;
  std::vector<std::pair<std::string, std::string>> columns;
  std::vector<std::pair<long long, std::vector<std::string>>> rows;
};

struct Sample {
  std::string file;
  std::string original;
  std::vector<ExpectedTable> tables;
  std::vector<std::string> listed;  // further tables that must be listed
};

void Save(const fs::path& dir, const Sample& s) {
  std::string json = "{\"file\":" + Quote(s.file) + ",\"original\":" + (s.original.empty() ? "null" : Quote(s.original)) +
                     ",\"tables\":[";
  for (size_t t = 0; t < s.tables.size(); ++t) {
    const ExpectedTable& e = s.tables[t];
    json += (t ? "," : "") + std::string("{\"name\":") + Quote(e.name) + ",\"rowCount\":" + JNum(e.rowCount) +
            ",\"columns\":[";
    for (size_t c = 0; c < e.columns.size(); ++c)
      json += (c ? "," : "") + std::string("[") + Quote(e.columns[c].first) + "," + Quote(e.columns[c].second) + "]";
    json += "],\"rows\":[";
    for (size_t r = 0; r < e.rows.size(); ++r) {
      json += (r ? "," : "") + std::string("[") + JNum(e.rows[r].first) + ",[";
      for (size_t v = 0; v < e.rows[r].second.size(); ++v) json += (v ? "," : "") + e.rows[r].second[v];
      json += "]]";
    }
    json += "]}";
  }
  json += "],\"listed\":[";
  for (size_t i = 0; i < s.listed.size(); ++i) json += (i ? "," : "") + Quote(s.listed[i]);
  json += "]}\n";
  std::ofstream(dir / (fs::path(s.file).stem().string() + ".json")) << json;
}

// Every type, nulls of every type, both bits, negative money, text outside
// Latin-1, and long values around the storage limits.
Sample AllTypes(const fs::path& dir) {
  Sample s{"alltypes.mdb", "", {}, {}};
  JetWriter w((dir / s.file).string(), JetWriter::Mode::CreateNew);
  int t = w.CreateTable({"AllTypes",
                         {CounterColumn("Id"), Column("Flag", ColumnType::Bit), Column("Small", ColumnType::Byte),
                          IntegerColumn("Int"), LongColumn("Lng"), Column("Amount", ColumnType::Money),
                          Column("Sng", ColumnType::Single), Column("Dbl", ColumnType::Double),
                          Column("Stamp", ColumnType::DateTime), TextColumn("Name", 40), FixedTextColumn("Code", 3),
                          MemoColumn("Notes"), Column("Blob", ColumnType::Ole)}});
  ExpectedTable e{"AllTypes", 0,
                  {{"Id", "long"}, {"Flag", "boolean"}, {"Small", "byte"}, {"Int", "integer"}, {"Lng", "long"},
                   {"Amount", "currency"}, {"Sng", "float"}, {"Dbl", "double"}, {"Stamp", "datetime"},
                   {"Name", "text"}, {"Code", "text"}, {"Notes", "memo"}, {"Blob", "ole"}},
                  {}};
  auto add = [&](std::vector<Value> values, std::vector<std::string> expected) {
    w.AppendRow(t, values);
    e.rows.emplace_back(e.rowCount++, std::move(expected));
  };
  std::string two(std::string("\x00\xFF", 2));
  add({nullptr, true, 200, -300, 70000, -12.3456, 1.5, -2.25, "2024-02-29 13:45:10", "Ça va, Zoë", "QC",
       "Line 1\r\nLine 2", Blob{two}},
      {JNum(1), JBool(true), JNum(200), JNum(-300), JNum(70000), JMoney("-12.3456"), JReal(1.5), JReal(-2.25),
       JStr("2024-02-29 13:45:10"), JStr("Ça va, Zoë"), JStr("QC "), JStr("Line 1\r\nLine 2"), JBytes(two)});
  add({nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
       nullptr},
      {JNum(2), JBool(false), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(),
       JNull()});
  add({nullptr, false, 0, 32767, -2147483647 - 1, "922337203685477.5807", 0.1, 1e300, "1899-12-30", "Ελληνικά 日本語",
       "ABC", "", Blob{""}},
      {JNum(3), JBool(false), JNum(0), JNum(32767), JNum(-2147483648LL), JMoney("922337203685477.5807"), JReal(0.1),
       JReal(1e300), JStr("1899-12-30 00:00:00"), JStr("Ελληνικά 日本語"), JStr("ABC"), JStr(""), JBytes("")});
  add({nullptr, true, 1, -1, 1, "-0.0001", -0.0, 3.141592653589793, "1999-12-31 23:59:59", "x", "é", "\xE2\x82\xAC",
       Blob{"a"}},
      {JNum(4), JBool(true), JNum(1), JNum(-1), JNum(1), JMoney("-0.0001"), JReal(-0.0), JReal(3.141592653589793),
       JStr("1999-12-31 23:59:59"), JStr("x"), JStr("é  "), JStr("\xE2\x82\xAC"), JBytes("a")});
  // Long values around the limits: 64 bytes inline, 4076 in one row, longer chained.
  int n = 5;
  for (size_t len : {64, 65, 4076, 4077, 8152, 8153, 12000}) {
    std::string bytes(len, '\0');
    for (size_t i = 0; i < len; ++i) bytes[i] = static_cast<char>(i * 13 % 256);
    std::string memo(len / 2, 'm');  // ASCII up to 1024 characters is stored compressed
    if (len > 4000) {
      memo.clear();
      for (size_t i = 0; i < len / 2; ++i) memo += "ž";  // two bytes a character
    }
    add({nullptr, n % 2 == 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, memo,
         Blob{bytes}},
        {JNum(n), JBool(n % 2 == 0), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(), JNull(),
         JStr(memo), JBytes(bytes)});
    ++n;
  }
  w.Commit();
  s.tables.push_back(std::move(e));
  return s;
}

ExpectedTable AddCompanies(JetWriter& w, const std::string& name, int rows) {
  int t = w.CreateTable({name, {CounterColumn("Company_ID"), TextColumn("Company_Name", 80),
                                MemoColumn("Company_Description"), IntegerColumn("Year_Established")}});
  ExpectedTable e{name,
                  rows,
                  {{"Company_ID", "long"}, {"Company_Name", "text"}, {"Company_Description", "memo"},
                   {"Year_Established", "integer"}},
                  {}};
  for (int i = 0; i < rows; ++i) {
    std::string company = "Société " + std::to_string(i) + (i % 7 == 0 ? " Łódź" : "");
    std::string about(static_cast<size_t>(i % 50) * 97, static_cast<char>('a' + i % 26));
    Value year = i % 5 == 0 ? Value() : Value(1900 + i % 120);
    w.AppendRow(t, {nullptr, company, about, year});
    if (i == 0 || i == rows / 2 || i == rows - 1 || i % 49 == 0)
      e.rows.emplace_back(i, std::vector<std::string>{JNum(i + 1), JStr(company), JStr(about),
                                                      year.IsNull() ? JNull() : JNum(year.AsInteger())});
  }
  return e;
}

Sample AddedTo(const fs::path& dir, const fs::path& original) {
  Sample s{"added_" + original.filename().string(), original.string(), {}, {}};
  fs::copy_file(original, dir / s.file, fs::copy_options::overwrite_existing);
  JetWriter w((dir / s.file).string());
  s.tables.push_back(AddCompanies(w, "Company", 200));
  w.Commit();
  return s;
}

Sample RowsPerPage(const fs::path& dir) {
  Sample s{"pages255.mdb", "", {}, {}};
  JetWriter w((dir / s.file).string(), JetWriter::Mode::CreateNew);
  int t = w.CreateTable({"Bits", {Column("Flag", ColumnType::Bit)}});
  ExpectedTable e{"Bits", 1000, {{"Flag", "boolean"}}, {}};
  for (int i = 0; i < 1000; ++i) {
    w.AppendRow(t, {i % 3 == 0});
    if (i % 127 == 0 || i == 254 || i == 255 || i == 999) e.rows.emplace_back(i, std::vector{JBool(i % 3 == 0)});
  }
  w.Commit();
  s.tables.push_back(std::move(e));
  return s;
}

Sample BeyondInlineMap(const fs::path& dir) {
  Sample s{"big.mdb", "", {}, {}};
  JetWriter w((dir / s.file).string(), JetWriter::Mode::CreateNew);
  std::vector<ColumnDef> columns{LongColumn("N")};
  ExpectedTable e{"Big", 700, {{"N", "long"}}, {}};
  for (int i = 0; i < 15; ++i) {
    columns.push_back(TextColumn("T" + std::to_string(i), 255));
    e.columns.emplace_back("T" + std::to_string(i), "text");
  }
  int t = w.CreateTable({"Big", columns});
  for (int n = 0; n < 700; ++n) {
    std::vector<Value> v{n};
    std::vector<std::string> x{JNum(n)};
    for (int i = 0; i < 15; ++i) {
      std::string text(250, static_cast<char>('a' + (n + i) % 26));
      v.emplace_back(text);
      x.push_back(JStr(text));
    }
    w.AppendRow(t, v);
    if (n % 100 == 0 || n == 699) e.rows.emplace_back(n, std::move(x));
  }
  w.Commit();
  s.tables.push_back(std::move(e));
  return s;
}

Sample ManyTables(const fs::path& dir) {
  Sample s{"manytables.mdb", "", {}, {}};
  JetWriter w((dir / s.file).string(), JetWriter::Mode::CreateNew);
  std::vector<int> order(300);
  for (int i = 0; i < 300; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(11));
  for (int i : order) {
    std::string name = "Table_" + std::to_string(i * 7919 % 100000);
    w.AppendRow(w.CreateTable({name, {LongColumn("I")}}), {i});
    if (i % 10 == 0) s.tables.push_back({name, 1, {{"I", "long"}}, {{0, {JNum(i)}}}});
    else s.listed.push_back(name);
  }
  w.Commit();
  return s;
}

void NumberRows(Query& q) { q.FieldByName("RecNo").SetCalcValue(Value(ClampRecNo(q.CalcPosition()))); }

// Company and contact lists exported as the program does, into one new file.
Sample Exported(const fs::path& dir) {
  Sample s{"exported.mdb", "", {}, {}};
  Connection c;
  c.OpenMemory();
  auto exec = [&](const std::string& sql) {
    if (sqlite3_exec(c.Handle(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(c.Handle()));
  };
  for (const auto& t : DirectoryTables()) exec(CreateTableStatement(t));
  exec("INSERT INTO Company_Info (Company_ID, Company_Name, Location_Address, Location_Address_Postal, TelAreaCode,"
       " Telephone, Email, Website_URL, Year_Established, Number_of_Employees, Exporting) VALUES"
       " (1, 'Prairie Bank Ltd', '100 Main St, Winnipeg', 'R3C 1A1', '204', '(204) 555-0101', 'info@prairie.ca',"
       "  'www.prairie.ca', 1950, 120, 'Yes'),"
       " (2, 'Société Générale Québec', '5 Rue Laval', 'H2X 1Y4', '514', NULL, NULL, NULL, 1988, 40, 'No'),"
       " (3, 'O''Brien Tools', '', 'M5H 2N2', '416', '(416) 555-0103', '', NULL, NULL, NULL, 'No')");
  exec("INSERT INTO Company_Contact (Record_ID, Company_ID, Name, Title, Area, Telephone, Fax, Email) VALUES"
       " (1, 1, 'Ann Smith', 'President', 'Management', '(204) 555-0111', NULL, 'ann@prairie.ca'),"
       " (2, 2, 'Émile Tremblay', 'Directeur', 'Ventes', '(514) 555-0113', NULL, 'emile@sgq.ca')");
  Query company("Company_Q", &c);
  company.DeclareFields(CompanyQueryFields());
  company.OnCalcFields = NumberRows;
  company.SetSQL("select * from Company_Info order by Company_ID");
  company.Open();
  std::string file = (dir / s.file).string();
  ExportToAccess(company, file, AccessOptions{.tableName = QueryBaseName(company), .lowestTag = 0, .progress = {}});
  ExpectedTable e{"Company", 3, {}, {}};
  for (const Field& f : company.Fields())
    e.columns.emplace_back(f.FieldName(), f.DataType() == ftWideString ? "text" : "long");
  e.rows.push_back({1, {JNum(2), JNull(), JStr("Société Générale Québec"), JStr("5 Rue Laval"), JStr("H2X 1Y4"),
                        JStr("514"), JNull(), JNull(), JNull(), JNull(), JNull(), JStr("No"), JNum(1988), JNum(40)}});
  e.rows.push_back({2, {JNum(3), JNull(), JStr("O'Brien Tools"), JStr(""), JStr("M5H 2N2"), JStr("416"),
                        JStr("(416) 555-0103"), JNull(), JNull(), JStr(""), JNull(), JStr("No"), JNull(), JNull()}});
  s.tables.push_back(std::move(e));

  Query contact("Contact_Q", &c);
  contact.DeclareFields(ContactQueryFields());
  contact.OnCalcFields = NumberRows;
  contact.SetSQL("select k.Record_ID, c.Company_Name, c.Location_Address, k.Name, k.Title, k.Area, k.Telephone,"
                 " k.Fax, k.Email from Company_Contact k join Company_Info c on c.Company_ID = k.Company_ID"
                 " order by k.Record_ID");
  contact.Open();
  ExportToAccess(contact, file, AccessOptions{.tableName = QueryBaseName(contact), .lowestTag = 0, .progress = {}});
  ExpectedTable k{"Contact", 2, {}, {}};
  for (const Field& f : contact.Fields())
    k.columns.emplace_back(f.FieldName(), f.DataType() == ftWideString ? "text" : "long");
  k.rows.push_back({1, {JNull(), JNull(), JStr("Société Générale Québec"), JStr("5 Rue Laval"), JStr("Émile Tremblay"),
                        JStr("Directeur"), JStr("Ventes"), JStr("(514) 555-0113"), JNull(), JStr("emile@sgq.ca")}});
  s.tables.push_back(std::move(k));

  // Names longer than their declared size do not fit: those rows are left out.
  Query shortNames("Refusals_Q", &c);
  FieldDef id{"Company_ID", ftInteger, 0, 0, 0, false, {}}, name{"Company_Name", ftWideString, 16, 0, 0, false, {}};
  shortNames.DeclareFields({id, name});
  shortNames.SetSQL("select Company_ID, Company_Name from Company_Info order by Company_ID");
  shortNames.Open();
  AccessExportResult r = ExportToAccess(shortNames, file, AccessOptions{.tableName = QueryBaseName(shortNames), .lowestTag = 0, .progress = {}});
  if (r.rowsWritten != 2 || r.rowsRefused != 1) throw std::runtime_error("unexpected refusals");
  s.tables.push_back({"Refusals", 2, {{"Company_ID", "long"}, {"Company_Name", "text"}},
                      {{0, {JNum(1), JStr("Prairie Bank Ltd")}}, {1, {JNum(3), JStr("O'Brien Tools")}}}});
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: jet_samples <folder>\n";
    return 2;
  }
  try {
    fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::vector<Sample> samples{AllTypes(dir), RowsPerPage(dir), BeyondInlineMap(dir), ManyTables(dir), Exported(dir)};
    std::vector<fs::path> originals;
    for (const auto& entry : fs::directory_iterator(ORBISK_TEST_DATA "/access"))
      // Tables are added to Access 2000 files only (an Access 97 file is refused).
      if (entry.path().extension() == ".mdb" && DetectDatabaseFormat(entry.path().string()) == DatabaseFormat::Jet4)
        originals.push_back(entry.path());
    std::sort(originals.begin(), originals.end());
    for (const auto& original : originals) samples.push_back(AddedTo(dir, original));
    for (const auto& s : samples) Save(dir, s);
    std::cout << samples.size() << " Access files written to " << dir.string() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "jet_samples: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
