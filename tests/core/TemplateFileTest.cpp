// The template engine's output file: written as the page is rendered, the
// same page as rendering in memory, and UTF-8 for the HTML export whatever the
// locale's character set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ExportSupport.h"
#include "export/TemplateProccessor.h"
#include "export/TextFile.h"
#include "export/db2csv.h"

using namespace orbisk;
using namespace orbisk::testing;
namespace fs = std::filesystem;

namespace {

// Bytes of the hidden temporary files in a folder.
uintmax_t HiddenBytes(const std::string& folder) {
  uintmax_t bytes = 0;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string()[0] == '.') bytes += e.file_size();
  return bytes;
}

TEST(TemplateFile, ThePageGoesToTheFileWhileItIsRendered) {
  MemoryQuery many(ManyRowsSetup(2000), "select id, name from Big order by id");
  TempFolder dir;
  const std::string tmplFile = dir.Path() + "t.htm";
  const std::string body = "<tr><td>{$id}</td><td>{$name}</td><td>" + std::string(200, '.') + "</td></tr>";
  WriteFile(tmplFile, "<table>\r\n<!--#DetailBegin-->" + body + "\r\n<!--#DetailEnd--></table>\r\n");
  fs::create_directories(dir.Path() + "out");
  const std::string target = dir.Path() + "out/page.htm";
  WriteFile(target, "the page before");

  uintmax_t onDiskAt512 = 0;
  std::string targetAt512;
  ExportHtmlByTemplate(many.q, tmplFile, target, [&](const ProgressStep& step) {
    if (step.done != 512) return true;
    onDiskAt512 = HiddenBytes(dir.Path() + "out");
    targetAt512 = ReadFile(target);
    return true;
  });
  // A quarter of the way the temporary file holds the rows but the last
  // (at most 64 KB) piece; the target is untouched.
  const uintmax_t rowBytes = body.size() - 2 * 5 + 4 + 8;  // tokens give "id" and "row id"
  EXPECT_GE(onDiskAt512 + (1u << 16), 512 * rowBytes);
  EXPECT_GT(onDiskAt512, 0u);
  EXPECT_EQ(targetAt512, "the page before");

  // The same page as rendered in memory, plus the closing CR LF.
  TTextTemplate tmpl;
  ASSERT_TRUE(LoadTemplate(tmpl, tmplFile, tkDetail));
  std::string inMemory;
  ProcessTemplate(tmpl, nullptr, nullptr, &many.q, nullptr, nullptr, inMemory,
                  RenderOptions{ValueEscaping::Html, {}, {}});
  EXPECT_GT(inMemory.size(), 4u << 16);
  EXPECT_EQ(ReadFile(target), inMemory + "\r\n");
  EXPECT_EQ(FilesIn(dir.Path() + "out"), std::vector<std::string>{"page.htm"});
}

TEST(TemplateFile, ATemplateErrorOrAStopWritesNothing) {
  MemoryQuery many(ManyRowsSetup(600), "select id, name from Big order by id");
  TempFolder dir;
  const std::string target = dir.Path() + "page.htm";
  WriteFile(target, "old page");
  WriteFile(dir.Path() + "bad.htm", "head <!--#DetailBegin=x7-->{$id}<!--#DetailEnd-->");
  EXPECT_THROW(ExportHtmlByTemplate(many.q, dir.Path() + "bad.htm", target), std::runtime_error);
  WriteFile(dir.Path() + "good.htm", "<!--#DetailBegin-->{$name}" + std::string(1000, ' ') + "x<!--#DetailEnd-->");
  // 600 rows of 1 KB: the stop comes after several pieces went to the temporary file.
  EXPECT_THROW(ExportHtmlByTemplate(many.q, dir.Path() + "good.htm", target, FailingProgress), std::runtime_error);
  EXPECT_EQ(ReadFile(target), "old page");
  EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"bad.htm", "good.htm", "page.htm"}));
}

// A Latin-1 locale, added to the system's locales when it is missing (which
// takes root). A locale compiled into a folder of our own and found through
// LOCPATH would do without root, but glibc leaks its search path on every
// newlocale() then, which the leak checker of the sanitizer build reports.
class Latin1Locale {
 public:
  // Asked of `locale -a` first: this process must not look at the locales
  // before they are complete, since glibc keeps the archive it saw.
  Latin1Locale() : all_("LC_ALL", kName) {
    if (std::system("locale -a 2>/dev/null | grep -qix 'fr_CA.iso88591'") == 0) return;
    const std::string cmd = std::string("localedef -i fr_CA -f ISO-8859-1 ") + kName + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) why_ = "localedef could not add " + std::string(kName);
  }
  bool Ok() const { return LocaleCodeset() == "ISO-8859-1"; }
  const std::string& WhyNot() const { return why_; }

 private:
  static constexpr const char* kName = "fr_CA.ISO-8859-1";
  ScopedEnv all_;
  std::string why_ = "the locale was added but does not name ISO-8859-1";
};

TEST(TemplateFile, HtmlIsUtf8UnderALatin1Locale) {
  Latin1Locale latin1;
  if (!latin1.Ok()) GTEST_SKIP() << "no ISO-8859-1 locale: " << latin1.WhyNot();
  MemoryQuery q("CREATE TABLE Co (name TEXT); INSERT INTO Co VALUES ('Béton ltée'), ('Zoé & fils');",
                "select name from Co");
  TempFolder dir;
  // A UTF-8 template, as the shipped ones, with a letter of its own.
  WriteFile(dir.Path() + "t.htm",
            "<meta charset=\"utf-8\"><h1>Sociétés</h1><!--#DetailBegin--><p>{$name}</p><!--#DetailEnd-->");
  ExportHtmlByTemplate(q.q, dir.Path() + "t.htm", dir.Path() + "page.htm");
  EXPECT_EQ(ReadFile(dir.Path() + "page.htm"),
            "<meta charset=\"utf-8\"><h1>Soci\xC3\xA9t\xC3\xA9s</h1><p>B\xC3\xA9ton lt\xC3\xA9" "e</p>"
            "<p>Zo\xC3\xA9 &amp; fils</p>\r\n\r\n");
  // A template written in the locale's own set is still read right.
  WriteFile(dir.Path() + "l1.htm", "<h1>Soci\xE9t\xE9s</h1><!--#DetailBegin-->{$name};<!--#DetailEnd-->");
  ExportHtmlByTemplate(q.q, dir.Path() + "l1.htm", dir.Path() + "l1-page.htm");
  EXPECT_EQ(ReadFile(dir.Path() + "l1-page.htm"),
            "<h1>Soci\xC3\xA9t\xC3\xA9s</h1>B\xC3\xA9ton lt\xC3\xA9" "e;Zo\xC3\xA9 &amp; fils;\r\n\r\n");
  // The text writers keep the locale's set.
  ExportToCSV(q.q, dir.Path() + "list.csv", CsvOptions{.longestText = 8000, .header = false, .progress = {}});
  EXPECT_EQ(ReadFile(dir.Path() + "list.csv"), "\"B\xE9ton lt\xE9" "e\"\r\n\"Zo\xE9 & fils\"\r\n");
}

}  // namespace
