#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/uDM.h"
#include "export/TemplateProccessor.h"
#include "export/TextFile.h"

using namespace orbisk;
using orbisk::testing::Exec;
using orbisk::testing::TempFolder;

namespace {

// Three companies in the shape of the company result, plus a memo column.
class CompanyResult {
 public:
  explicit CompanyResult(bool withRows = true) {
    c_.OpenMemory();
    Exec(c_.Handle(),
         "CREATE TABLE Co (Company_ID INTEGER, Company_Name TEXT, Location_Address TEXT,"
         " Location_Address_Postal TEXT, TelAreaCode TEXT, Telephone TEXT, Toll_Free_Phone TEXT, Fax TEXT,"
         " Email TEXT, Website_URL TEXT, Exporting TEXT, Year_Established SMALLINT,"
         " Number_of_Employees SMALLINT, Notes TEXT)");
    if (withRows)
      Exec(c_.Handle(),
           "INSERT INTO Co VALUES"
           " (11, 'Prairie Bank Ltd', '  100 Main St, Winnipeg' || char(9,13,10), 'R3C 1A1', '204',"
           "  '(204) 555-0101', NULL, NULL, 'info@prairie.ca', 'www.prairie.ca', 'Yes', 1950, 120,"
           "  '  Line one' || char(13,10) || 'Line two  '),"
           " (12, 'Smith & Sons <Tools>', '5 \"Quoted\" Rd', 'H2X 1Y4', '514', NULL, NULL, NULL, NULL, NULL,"
           "  'No', NULL, 40, NULL),"
           " (13, 'O''Brien Québec', '7 King St', 'M5H 2N2', '416', NULL, NULL, NULL, '', NULL, 'No', 2001,"
           "  8, NULL)");
    q_.SetConnection(&c_);
    q_.SetSQL("select * from Co order by Company_ID");
    auto defs = CompanyQueryFields();
    defs.push_back({"Notes", ftMemo, 0, 0, 0, false, {}});
    q_.DeclareFields(defs);
    q_.OnCalcFields = TDM::RecNoCalcFields;
    q_.Open();
    q_.AddObserver([this](Query&, QueryEvent e) { events_.push_back(e); });
  }
  Query& Q() { return q_; }
  std::vector<QueryEvent>& Events() { return events_; }

