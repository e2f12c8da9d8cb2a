// Byte search and template rendering against peers measured in the same run:
//   FindForward        vs glibc memmem             (16-byte marker, 1 MB of HTML)
//   FindForwardNoCase  vs a naive case-folding scan
//   the company template over 40,000 rows vs a hand-written loop printing the same bytes
#include <sqlite3.h>
#include <string.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "data/Connection.h"
#include "data/Query.h"
#include "data/uDM.h"
#include "export/TemplateProccessor.h"
#include "strutil/ByteSearch.h"
#include "strutil/TextUtil.h"

using namespace orbisk;
using Clock = std::chrono::steady_clock;

namespace {

// Best of several runs, in seconds.
double Best(int runs, const std::function<void()>& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

std::string HtmlMegabyte(std::mt19937& rng) {
  static const char* words[] = {"Prairie", "Bank", "Ltd", "Société", "Tools", "Bakery", "Winnipeg", "Toronto",
                                "Québec", "Main", "St", "Rue", "Export", "Services", "Inc", "North"};
  std::string html = "<!DOCTYPE html>\r\n<html><head><title>Company List</title></head><body><table>\r\n";
  while (html.size() < (1u << 20)) {
    html += "<tr>\r\n  <td class=\"num\">" + std::to_string(rng() % 40000) + "</td>\r\n  <td class=\"strong\">";
    for (int w = 0; w < 3; ++w) html += std::string(words[rng() % 16]) + ' ';
    html += "</td>\r\n  <td><!-- address --><a href=\"mailto:info@example.ca\">info@example.ca</a></td>\r\n</tr>\r\n";
  }
  return html;
}

size_t NaiveNoCase(std::string_view t, std::string_view p) {
  for (size_t k = 0; k + p.size() <= t.size(); ++k) {
    size_t j = 0;
    while (j < p.size() && toupper(static_cast<unsigned char>(t[k + j])) == toupper(static_cast<unsigned char>(p[j])))
      ++j;
    if (j == p.size()) return k + 1;
  }
  return 0;
}

void BenchSearch() {
  std::mt19937 rng(1);
  std::string text = HtmlMegabyte(rng);
  const std::string marker = "<!--#DetailBegin";  // 16 bytes
  text += marker + "-->";  // found only at the very end
  const int reps = 50;
  const double mb = static_cast<double>(text.size()) * reps / (1 << 20);

  size_t ours = 0, theirs = 0;
  const double tOurs = Best(5, [&] {
    for (int i = 0; i < reps; ++i) ours = FindForward(text, marker, text.size(), marker.size(), 1);
  });
  const double tMemmem = Best(5, [&] {
    for (int i = 0; i < reps; ++i) {
      const void* hit = memmem(text.data(), text.size(), marker.data(), marker.size());
      theirs = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) + 1 : 0;
    }
  });
  std::printf("FindForward        %8.0f MB/s   memmem %8.0f MB/s   ratio %.2fx  (target >= 0.80x)%s\n",
              mb / tOurs, mb / tMemmem, tMemmem / tOurs, ours == theirs ? "" : "  MISMATCH");

  const std::string upperMarker = "<!--#DETAILBEGIN";
  size_t fold = 0, naive = 0;
  const double tNoCase = Best(5, [&] {
    for (int i = 0; i < reps; ++i) fold = FindForwardNoCase(text, upperMarker, text.size(), upperMarker.size(), 1);
  });
  const double tNaive = Best(3, [&] {
    for (int i = 0; i < reps; ++i) naive = NaiveNoCase(text, upperMarker);
  });
  std::printf("FindForwardNoCase  %8.0f MB/s   naive  %8.0f MB/s   ratio %.2fx faster%s\n", mb / tNoCase,
              mb / tNaive, tNaive / tNoCase, fold == naive ? "" : "  MISMATCH");
}

// 40,000 companies in the shape of the company result.
void FillCompanies(Connection& c, int rows) {
  sqlite3* db = c.Handle();
  sqlite3_exec(db,
               "CREATE TABLE Co (Company_ID INTEGER, Company_Name TEXT, Location_Address TEXT,"
               " Location_Address_Postal TEXT, TelAreaCode TEXT, Telephone TEXT, Toll_Free_Phone TEXT, Fax TEXT,"
               " Email TEXT, Website_URL TEXT, Exporting TEXT, Year_Established SMALLINT,"
               " Number_of_Employees SMALLINT); BEGIN",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO Co VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr);
  std::mt19937 rng(7);
  static const char* names[] = {"Prairie", "O'Brien", "Société", "Smith & Sons", "Northern", "Étoile", "Maple"};
  static const char* kinds[] = {"Tools", "Bakery", "Bank", "Consulting", "Logistics", "Software"};
  for (int i = 1; i <= rows; ++i) {
    const std::string name = std::string(names[rng() % 7]) + ' ' + kinds[rng() % 6] + " Ltd";
    const std::string addr = std::to_string(rng() % 9000 + 1) + " Main St, Winnipeg, Manitoba";
    const std::string tel = "(204) 555-" + std::to_string(1000 + rng() % 9000);
    const std::string mail = "info" + std::to_string(i) + "@example.ca";
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, addr.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 4, "R3C 1A1", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 5, "204", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 6, tel.c_str(), -1, SQLITE_TRANSIENT);
    if (i % 3) sqlite3_bind_null(st, 7); else sqlite3_bind_text(st, 7, "1-800-555-0199", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 8, tel.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 9, mail.c_str(), -1, SQLITE_TRANSIENT);
    if (i % 2) sqlite3_bind_text(st, 10, "www.example.ca", -1, SQLITE_STATIC); else sqlite3_bind_null(st, 10);
    sqlite3_bind_text(st, 11, i % 4 ? "No" : "Yes", -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 12, 1900 + static_cast<int>(rng() % 120));
    sqlite3_bind_int(st, 13, static_cast<int>(rng() % 5000));
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What a programmer would write by hand for the company page: the template's
// text around the row, and one row after another with the same cells.
void HandWritten(Query& q, std::string_view header, std::string_view footer, std::string& out) {
  out.clear();
  out.append(header);
  auto cell = [&](const char* open, const Field& f) {
    out.append(open);
    AppendHtmlEscaped(out, TrimBlanks(f.DisplayText()));
    out.append("</td>\r\n");
  };
  const Field& recNo = q.FieldByName("RecNo");
  const Field& name = q.FieldByName("Company_Name");
  const Field& addr = q.FieldByName("Location_Address");
  const Field& postal = q.FieldByName("Location_Address_Postal");
  const Field& area = q.FieldByName("TelAreaCode");
  const Field& tel = q.FieldByName("Telephone");
  const Field& toll = q.FieldByName("Toll_Free_Phone");
  const Field& fax = q.FieldByName("Fax");
  const Field& mail = q.FieldByName("Email");
  const Field& web = q.FieldByName("Website_URL");
  const Field& exporting = q.FieldByName("Exporting");
  const Field& year = q.FieldByName("Year_Established");
  const Field& staff = q.FieldByName("Number_of_Employees");
  WalkGuard walk(q);
  for (q.First(); !q.Eof(); q.Next()) {
    out.append("<tr>\r\n");
    cell("  <td class=\"num\">", recNo);
    cell("  <td class=\"strong\">", name);
    cell("  <td>", addr);
    cell("  <td class=\"nowrap\">", postal);
    cell("  <td class=\"nowrap\">", area);
    cell("  <td class=\"nowrap\">", tel);
    cell("  <td class=\"nowrap\">", toll);
    cell("  <td class=\"nowrap\">", fax);
    out.append("  <td><a href=\"mailto:");
    AppendHtmlEscaped(out, TrimBlanks(mail.DisplayText()));
    out.append("\">");
    AppendHtmlEscaped(out, TrimBlanks(mail.DisplayText()));
    out.append("</a></td>\r\n");
    cell("  <td>", web);
    cell("  <td>", exporting);
    cell("  <td class=\"num\">", year);
    cell("  <td class=\"num\">", staff);
    out.append("</tr>\r\n");
  }
  out.append(footer);
}

void BenchTemplate() {
  const int rows = 40000;
  Connection c;
  c.OpenMemory();
  FillCompanies(c, rows);
  Query q("Company_Q", &c);
  q.SetSQL("select * from Co order by Company_ID");
  q.DeclareFields(CompanyQueryFields());
  q.OnCalcFields = TDM::RecNoCalcFields;
  q.Open();

  std::string file = __FILE__;
  file = file.substr(0, file.rfind('/')) + "/../assets/Database/Company_Template.htm";
  const std::string text = ReadAll(file);
  TTextTemplate probe;
  if (text.empty() || !LoadTemplate(probe, file, tkDetail)) {
    std::printf("template %s not found\n", file.c_str());
    return;
  }
  const auto& master = probe.Masters[0].Master;
  std::string header, footer;
  for (const auto& p : master.Pieces) header += p.Text;
  for (const auto& p : master.Details[0].Tail) footer += p.Text;

  std::string engine, hand;
  const RenderOptions html{ValueEscaping::Html, {}};
  const double tEngine = Best(5, [&] {
    TTextTemplate t;
    LoadTemplate(t, file, tkDetail);  // parsing counts: it happens on every export
    ProcessTemplate(t, nullptr, nullptr, &q, nullptr, nullptr, engine, html);
  });
  const double tHand = Best(5, [&] { HandWritten(q, header, footer, hand); });
  std::printf("template %d rows   %8.1f ms   hand loop %8.1f ms   ratio %.2fx  (target <= 2.00x)  %s, %.1f MB\n",
              rows, tEngine * 1e3, tHand * 1e3, tEngine / tHand,
              engine == hand ? "same bytes" : "OUTPUTS DIFFER", engine.size() / 1048576.0);
}

}  // namespace

int main() {
  BenchSearch();
  BenchTemplate();
  return 0;
}
