// Version table, memory figures and what the desktop opener is given.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "about/HelpTools.h"
#include "browse/ResultColumns.h"
#include "browse/ShellTarget.h"
#include "TestDirectory.h"

using namespace orbisk;

TEST(VersionText, TableRowByRow) {
  struct Row {
    VersionRecord v;
    const char* expected;
  } rows[] = {
      {{3, 11, 0, 0, ""}, "Windows 3.11 (Build 0)"},
      {{4, 0, 950, 1, ""}, "Windows 95 (Build 950)"},
      {{4, 10, 2222, 1, " A "}, "Windows 98 SE (Build 2222)"},
      {{4, 10, 1998, 1, "A"}, "Windows 98 (Build 1998)"},
      {{4, 10, 1998, 1, ""}, "Windows 98 (Build 1998)"},
      {{4, 90, 3000, 1, ""}, "Windows Millenium (Build 3000)"},
      {{4, 20, 1, 1, ""}, "Unknown Version (Build 1)"},
      {{4, 10, 0x0A0B0C0D, 1, ""}, "Windows 98 (Build 3085)"},  // low 16 bits only
      {{3, 51, 1057, 2, ""}, "Windows NT 3.51 (Build 1057)"},
      {{4, 0, 1381, 2, "Service Pack 6"}, "Windows NT 4.0 Service pack: Service Pack 6 (Build 1381)"},
      {{5, 0, 2195, 2, ""}, "Windows 2000 (Build 2195)"},
      {{5, 1, 2600, 2, ""}, "Windows XP (Build 2600)"},
      {{5, 1, 2600, 2, std::string("Service Pack 2\0junk", 19)}, "Windows XP Service pack: Service Pack 2 (Build 2600)"},
      {{5, 2, 3790, 2, "Service Pack 1"}, "Unknown Version Service pack: Service Pack 1 (Build 3790)"},
      {{6, 0, 6000, 2, ""}, "Unknown Version (Build 6000)"},
      {{10, 0, 19045, 2, ""}, "Unknown Version (Build 19045)"},
      {{6, 0, 0x12345678, 2, ""}, "Unknown Version (Build 22136)"},
      {{5, 1, 1, 3, "SP"}, "Unknown Platform (Build 1)"},
  };
  for (const Row& r : rows) EXPECT_EQ(GetWindowsVersionText(r.v), r.expected) << r.expected;
}

TEST(VersionText, ThisSystemFromOsRelease) {
  EXPECT_EQ(SystemVersionText("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
                              "6.1.0-18-amd64"),
            "Debian GNU/Linux 12 (bookworm) (Build 6.1.0-18-amd64)");
  EXPECT_EQ(SystemVersionText("PRETTY_NAME=Alpine", "5"), "Alpine (Build 5)");
  EXPECT_EQ(SystemVersionText("", "5"), "Linux (Build 5)");
  const std::string here = SystemVersionText();
  EXPECT_NE(here.find(" (Build "), std::string::npos);
  EXPECT_EQ(here.back(), ')');
}

namespace {

// Runs the program's locale set-up (setlocale from the environment, as the
// window toolkit does at start) under `name`, generating the locale when the
// system lacks it. Ok() is false when it cannot be had.
class UserLocale {
 public:
  explicit UserLocale(const char* name) {
    const char* was = std::getenv("LC_ALL");
    saved_ = was ? was : "";
    locale_t probe = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
    const std::string lang(name, std::strcspn(name, "."));
    if (!probe) {
      // Added to the system's locales where we may (as root); else into a
      // folder of our own, named by LOCPATH.
      const std::string cmd = "localedef -i " + lang + " -f UTF-8 " + name + " >/dev/null 2>&1";
      if (std::system(cmd.c_str()) == 0) probe = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
    }
    if (!probe) {
      const std::string cmd = "localedef -i " + lang + " -f UTF-8 " + folder_.Path() + name + " >/dev/null 2>&1";
      if (std::system(cmd.c_str()) != 0) return;
      setenv("LOCPATH", folder_.Path().c_str(), 1);
      probe = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
      if (!probe) return;
    }
    freelocale(probe);
    setenv("LC_ALL", name, 1);
    ok_ = std::setlocale(LC_ALL, "") != nullptr;
  }
  ~UserLocale() {
    setenv("LC_ALL", saved_.c_str(), 1);
    unsetenv("LOCPATH");
    std::setlocale(LC_ALL, "");
  }
  bool Ok() const { return ok_; }

 private:
  orbisk::testing::TempFolder folder_;
  std::string saved_;
  bool ok_ = false;
};

}  // namespace

TEST(MemoryText, CommaLocaleKeepsItsOwnSeparators) {
  UserLocale german("de_DE.UTF-8");
  if (!german.Ok()) GTEST_SKIP() << "the de_DE.UTF-8 locale is missing and localedef cannot make it";
  EXPECT_EQ(FormatNumber2(24683772.0), "24.683.772,00");
  EXPECT_EQ(FormatNumber2(1536.0 / 1024), "1,50");
  EXPECT_EQ(FormatNumber2(999.995), "1.000,00");
  // The machine's own figure: groups of three digits, a comma and two decimals.
  const std::string total = GetTotalMemoryText();
  ASSERT_GE(total.size(), 4u);
  EXPECT_EQ(total.substr(total.size() - 3, 1), ",") << total;
  EXPECT_EQ(total.find_first_not_of("0123456789.,"), std::string::npos) << total;
  EXPECT_EQ(std::count(total.begin(), total.end(), ','), 1) << total;
}