 private:
  Connection c_;
  Query q_{"Company_Q"};
  std::vector<QueryEvent> events_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Exports q through a template text and returns the file written.
std::string Export(Query& q, const std::string& templ, bool html = false) {
  TempFolder dir;
  WriteFile(dir.Path() + "t.htm", templ);
  const std::string out = dir.Path() + "out.htm";
  if (html)
    ExportHtmlByTemplate(q, dir.Path() + "t.htm", out);
  else
    ExportByTemplate(q, dir.Path() + "t.htm", out);
  return ReadFile(out);
}

TTextTemplate Parsed(const std::string& text, int kind) {
  TTextTemplate t;
  ParseTemplate(t, text, kind);
  return t;
}

}  // namespace

TEST(TemplateRender, ExportRepeatsTheDetailBlockPerRow) {
  CompanyResult r;
  const std::string out = Export(
      r.Q(),
      "<h>{$Company_Name}{$RecNo}</h>\n"
      "<!--#DetailBegin-->{$RecNo}|{$company_name width=40}|{$Location_Address}|{$Email}|"
      "{$RowType}|{$Unknown}|{$}|{$DetailBegin}|{$Year_Established}\n<!--#DetailEnd-->"
      "<t>{$Company_Name}</t>");
  EXPECT_EQ(out,
            "<h></h>\r\n"
            "1|Prairie Bank Ltd|100 Main St, Winnipeg|info@prairie.ca|||||1950\r\n"
            "2|Smith & Sons <Tools>|5 \"Quoted\" Rd||||||\r\n"
            "3|O'Brien Québec|7 King St||||||2001\r\n"
            "<t></t>\r\n\r\n");
}

TEST(TemplateRender, HtmlExportEscapesValuesButNotTemplateText) {
  CompanyResult r;
  const std::string templ = "<p a=\"&\"><!--#DetailBegin=0--><td title=\"{$Location_Address}\">{$Company_Name}</td>"
                            "<!--#DetailEnd--></p>";
  const std::string html = Export(r.Q(), templ, true);
  EXPECT_EQ(html,
            "<p a=\"&\"><td title=\"100 Main St, Winnipeg\">Prairie Bank Ltd</td>"
            "<td title=\"5 &quot;Quoted&quot; Rd\">Smith &amp; Sons &lt;Tools&gt;</td>"
            "<td title=\"7 King St\">O&#39;Brien Québec</td></p>\r\n\r\n");
  // The engine's own mode copies values unchanged.
  const std::string raw = Export(r.Q(), templ);
  EXPECT_NE(raw.find("Smith & Sons <Tools>"), std::string::npos);
  EXPECT_NE(raw.find("O'Brien"), std::string::npos);
}

TEST(TemplateRender, BlocksBindByTag) {
  CompanyResult r;
  EXPECT_EQ(Export(r.Q(), "<!--#DetailBegin=0-->{$RecNo}<!--#DetailEnd-->a<!--#DetailBegin=7-->{$RecNo}"
                          "<!--#DetailEnd-->b{$RecNo}<!--#DetailBegin-->{$Company_ID}<!--#DetailEnd--><!--#"
                          "DetailBegin-->{$RecNo},<!--#DetailEnd-->"),
            "123ab1112131,2,3,\r\n\r\n");
  r.Q().SetTag(7);  // now only the block named 7 binds
  EXPECT_EQ(Export(r.Q(), "<!--#DetailBegin=0-->{$RecNo}<!--#DetailEnd-->a<!--#DetailBegin=7-->{$RecNo}"
                          "<!--#DetailEnd-->b"),
            "a123b\r\n\r\n");
}

TEST(TemplateRender, EmptyResultsAndTemplates) {
  CompanyResult empty(false);
  EXPECT_EQ(Export(empty.Q(), "head\n<!--#DetailBegin-->row {$RecNo}\n<!--#DetailEnd-->tail"),
            "head\r\ntail\r\n\r\n");
  CompanyResult r;
  EXPECT_EQ(Export(r.Q(), "no block {$Company_Name}."), "no block .\r\n\r\n");
  EXPECT_EQ(Export(r.Q(), ""), "\r\n");
  EXPECT_EQ(Export(r.Q(), "\r\n"), "\r\n\r\n");
}

TEST(TemplateRender, MemoAndTrimmedValues) {
  CompanyResult r;
  EXPECT_EQ(Export(r.Q(), "<!--#DetailBegin-->[{$Notes}]<!--#DetailEnd-->"),
            "[Line one\r\nLine two][][]\r\n\r\n");
}

TEST(TemplateRender, DatasetIsBackOnItsRowAfterTheExport) {
  CompanyResult r;
  r.Q().MoveTo(2);
  r.Events().clear();
  long long reported = 0, reports = 0;
  TempFolder dir;
  WriteFile(dir.Path() + "t.htm", "<!--#DetailBegin-->{$RecNo}<!--#DetailEnd--><!--#DetailBegin-->x<!--#DetailEnd-->");
  ExportHtmlByTemplate(r.Q(), dir.Path() + "t.htm", dir.Path() + "o.htm",
                       [&](const ProgressStep& step) {
                         reported = step.done, ++reports;
                         return true;
                       });
  EXPECT_EQ(reported, 6);  // two blocks over three rows, told once at the end
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(r.Q().RecNo(), 2);
  EXPECT_FALSE(r.Q().ControlsDisabled());
  // Bound controls heard nothing of the walk but its bounds.
  EXPECT_EQ(r.Events(), (std::vector<QueryEvent>{QueryEvent::WalkBegan, QueryEvent::WalkEnded}));
}

TEST(TemplateRender, TemplateErrorsTouchNeitherDatasetNorFile) {
  CompanyResult r;
  r.Q().MoveTo(3);
  r.Events().clear();
  TempFolder dir;
  const std::string out = dir.Path() + "out.htm";
  WriteFile(out, "previous export");
  WriteFile(dir.Path() + "bad.htm", "<!--#DetailBegin=x7-->{$RecNo}<!--#DetailEnd-->");
  try {
    ExportByTemplate(r.Q(), dir.Path() + "bad.htm", out);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "'x7' is not a valid integer value");
  }
  try {
    ExportHtmlByTemplate(r.Q(), dir.Path() + "missing.htm", dir.Path() + "new.htm");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Template file not found: " + dir.Path() + "missing.htm");
  }
  EXPECT_EQ(ReadFile(out), "previous export");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() + "new.htm"));
  EXPECT_EQ(r.Q().RecNo(), 3);
  EXPECT_TRUE(r.Events().empty());
  // No temporary file is left behind either.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(TemplateRender, ParameterLinesNumberTheRows) {
  CompanyResult r;
  TStringList params;
  params.Add("Title=Companies");
  std::string out;
  TTextTemplate t = Parsed("{$Title}:<!--#DetailBegin-->{$RecNo}{$RowType}/{$Title};<!--#DetailEnd-->"
                           "{$RowType}",
                           1);
  ProcessTemplate(t, nullptr, &params, &r.Q(), nullptr, nullptr, out);
  // The tail still sees the last row's lines; they go once the block is done.
  EXPECT_EQ(out, "Companies:1OddRow/Companies;2EvenRow/Companies;3OddRow/Companies;OddRow");
  ASSERT_EQ(params.Count(), 1);
  EXPECT_EQ(params[0], "Title=Companies");

  // Every list a block numbered is cleaned, not only the last block's.
  CompanyResult other;
  other.Q().SetTag(4);
  TStringList second;
  TTemplateDataSource source;
  source.MasterSources = {{nullptr, nullptr}};
  source.DetailSources = {{&r.Q(), &params}, {&other.Q(), &second}};
  t = Parsed("<!--#DetailBegin-->a<!--#DetailEnd--><!--#DetailBegin=4-->{$RowType}<!--#DetailEnd-->", 1);
  RenderTemplate(t, source, out);
  EXPECT_EQ(out, "aaaOddRowEvenRowOddRow");
  EXPECT_EQ(params.Count(), 1);
  EXPECT_EQ(second.Count(), 0);

  // Without a second detail dataset only the first binds; absent first means none.
  t = Parsed("<!--#DetailBegin-->{$RecNo}<!--#DetailEnd-->", 1);
  ProcessTemplate(t, nullptr, nullptr, nullptr, &r.Q(), nullptr, out);
  EXPECT_EQ(out, "");
}

