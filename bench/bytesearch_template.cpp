// Byte search and template rendering against peers measured in the same run:
//   FindForward        vs glibc memmem             (16-byte marker, 1 MB of HTML)
//   FindForwardNoCase  vs a naive case-folding scan
//   the company template over 40,000 rows vs a hand-written loop printing the same bytes
#include <string.h>

#include <algorithm>

#include <cstdio>
#include <random>
#include <string>

#include "BenchUtil.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/uDM.h"
#include "export/TemplateProccessor.h"
#include "strutil/ByteSearch.h"
#include "strutil/TextUtil.h"

using namespace orbisk;

namespace {

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

int BenchSearch(int runs) {
  std::mt19937 rng(1);
  std::string text = HtmlMegabyte(rng);
  const std::string marker = "<!--#DetailBegin";  // 16 bytes
  text += marker + "-->";  // found only at the very end
  const int reps = runs > 1 ? 50 : 1;
  const double mb = static_cast<double>(text.size()) * reps / (1 << 20);

  size_t ours = 0, theirs = 0;
  auto p = bench::BestOf(
      runs,
      [&] {
        for (int i = 0; i < reps; ++i) ours = FindForward(text, marker, text.size(), marker.size(), 1);
      },
      [&] {
        for (int i = 0; i < reps; ++i) {
          const void* hit = memmem(text.data(), text.size(), marker.data(), marker.size());
          theirs = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) + 1 : 0;
        }
      });
  std::printf("FindForward %.0f MB/s, memmem %.0f MB/s: %.2fx its throughput (target >= 0.80x)%s\n", mb / p.ours,
              mb / p.peer, p.peer / p.ours, ours == theirs ? "" : "  RESULTS DIFFER");
  bench::Report("FindForward, 16-byte marker in 1 MB of HTML, vs memmem", p, 1.25);

  const std::string upperMarker = "<!--#DETAILBEGIN";
  size_t fold = 0, naive = 0;
  p = bench::BestOf(
      std::max(1, runs / 2),
      [&] {
        for (int i = 0; i < reps; ++i)
          fold = FindForwardNoCase(text, upperMarker, text.size(), upperMarker.size(), 1);
      },
      [&] {
        for (int i = 0; i < reps; ++i) naive = NaiveNoCase(text, upperMarker);
      });
  std::printf("FindForwardNoCase %.0f MB/s, naive case-folding scan %.0f MB/s: %.1fx faster%s\n", mb / p.ours,
              mb / p.peer, p.peer / p.ours, fold == naive ? "" : "  RESULTS DIFFER");
  bench::Report("FindForwardNoCase vs a naive case-folding scan", p, 1.0);
  return ours == theirs && fold == naive ? 0 : 1;
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
    cell("  <td class=\"strong wide\">", name);
    cell("  <td class=\"wide\">", addr);
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

int BenchTemplate(int rows, int runs) {
  Connection c;
  c.SetConnectionString("Data Source=" + bench::GeneratedDirectory(rows));
  Query q("Company_Q", &c);
  q.SetSQL("select top " + std::to_string(rows) + " Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,"
           "Telephone,Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees"
           " from Company_Info order by Company_Name");
  q.DeclareFields(CompanyQueryFields());
  q.OnCalcFields = TDM::RecNoCalcFields;
  q.Open();

  // The template the build puts beside the programs (a path from __FILE__ is
  // relative to wherever the compiler ran).
  const std::string file = bench::ProgramFolder() + "Database/Company_Template.htm";
  TTextTemplate probe;
  if (!LoadTemplate(probe, file, tkDetail)) {
    std::printf("template %s not found\n", file.c_str());
    return 1;
  }
  // The hand loop prints the template's own text around the rows.
  const auto& master = probe.Masters[0].Master;
  std::string header, footer;
  for (const auto& piece : master.Pieces) header += piece.Text;
  for (const auto& piece : master.Details[0].Tail) footer += piece.Text;

  std::string engine, hand;
  const RenderOptions html{ValueEscaping::Html, {}, {}};
  auto p = bench::BestOf(
      runs,
      [&] {
        TTextTemplate t;
        LoadTemplate(t, file, tkDetail);  // parsing counts: every export parses
        ProcessTemplate(t, nullptr, nullptr, &q, nullptr, nullptr, engine, html);
      },
      [&] { HandWritten(q, header, footer, hand); });
  std::printf("%d rows, %.1f MB of HTML, %s\n", q.RecordCount(), engine.size() / 1048576.0,
              engine == hand ? "same bytes as the hand loop" : "OUTPUT DIFFERS FROM THE HAND LOOP");
  const std::string what = "company template over " + std::to_string(q.RecordCount()) + " rows vs a hand-written loop";
  bench::Report(what.c_str(), p, 2.0);
  return engine == hand ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = static_cast<int>(bench::Option(argc, argv, "--companies", 40000));
  const int runs = static_cast<int>(bench::Option(argc, argv, "--runs", 7));
  const int searched = BenchSearch(runs);
  return BenchTemplate(rows, std::min(runs, 5)) | searched;
}
