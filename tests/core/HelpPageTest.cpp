#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "search/SearchBuilders.h"

namespace {

std::string HelpPage(const char* name = "orbisk_help.htm") {
  std::ifstream in(std::string(ORBISK_SOURCE_DIR "/assets/Help/") + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::set<std::string> Matches(const std::string& page, const char* pattern) {
  std::set<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(page.begin(), page.end(), re); it != std::sregex_iterator(); ++it)
    found.insert((*it)[1].str());
  return found;
}

size_t Count(const std::string& page, const std::string& what) {
  size_t n = 0;
  for (size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1)) ++n;
  return n;
}

// The words a reader reads: markup, code, samples and addresses taken out.
std::string ReadText(std::string page) {
  page = page.substr(page.find("<body>"));
  for (const char* block : {"<pre>[\\s\\S]*?</pre>", "<code>[\\s\\S]*?</code>", "<samp>[\\s\\S]*?</samp>",
                            "<a [^>]*>[^<]*</a>", "<[^>]*>"})
    page = std::regex_replace(page, std::regex(block), " ");
  return page;
}

}  // namespace

// The help page quotes the program's own messages as the program shows them,
// and says nothing the program no longer does.
TEST(HelpPage, AgreesWithTheProgram) {
  const std::string page = HelpPage();
  ASSERT_FALSE(page.empty());
  EXPECT_NE(page.find(orbisk::kEmployeesNeedNumber), std::string::npos);
  EXPECT_NE(page.find("\"Year Established\""), std::string::npos);
  // An apostrophe works in a search; an Access export to a new name creates the file.
  EXPECT_EQ(page.find("Do not type an apostrophe"), std::string::npos);
  EXPECT_EQ(page.find("Orbisk does not create the database"), std::string::npos);
  EXPECT_NE(page.find("creates a new database"), std::string::npos);
  // A bad number never reaches the database.
  EXPECT_EQ(page.find("refused with a database message when you search"), std::string::npos);
}

// Both pages: every link inside the page leads to a section of it, and the
// French one has every section of the English one.
TEST(HelpPage, FrenchPageHasEverySection) {
  const std::string english = HelpPage(), french = HelpPage("orbisk_help_fr.htm");
  ASSERT_FALSE(french.empty());
  for (const std::string* page : {&english, &french}) {
    const auto ids = Matches(*page, "id=\"([^\"]+)\"");
    for (const std::string& target : Matches(*page, "href=\"#([^\"]+)\""))
      EXPECT_TRUE(ids.count(target)) << "#" << target;
  }
  EXPECT_EQ(Matches(french, "id=\"([^\"]+)\""), Matches(english, "id=\"([^\"]+)\""));
  for (const char* tag : {"<h2", "<h3", "<table", "<dt>", "<li>"})
    EXPECT_EQ(Count(french, tag), Count(english, tag)) << tag;
  EXPECT_NE(french.find("<html lang=\"fr-CA\">"), std::string::npos);
  EXPECT_NE(french.find("Help/orbisk_help_fr.htm"), std::string::npos);
  // The option to ignore accents is told on both.
  for (const std::string* page : {&english, &french}) {
    EXPECT_NE(page->find("id=\"accents\""), std::string::npos);
    EXPECT_NE(page->find("--ignore-accents"), std::string::npos);
    EXPECT_NE(page->find("<em>Montreal</em> "), std::string::npos);
  }
  EXPECT_NE(english.find("Ignore accents"), std::string::npos);
}

// Canadian French terms, and no English term where a French one exists.
TEST(HelpPage, FrenchPageSpeaksCanadianFrench) {
  const std::string text = ReadText(HelpPage("orbisk_help_fr.htm"));
  for (const char* word : {"courriel", "télécopieur", "code postal", "indicatif régional", "site Web"})
    EXPECT_NE(text.find(word), std::string::npos) << word;
  for (const char* word : {"e-mail", "E-mail", "email", "Email", "fax", "Fax", "web site", "mél", "Search",
                           "Company", "Contact List", "area code"})
    EXPECT_EQ(text.find(word), std::string::npos) << word;
  EXPECT_EQ(ReadText(HelpPage()).find("télécopieur"), std::string::npos);  // the pages are not mixed up
}