TEST(TemplateRender, MasterBlocksRepeatOrNot) {
  CompanyResult master, detail;
  master.Q().SetTag(1);
  detail.Q().SetTag(2);
  TStringList params;
  TTemplateDataSource source;
  source.MasterSources = {{nullptr, nullptr}, {&master.Q(), &params}};
  source.DetailSources = {{&detail.Q(), nullptr}};
  TTextTemplate t = Parsed(
      "H{$RecNo}|<!--#MasterBegin=1 Repeat-->{$RecNo}{$RowType}:<!--#DetailBegin=2-->{$Company_ID}"
      "<!--#DetailEnd-->;<!--#MasterEnd-->T|<!--#MasterBegin=1-->{$Company_Name}<!--#MasterEnd-->"
      "U|<!--#MasterBegin=5-->never<!--#MasterEnd-->gone",
      2);
  master.Q().MoveTo(2);
  std::string out;
  RenderTemplate(t, source, out);
  EXPECT_EQ(out, "H|1OddRow:111213;2EvenRow:111213;3OddRow:111213;T|Prairie Bank LtdU|");
  EXPECT_EQ(master.Q().RecNo(), 2);
  EXPECT_EQ(params.Count(), 0);
}

TEST(TemplateRender, FindSourceByName) {
  CompanyResult a, b;
  b.Q().SetTag(3);
  std::vector<TSourceItem> items = {{nullptr, nullptr}, {&a.Q(), nullptr}, {&b.Q(), nullptr}};
  EXPECT_EQ(FindSourceByName("", items), &items[1]);
  EXPECT_EQ(FindSourceByName("0", items), &items[1]);
  EXPECT_EQ(FindSourceByName("3", items), &items[2]);
  EXPECT_EQ(FindSourceByName("+3", items), &items[2]);
  EXPECT_EQ(FindSourceByName("4", items), nullptr);
  EXPECT_EQ(FindSourceByName("x", items), nullptr);
  a.Q().SetTag(3);
  EXPECT_EQ(FindSourceByName("3", items), &items[1]);  // first in order
}