TEST(MemoryText, FormatsWithSeparators) {
  EXPECT_EQ(FormatNumber2(262144, ",", "."), "262,144.00");
  EXPECT_EQ(FormatNumber2(1536.0 / 1024, ",", "."), "1.50");
  EXPECT_EQ(FormatNumber2(0, ",", "."), "0.00");
  EXPECT_EQ(FormatNumber2(999.995, ",", "."), "1,000.00");  // rounds before grouping
  EXPECT_EQ(FormatNumber2(123, ",", "."), "123.00");
  EXPECT_EQ(FormatNumber2(1234567.891, "\xE2\x80\xAF", ","), "1\xE2\x80\xAF" "234\xE2\x80\xAF" "567,89");
  EXPECT_EQ(FormatNumber2(16777216.0, "", "."), "16777216.00");
  // Beyond 32 bits: a machine with 64 GiB.
  EXPECT_EQ(FormatNumber2(67108864.0, ",", "."), "67,108,864.00");
}

TEST(MemoryText, ReadsMeminfo) {
  const char* info = "MemTotal:       16315084 kB\nMemFree:  100 kB\nMemAvailable:   9000000 kB\n";
  EXPECT_EQ(MemInfoKilobytes(info, "MemTotal"), 16315084);
  EXPECT_EQ(MemInfoKilobytes(info, "MemAvailable"), 9000000);
  EXPECT_EQ(MemInfoKilobytes(info, "Mem"), -1);
  EXPECT_EQ(MemInfoKilobytes(info, "SwapTotal"), -1);
  EXPECT_FALSE(GetTotalMemoryText().empty());
  EXPECT_NE(GetFreeMemoryText().find_first_of("123456789"), std::string::npos);
}

TEST(ShellTargets, WhatIsOpened) {
  using K = ShellTarget::Kind;
  auto is = [](std::string_view in, K kind, const std::string& text) {
    ShellTarget t = ShellOpenTarget(in);
    EXPECT_EQ(t.kind, kind) << in;
    EXPECT_EQ(t.text, text) << in;
  };
  is("mailto:ann@prairie.ca", K::Url, "mailto:ann@prairie.ca");
  is("https://www.orbisk.ca/products.htm", K::Url, "https://www.orbisk.ca/products.htm");
  is("HTTP://Example.com", K::Url, "HTTP://Example.com");
  is("www.prairie.ca", K::Url, "http://www.prairie.ca");
  is("WWW.prairie.ca", K::Url, "http://WWW.prairie.ca");
  is("", K::None, "");
  is("   ", K::None, "");
  is("javascript:alert(1)", K::None, "");
  is("/bin/sh", K::None, "");               // a program is never run
  is("file:///bin/sh", K::None, "");
  is("/bin/sh -c 'rm -rf ~'", K::File, "/bin/sh -c 'rm -rf ~'");  // not split: one (missing) file name
}

TEST(ShellTargets, AddressesWithoutSchemeGetHttp) {
  // Stored values that read as a host name, with or without a path, open as web pages.
  const std::pair<const char*, const char*> opened[] = {
      {"example.com", "http://example.com"},
      {"orbisk.ca/products", "http://orbisk.ca/products"},
      {"  prairie.ca  ", "http://prairie.ca"},
      {"Prairie-Farms.on.CA", "http://Prairie-Farms.on.CA"},
      {"shop.example.com/a/b.htm?x=1#top", "http://shop.example.com/a/b.htm?x=1#top"},
      {"example.com/", "http://example.com/"},
      {"3m.com", "http://3m.com"},
      {"192.168.0.10/admin", "http://192.168.0.10/admin"},
      {"calc.exe", "http://calc.exe"},  // a web address, never a program run here
  };
  for (const auto& [in, url] : opened) {
    const ShellTarget t = ShellOpenTarget(in);
    EXPECT_EQ(t.kind, ShellTarget::Kind::Url) << in;
    EXPECT_EQ(t.text, url) << in;
  }
  // Anything else still opens nothing.
  const char* refused[] = {
      "example",                 // no dot
      "example com",             // a blank
      "example.com/my page.htm", // a blank in the path
      "relative/path.htm",       // a path: no dot before the first slash
      "Help/orbisk_help.htm",
      "./run.sh",
      "../etc/passwd",
      ".example.com",            // empty label
      "example..com",
      "example.com.",
      "-example.com",            // a label starting or ending with a hyphen
      "example-.com",
      "exa_mple.com",            // not a host name character
      "example.com:8080",        // no ports without a scheme
      "user@example.com",        // an e-mail is not a web address
      "3.14",                    // a number, not a name
      "1.2.3",
      "ex\u00e9mple.ca",
      "example.com/\tx",
      "c:\\windows\\calc.exe",
      "~/notes.txt",
  };
  for (const char* in : refused) {
    EXPECT_EQ(ShellOpenTarget(in).kind, ShellTarget::Kind::None) << in;
    EXPECT_FALSE(ReadsAsHostName(in)) << in;
  }
  // A label of 63 characters is a host name; one of 64 is not.
  EXPECT_TRUE(ReadsAsHostName(std::string(63, 'a') + ".ca"));
  EXPECT_FALSE(ReadsAsHostName(std::string(64, 'a') + ".ca"));
}

