// The export writers on a 40,000-company result (of a 100,000-company directory;
// --companies N for another, --runs N for the repetitions) against peers doing the same
// work bare: CSV against the sqlite3 shell's -csv output of the same rows, the
// workbook against a plain libxlsxwriter loop writing the same cells, and the
// XML save against a hand-written loop printing the same bytes.
// Files go to a memory file system (/dev/shm) where there is one, so that the
// figures compare the writers and not the disk.
#include <sqlite3.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "BenchUtil.h"
#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/Schema.h"
#include "data/uDM.h"
#include "export/db2csv.h"
#include "export/db2excel.h"
#include "export/db2xml.h"

using namespace orbisk;

namespace {

// The rows of the result: 40,000, or every company of a smaller directory.
int gRows = 40000;
int gCompanies = 100000;

const char* kColumns =
    "Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
    "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees";

void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error(m);
  }
}

// 40,000 companies of made-up but plausible data, when no generated directory exists.
std::string SyntheticDirectory() {
  std::string path = bench::Folder() + "/export-synthetic-" + std::to_string(gRows) + ".sqlite";
  if (std::filesystem::exists(path)) return path;
  std::string temp = path + ".part";
  std::filesystem::remove(temp);
  Connection c;
  c.OpenWritable(temp);
  sqlite3* db = c.Handle();
  for (const auto& t : DirectoryTables()) Exec(db, CreateTableStatement(t));
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db,
                     (std::string("INSERT INTO Company_Info (") + kColumns +
                      ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)").c_str(),
                     -1, &st, nullptr);
  const char* first[] = {"Prairie", "Société", "O'Brien", "Northern", "Étoile", "Maple", "Atlantic", "Pacific",
                         "Laurentian", "Great Lakes", "Boréal", "Fraser"};
  const char* second[] = {"Bank", "Tools", "Bakery", "Logistics", "Software", "Fisheries", "Farms", "Mining",
                          "Consulting", "Plastics", "Textiles", "Foods"};
  const char* suffix[] = {"Ltd", "Inc.", "Ltée", "Corp.", "& Sons", "Group"};
  const char* places[][3] = {{"Winnipeg", "Manitoba", "204"}, {"Montréal", "Quebec", "514"},
                             {"Toronto", "Ontario", "416"},   {"Québec", "Quebec", "418"},
                             {"Vancouver", "British Columbia", "604"}, {"Halifax", "Nova Scotia", "902"}};
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
  for (int i = 1; i <= gRows; ++i) {
    auto text = [&](int col, const std::string& s) { sqlite3_bind_text(st, col, s.c_str(), -1, SQLITE_TRANSIENT); };
    const auto& place = places[next() % 6];
    std::string name = std::string(first[next() % 12]) + " " + second[next() % 12] + " " + suffix[next() % 6];
    std::string phone = std::string("(") + place[2] + ") 555-" + std::to_string(1000 + next() % 9000);
    sqlite3_bind_int(st, 1, i);
    text(2, name);
    text(3, std::to_string(1 + next() % 999) + " Main St, " + place[0] + ", " + place[1]);
    text(4, std::string(1, "RHMGVB"[next() % 6]) + "3C " + std::to_string(next() % 10) + "A" +
                std::to_string(next() % 10));
    text(5, place[2]);
    text(6, phone);
    if (next() % 3 == 0) text(7, "1-800-555-" + std::to_string(1000 + next() % 9000)); else sqlite3_bind_null(st, 7);
    if (next() % 2 == 0) text(8, phone); else sqlite3_bind_null(st, 8);
    unsigned e = next() % 4;
    if (e == 0) sqlite3_bind_null(st, 9); else text(9, e == 1 ? "" : "info" + std::to_string(i) + "@example.ca");
    if (next() % 3) text(10, "www.company" + std::to_string(i) + ".ca"); else sqlite3_bind_null(st, 10);
    sqlite3_bind_int(st, 11, 1900 + static_cast<int>(next() % 120));
    text(12, next() % 2 ? "Yes" : "No");
    if (next() % 5) sqlite3_bind_int(st, 13, 1 + static_cast<int>(next() % 5000)); else sqlite3_bind_null(st, 13);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
  WriteDirectoryMarker(db);  // opened in place, not handed to the importer
  c.Close();
  std::filesystem::rename(temp, path);
  return path;
}

