// Writers prove what they wrote: a workbook is read back as a complete zip
// before it replaces anything, the library's temporary files stay beside the
// target, temporary names are short whatever the target's name, and a
// template is read only when it is a regular file of a sensible size.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ExportSupport.h"
#include "data/AtomicFile.h"
#include "export/TemplateProccessor.h"
#include "export/ZipCheck.h"
#include "export/db2excel.h"

using namespace orbisk;
using namespace orbisk::testing;

namespace {

// Writes a zip of `parts` (name, content) with Python's zipfile.
void MakeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
  std::string script = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n";
  for (const auto& [name, content] : parts) script += "z.writestr('" + name + "', '" + content + "')\n";
  script += "z.close()\n";
  WriteFile(path + ".py", script);
  int status = 0;
  RunCommand(PythonCommand() + " " + ShellQuote(path + ".py") + " " + ShellQuote(path), &status);
  ASSERT_EQ(status, 0);
}

std::string Problem(const std::string& path) { return ZipArchiveProblem(path, RequiredWorkbookParts()); }

}  // namespace

TEST_F(ResultQueries, AWorkbookIsReadBackWholeAndItsPartsAreNotEmpty) {
  ASSERT_TRUE(ExportToExcel(dm.Company_Q, out + "good.xlsx", ExcelOptions{}));
  EXPECT_EQ(Problem(out + "good.xlsx"), "");

  const std::string bytes = ReadFile(out + "good.xlsx");
  WriteFile(out + "cut.xlsx", bytes.substr(0, bytes.size() - 30));
  EXPECT_EQ(Problem(out + "cut.xlsx"), "it is not a complete zip archive.");
  WriteFile(out + "head.xlsx", bytes.substr(0, bytes.size() / 2) + bytes.substr(bytes.size() - 22));
  EXPECT_NE(Problem(out + "head.xlsx"), "");
  WriteFile(out + "empty.xlsx", "");
  EXPECT_EQ(Problem(out + "empty.xlsx"), "it cannot be read back.");

  std::vector<std::pair<std::string, std::string>> parts;
  for (const std::string& p : RequiredWorkbookParts()) parts.emplace_back(p, "<x/>");
  MakeZip(out + "whole.zip", parts);
  EXPECT_EQ(Problem(out + "whole.zip"), "");
  parts[1].second = "";  // what a full temporary folder left: an empty _rels/.rels
  MakeZip(out + "hollow.zip", parts);
  EXPECT_EQ(Problem(out + "hollow.zip"), "the part '_rels/.rels' is empty.");
  parts.pop_back();
  parts[1].second = "<x/>";
  MakeZip(out + "short.zip", parts);
  EXPECT_EQ(Problem(out + "short.zip"), "the part 'xl/worksheets/sheet1.xml' is missing.");
}

TEST_F(ResultQueries, TheExcelWritersTemporaryFilesGoBesideTheWorkbook) {
  // A temporary folder that does not exist (or is full) no longer matters.
  WriteFile(out + "report.xlsx", "old");
  ScopedEnv tmpdir("TMPDIR", (folder.Path() + "no-such-folder").c_str());
  ASSERT_TRUE(ExportToExcel(dm.Company_Q, out + "report.xlsx", ExcelOptions{}));
  EXPECT_EQ(Problem(out + "report.xlsx"), "");
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"report.xlsx"});
}

TEST(AtomicFile, TemporaryNamesAreShortSoTheLongestNameCanBeATarget) {
  TempFolder folder;
  for (size_t length : {5u, 40u, 247u, 248u, 255u}) {
    const std::string name = std::string(length - 4, 'n') + ".csv";
    const std::string target = folder.Path() + name;
    {
      AtomicFile f(target);
      const std::string temp = f.TempPath().substr(f.TempPath().rfind('/') + 1);
      EXPECT_EQ(temp.size(), kTempNamePrefix.size() + 6) << length;
      f.Write("a,b\r\n");
      f.Commit();
    }
    EXPECT_EQ(ReadFile(target), "a,b\r\n") << length;
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{name});
    std::filesystem::remove(target);
  }
}

TEST(AtomicFile, TheProcessUmaskIsNeverChangedAndStillHonoured) {
  TempFolder folder;
  const mode_t old = ::umask(027);
  std::atomic<bool> done{false};
  std::atomic<int> changed{0};
  // Another thread of the program watches the mask while files are written.
  std::thread watcher([&] {
    while (!done) {
      FILE* f = std::fopen("/proc/self/status", "r");
      char line[256];
      while (f && std::fgets(line, sizeof line, f)) {
        unsigned m = 0;
        if (std::sscanf(line, "Umask: %o", &m) == 1 && m != 027) ++changed;
      }
      if (f) std::fclose(f);
    }
  });
  for (int i = 0; i < 3000; ++i) WriteFileAtomically(folder.Path() + "f.txt", "x");
  done = true;
  watcher.join();
  ::umask(old);
  EXPECT_EQ(changed.load(), 0);
  struct stat st;
  ASSERT_EQ(::stat((folder.Path() + "f.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(TemplateFile, OnlyARegularFileOfASensibleSizeIsRead) {
  TempFolder folder;
  const std::string fifo = folder.Path() + "fifo.htm";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = folder.Path() + "zero.htm";
  std::filesystem::create_symlink("/dev/zero", zero);
  const std::string huge = folder.Path() + "huge.htm";
  {
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::ftruncate(fd, kMaxTemplateBytes + 1), 0);  // sparse: costs no disk
    ::close(fd);
  }
  const std::string fits = folder.Path() + "fits.htm";
  WriteFile(fits, "<p>{$Name}</p>");
  for (const std::string& path : {fifo, zero, huge}) {
    const auto t0 = std::chrono::steady_clock::now();
    TTextTemplate t;
    std::string what;
    try {
      LoadTemplate(t, path, 1);
    } catch (const std::exception& e) {
      what = e.what();
    }
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 2.0) << path;
    EXPECT_EQ(what, "Cannot read '" + path + "': " +
                        (path == huge ? std::string("it is larger than 64 MB.") : "it is not a regular file."));
  }
  TTextTemplate t;
  EXPECT_TRUE(LoadTemplate(t, fits, 1));
}