TEST(ShellTargets, HelpPageOpensWhateverItsModeBits) {
  orbisk::testing::TempFolder dir;
  std::filesystem::create_directories(dir.Path() + "help");
  const std::string page = dir.Path() + "help/ORBISK_HELP.htm";  // found ignoring case
  std::ofstream(page) << "<html></html>";
  chmod(page.c_str(), 0777);  // as every file on a FAT or NTFS mount
  const ShellTarget t = HelpPageTarget(dir.Path());
  EXPECT_EQ(t.kind, ShellTarget::Kind::File);
  EXPECT_EQ(t.text, page);
  // The folder given without its trailing slash builds the same path.
  EXPECT_EQ(HelpPageTarget(dir.Path().substr(0, dir.Path().size() - 1)).text, page);
  // The same file named by directory data stays refused.
  EXPECT_EQ(ShellOpenTarget(page).kind, ShellTarget::Kind::None);
  EXPECT_EQ(ShellOpenTarget("file://" + page).kind, ShellTarget::Kind::None);
}

TEST(ShellTargets, FilesWithBlanksOpenWhole) {
  orbisk::testing::TempFolder dir;
  const std::string page = dir.Path() + "My Help/orbisk help.htm";
  std::filesystem::create_directories(dir.Path() + "My Help");
  std::ofstream(page) << "<html></html>";
  ShellTarget t = ShellOpenTarget(page);
  EXPECT_EQ(t.kind, ShellTarget::Kind::File);
  EXPECT_EQ(t.text, page);
  const std::string script = dir.Path() + "run.desktop";
  std::ofstream(script) << "[Desktop Entry]";
  EXPECT_EQ(ShellOpenTarget(script).kind, ShellTarget::Kind::None);
  const std::string program = dir.Path() + "tool";
  std::ofstream(program) << "#!/bin/sh";
  chmod(program.c_str(), 0755);
  EXPECT_EQ(ShellOpenTarget(program).kind, ShellTarget::Kind::None);
  EXPECT_EQ(ShellOpenTarget(dir.Path()).kind, ShellTarget::Kind::File);  // a folder opens in the file manager
}

TEST(ShellTargets, WrittenFileKeepsItsNameAsTyped) {
  using K = ShellTarget::Kind;
  orbisk::testing::TempFolder dir;
  std::ofstream(dir.Path() + "list.csv ") << "a";
  // Blanks belong to the name; a leading "www." or "http" is a file here, not a web address.
  EXPECT_EQ(WrittenFileTarget(dir.Path() + "list.csv ", "/elsewhere").text, dir.Path() + "list.csv ");
  ShellTarget relative = WrittenFileTarget(" www.example.htm", dir.Path());
  EXPECT_EQ(relative.kind, K::File);
  EXPECT_EQ(relative.text, dir.Path() + " www.example.htm");
  EXPECT_EQ(WrittenFileTarget("http.csv", "/tmp").text, "/tmp/http.csv");
  EXPECT_EQ(WrittenFileTarget("", "/tmp").kind, K::None);
  const std::string program = dir.Path() + "export.sh";
  std::ofstream(program) << "#!/bin/sh";
  chmod(program.c_str(), 0755);
  EXPECT_EQ(WrittenFileTarget("export.sh", dir.Path()).kind, K::None);
}

TEST(ShellTargets, LinkCellsMailOrOpenAsStoredOthersNothing) {
  EXPECT_EQ(ShellTargetForCell(CellLink::Mail, "info@prairie.ca"), "mailto:info@prairie.ca");
  EXPECT_EQ(ShellTargetForCell(CellLink::Web, "www.prairie.ca"), "www.prairie.ca");  // no scheme added here
  EXPECT_EQ(ShellTargetForCell(CellLink::Mail, ""), "");
  EXPECT_EQ(ShellTargetForCell(CellLink::Web, ""), "");
  EXPECT_EQ(ShellTargetForCell(CellLink::None, "info@prairie.ca"), "");
  // The column tables make links of the mail and web fields alone, names compared exactly.
  for (const auto* table : {&CompanyResultColumns(), &ContactResultColumns()})
    for (const ResultColumn& c : *table) {
      const CellLink want =
          c.field == "Email" ? CellLink::Mail : (c.field == "Website_URL" ? CellLink::Web : CellLink::None);
      EXPECT_EQ(c.link, want) << c.field;
      EXPECT_GT(c.widthChars, 0) << c.field;
    }
}
