// The lines orbisk-import writes and the program reads back, and the
// launcher's reading of an importer that writes damaged lines.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "TestDirectory.h"
#include "data/DirectoryImport.h"
#include "data/ImportProtocol.h"

using namespace orbisk;
using namespace orbisk::importer;
using orbisk::testing::TempFolder;

namespace {

bool IsValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

std::string WithoutBreak(const std::string& line) {
  EXPECT_TRUE(line.ends_with('\n')) << line;
  return line.substr(0, line.size() - 1);
}

}  // namespace

TEST(ImportProtocol, ProgressLinesReadBackAsWritten) {
  for (const auto& [done, total] : std::vector<std::pair<long long, long long>>{
           {0, 0}, {5, 10}, {12, 7}, {LLONG_MAX, LLONG_MAX}}) {
    const std::string line = ProgressLine(done, total);
    const ImporterLine read = ParseImporterLine(WithoutBreak(line));
    EXPECT_EQ(read.kind, ImporterLine::Progress) << line;
    EXPECT_EQ(read.done, done);
    EXPECT_EQ(read.total, total);
  }
}

TEST(ImportProtocol, DamagedProgressLinesAreIgnored) {
  for (const char* line :
       {"progress", "progress ", "progress 5", "progress 5 ", "progress  5 10", "progress 5  10", "progress -1 10",
        "progress 5 -1", "progress +5 10", "progress 5 10 20", "progress 5 10x", "progress 0x10 20",
        "progress 9223372036854775808 1", "progress 1 99999999999999999999", "progress 5\t10", "progress 5 10\r",
        "Progress 5 10", " progress 5 10", "progress\n5 10", "", "errors are not lines"})
    EXPECT_EQ(ParseImporterLine(line).kind, ImporterLine::Other) << '"' << line << '"';
}

TEST(ImportProtocol, ErrorLinesAreOneLineOfWholeCharacters) {
  EXPECT_EQ(ErrorLine("It is not a business directory."), "error It is not a business directory.\n");
  // A text of several lines stays one line of the protocol.
  const std::string broken = ErrorLine("first\nsecond\r\nthird");
  EXPECT_EQ(broken, "error first second  third\n");
  EXPECT_EQ(ParseImporterLine(WithoutBreak(broken)).text, "first second  third");
  EXPECT_EQ(ParseImporterLine("error ").kind, ImporterLine::Error);
  EXPECT_EQ(ParseImporterLine("error ").text, "");
  // A long text is cut before the character the limit would split, on both sides.
  for (size_t pad = 0; pad < 4; ++pad) {
    const std::string text = std::string(kLongestErrorText - 3 + pad, 'a') + "€€€";
    const std::string written = WithoutBreak(ErrorLine(text)).substr(6);
    EXPECT_LE(written.size(), kLongestErrorText);
    EXPECT_GE(written.size(), kLongestErrorText - 2);
    EXPECT_TRUE(IsValidUtf8(written)) << pad;
    const std::string read = ParseImporterLine("error " + text).text;
    EXPECT_EQ(read, written) << pad;
  }
}

TEST(ImportProtocol, TheLauncherCountsOnlySoundProgressLines) {
  TempFolder tmp;
  const std::string script = tmp.Path() + "importer";
  // Sound lines, then damaged ones that would move the count if they were read.
  orbisk::testing::Write(script,
                         "#!/bin/sh\n"
                         "printf 'progress 5 10\\nprogress 99999999999999999999 1\\nprogress 12 30 junk\\n"
                         "progress -4 40\\nprogress 7\\n' >&4\n"
                         "exit 0\n");
  ::chmod(script.c_str(), 0755);
  const std::string source = tmp.Path() + "source";
  orbisk::testing::Write(source, "x");
  std::vector<std::pair<long long, long long>> seen;
  const Progress record = [&](const ProgressStep& s) {
    seen.emplace_back(s.done, s.total);
    return true;
  };
  const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  RunImporter(script, fd, tmp.Path() + "out", "key", ImportLimitsFor(0), record);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), (std::pair<long long, long long>{10, 10}));
  for (const auto& [done, total] : seen) {
    EXPECT_GE(done, 0);
    EXPECT_LE(total, 10);
  }

  // An importer that ends unreadable gives its error line's text.
  orbisk::testing::Write(script,
                         "#!/bin/sh\n"
                         "printf 'progress 1 2\\nerror It has no table Company_Info.\\nprogress 2 2' >&4\n"
                         "exit 1\n");
  try {
    RunImporter(script, fd, tmp.Path() + "out", "key", ImportLimitsFor(0), {});
    ADD_FAILURE() << "no failure";
  } catch (const ImportFailed& e) {
    EXPECT_STREQ(e.what(), "It has no table Company_Info.");
  }
  ::close(fd);
}