TEST(TemplateRender, PiecesWithoutDataset) {
  TStringList params;
  params.Add("Name=<b>");
  std::string out = "stale";
  RenderPieces(ParseTextPieces("a{$name}{$Other}c"), {nullptr, &params}, out);
  EXPECT_EQ(out, "a<b>c");
  RenderPieces(ParseTextPieces("a{$name}c"), {nullptr, &params}, out, ValueEscaping::Html);
  EXPECT_EQ(out, "a&lt;b&gt;c");
  RenderPieces(ParseTextPieces("a{$name}c"), {}, out);
  EXPECT_EQ(out, "ac");
}

TEST(TemplateRender, TemplatesAreReadInTheirCharacterSet) {
  EXPECT_EQ(DecodeText("Qu\xE9" "bec", "ISO-8859-1"), "Québec");
  EXPECT_EQ(DecodeText("a\xFF" "b", "UTF-8"), "a\xFF" "b");  // UTF-8 files pass unchanged
  EXPECT_EQ(DecodeText("a\x81" "b", "CP1252"), "a\xEF\xBF\xBD" "b");  // no character at 0x81
}

TEST(TemplateRender, ShippedTemplatesNameOnlyFieldsOfTheirQuery) {
  const std::pair<const char*, std::vector<FieldDef>> shipped[] = {
      {"Company_Template.htm", CompanyQueryFields()}, {"Contact_Template.htm", ContactQueryFields()}};
  for (const auto& [file, fields] : shipped) {
    SCOPED_TRACE(file);
    TTextTemplate t;
    ASSERT_TRUE(LoadTemplate(t, std::string(ORBISK_SOURCE_DIR) + "/assets/Database/" + file, tkDetail));
    const TMasterRecord& m = t.Masters[0].Master;
    ASSERT_EQ(m.Details.size(), 1u);
    EXPECT_TRUE(m.Details[0].Detail.Name.empty() || m.Details[0].Detail.Name == "0");
    // Tokens outside the row would always be empty in the export.
    for (const auto* pieces : {&m.Pieces, &m.Details[0].Tail})
      for (const auto& p : *pieces) EXPECT_EQ(p.Kind, 0) << p.FieldName;
    int tokens = 0;
    for (const auto& p : m.Details[0].Detail.Pieces) {
      if (p.Kind != 1) continue;
      ++tokens;
      bool known = false;
      for (const auto& f : fields) known = known || f.name == p.FieldName;
      EXPECT_TRUE(known) << p.FieldName;
    }
    EXPECT_GE(tokens, 9);
    EXPECT_EQ(m.Details[0].Detail.Pieces[1].FieldName, "RecNo");  // the first cell
  }
}