std::string Directory() {
  if (std::filesystem::exists(std::string(ORBISK_BUILD_DIR) + "/tools/orbisk-gensample")) {
    try {
      return bench::GeneratedDirectory(gCompanies);
    } catch (const std::exception& e) {
      std::printf("generator failed (%s); using synthetic rows\n", e.what());
    }
  }
  return SyntheticDirectory();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void AppendEscaped(std::string& out, std::string_view s) {
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#xD;"; break;
      case '\n': out += "&#xA;"; break;
      case '\t': out += "&#x9;"; break;
      default: out += c;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  gCompanies = static_cast<int>(bench::Option(argc, argv, "--companies", 100000));
  gRows = std::min(gRows, gCompanies);
  const int runs = static_cast<int>(bench::Option(argc, argv, "--runs", 5));
  const std::string db = Directory();
  const std::string out = (std::filesystem::exists("/dev/shm") ? std::string("/dev/shm") : std::string("/tmp")) +
                          "/orbisk-bench-export-" + std::to_string(getpid());
  std::filesystem::create_directories(out);
  const std::string statement =
      std::string("select  top ") + std::to_string(gRows) + "  " + kColumns + "   from Company_Info  where  1=1";

  Connection conn;
  conn.SetConnectionString("Data Source=" + db);
  conn.EnsureOpen();
  Query q("Company_Q", &conn);
  q.DeclareFields(CompanyQueryFields());
  q.OnCalcFields = TDM::RecNoCalcFields;
  auto open = [&] {
    q.Close();
    q.SetSQL(statement);
    q.Open();
  };
  open();
  std::printf("directory %s, %d rows, files in %s\n", db.c_str(), q.RecordCount(), out.c_str());

  // CSV: the sqlite3 shell reads the same rows and writes them as CSV, RecNo included.
  std::string shell = "sqlite3 -csv -header '" + db + "' \"select Company_ID, row_number() over () as RecNo," +
                      "Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,Toll_Free_Phone,"
                      "Fax,Email,Website_URL,Exporting,Year_Established,Number_of_Employees from Company_Info"
                      " limit " + std::to_string(gRows) + "\" > '" + out + "/peer.csv'";
  auto sqliteCsv = [&] {
    if (std::system(shell.c_str()) != 0) throw std::runtime_error("sqlite3 failed");
  };
  auto csvAll = [&] {
    open();
    ExportToCSV(q, out + "/ours.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}});
  };
  auto csvOnly = [&] { ExportToCSV(q, out + "/ours.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}}); };
  bench::Report("CSV: search + ExportToCSV vs sqlite3 -csv", bench::BestOf(runs, csvAll, sqliteCsv), 1.5);
  bench::Report("CSV: ExportToCSV of the open result vs sqlite3 -csv", bench::BestOf(runs, csvOnly, sqliteCsv), 1.5);
  std::printf("  CSV sizes: ours %zu bytes, sqlite3 %zu bytes\n", ReadAll(out + "/ours.csv").size(),
              ReadAll(out + "/peer.csv").size());

  // Workbook: the same cells (labels, integers as numbers, texts as texts) in a bare loop.
  std::vector<int> columnOf;
  std::vector<std::string> labels;
  for (const Field& f : q.Fields())
    if (f.Tag() >= 0) columnOf.push_back(f.Column()), labels.push_back(f.DisplayLabel());
  auto bareXlsx = [&] {
    lxw_workbook_options o{};
    o.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt((out + "/peer.xlsx").c_str(), &o);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Company");
    for (size_t c = 0; c < labels.size(); ++c) worksheet_write_string(ws, 0, c, labels[c].c_str(), nullptr);
    for (int r = 0; r < q.RecordCount(); ++r)
      for (size_t c = 0; c < columnOf.size(); ++c) {
        const ValueView v = q.CellView(r, columnOf[c]);
        if (v.kind() == ValueKind::Integer)
          worksheet_write_number(ws, r + 1, c, static_cast<double>(v.AsInteger()), nullptr);
        else if (v.kind() == ValueKind::Text && !v.Bytes().empty())
          worksheet_write_string(ws, r + 1, c, std::string(v.Bytes()).c_str(), nullptr);
      }
    workbook_close(wb);
  };
  auto oursXlsx = [&] {
    if (!ExportToExcel(q, out + "/ours.xlsx", ExcelOptions{})) throw std::runtime_error("no workbook");
  };
  bench::Report("XLSX: ExportToExcel vs a bare libxlsxwriter loop", bench::BestOf(runs, oursXlsx, bareXlsx), 1.2);

  // XML: the same bytes printed by a plain loop.
  SaveQueryAsXml(q, out + "/ours.xml");
  std::string ours = ReadAll(out + "/ours.xml");
  const std::string head = ours.substr(0, ours.find("<rs:data>\r\n") + 11);
  std::vector<std::string> attr;
  for (const auto& c : q.Columns()) attr.push_back(" " + c.name + "='");
  auto plainXml = [&] {
    FILE* f = std::fopen((out + "/peer.xml").c_str(), "wb");
    std::string buf = head;
    for (int r = 0; r < q.RecordCount(); ++r) {
      buf += "\t<z:row";
      for (size_t c = 0; c < attr.size(); ++c) {
        const ValueView v = q.CellView(r, static_cast<int>(c));
        if (v.IsNull()) continue;
        buf += attr[c];
        if (v.kind() == ValueKind::Integer) buf += std::to_string(v.AsInteger());
        else AppendEscaped(buf, v.Bytes());
        buf += '\'';
      }
      buf += "/>\r\n";
      if (buf.size() > (1 << 16)) std::fwrite(buf.data(), 1, buf.size(), f), buf.clear();
    }
    buf += "</rs:data>\r\n</xml>\r\n";
    std::fwrite(buf.data(), 1, buf.size(), f);
    std::fclose(f);
  };
  auto oursXml = [&] { SaveQueryAsXml(q, out + "/ours.xml"); };
  bench::Report("XML: SaveQueryAsXml vs a hand-written loop", bench::BestOf(runs, oursXml, plainXml), 1.5);
  const bool same = ReadAll(out + "/ours.xml") == ReadAll(out + "/peer.xml");
  std::printf("  XML files identical: %s (%zu bytes)\n", same ? "yes" : "NO", ours.size());

  std::filesystem::remove_all(out);
  return same ? 0 : 1;
}
