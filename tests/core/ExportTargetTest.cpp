// What an export may not harm: the directory, the importer's cache, links,
// read-only files, folders, devices and FIFOs, names without a file, a full
// disk and an export stopped midway. Every case goes through the dispatch, for
// every export type.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ExportSupport.h"
#include "data/DirectoryCache.h"
#include "data/ExportTarget.h"
#include "data/jet/JetWriter.h"
#include "export/ExportDispatch.h"

using namespace orbisk;
using namespace orbisk::testing;
namespace fs = std::filesystem;

namespace {

const int kAllTypes[] = {etAccess, etExcel, etCsv, etXml, etHtml, etColumn};

const char* TypeName(int type) {
  static const char* const names[] = {"access", "excel", "csv", "xml", "html", "column"};
  return names[type];
}

// Runs the current directory elsewhere for the life of the object.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~ScopedCwd() { fs::current_path(old_); }

 private:
  fs::path old_;
};

// The message an export throws, or "" when it returned.
std::string ExportError(const std::function<void()>& run) {
  try {
    run();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// Hidden temporary files an interrupted writer might leave in a folder.
std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> hidden;
  for (const std::string& name : FilesIn(folder))
    if (name[0] == '.') hidden.push_back(name);
  return hidden;
}

class ExportTargets : public ResultQueries {
 protected:
  void SetUp() override {
    ResultQueries::SetUp();
    directory = folder.Path() + "Database/corpdir.mdb";
    directoryBytes = ReadFile(directory);
    templateFile = folder.Path() + "page.htm";
    WriteFile(templateFile, "<html><!--#DetailBegin-->{$Company_Name}\r\n<!--#DetailEnd--></html>");
  }

  ExportOutcome Export(Query& q, int type, const std::string& file, const ExcelUi& ui = {},
                       const Progress& progress = {}) {
    ExportRequest r;
    r.type = type;
    r.fileName = file;
    r.columnField = "Company_Name";
    r.templateFile = templateFile;
    return RunExport(q, r, ui, progress);
  }
  ExportOutcome Export(int type, const std::string& file) { return Export(dm.Company_Q, type, file); }

  // An existing file of the type's kind: an Access database for Access, text otherwise.
  std::string MakeOld(int type, const std::string& path) {
    if (type == etAccess) jet::JetWriter::CreateDatabase(path);
    else WriteFile(path, "old contents\r\n");
    return ReadFile(path);
  }

  std::string directory;
  std::string directoryBytes;
  std::string templateFile;
};

TEST_F(ExportTargets, TheDirectoryIsRefusedUnderEverySpelling) {
  fs::create_symlink("../Database/corpdir.mdb", out + "dir-link.mdb");
  // A hard link is the same file under a name of its own.
  fs::create_hard_link(directory, out + "dir-hard.mdb");
  const std::vector<std::string> spellings = {directory, out + "dir-link.mdb", out + "dir-hard.mdb",
                                              "../Database/corpdir.mdb", "../Database/../Database/corpdir.mdb"};
  ScopedCwd cwd(out);
  for (int type : kAllTypes) {
    for (const std::string& name : spellings) {
      SCOPED_TRACE(std::string(TypeName(type)) + " " + name);
      EXPECT_EQ(ExportError([&] { Export(type, name); }),
                "Cannot export to '" + name + "': it is the directory Orbisk is searching.");
      EXPECT_EQ(ReadFile(directory), directoryBytes);
      EXPECT_TRUE(HiddenFiles(folder.Path() + "Database").empty());
    }
  }
  EXPECT_TRUE(fs::is_symlink(out + "dir-link.mdb"));
  // The query is back on its row and still reads the directory.
  EXPECT_EQ(dm.Company_Q.RecNo(), 1);
  dm.Company_Q.Close();
  dm.Company_Q.Open();
  EXPECT_EQ(dm.Company_Q.RecordCount(), 5);
}

TEST_F(ExportTargets, TheImportersCacheIsRefused) {
  const std::string cache = folder.Path() + "xdg-cache/";
  ScopedEnv xdg("XDG_CACHE_HOME", cache.c_str());
  ASSERT_EQ(DirectoryCacheFolder(), cache + "orbisk/");
  fs::create_directories(cache + "orbisk/sub");
  WriteFile(cache + "orbisk/corpdir-1234.sqlite", "cached directory");
  fs::create_symlink(cache + "orbisk/sub/new.csv", out + "into-cache.csv");
  for (int type : kAllTypes) {
    for (const std::string& name : {cache + "orbisk/corpdir-1234.sqlite", cache + "orbisk/sub/new.csv",
                                    out + "into-cache.csv"}) {
      SCOPED_TRACE(std::string(TypeName(type)) + " " + name);
      EXPECT_EQ(ExportError([&] { Export(type, name); }),
                "Cannot export to '" + name + "': it is the directory Orbisk is searching.");
    }
  }
  EXPECT_EQ(ReadFile(cache + "orbisk/corpdir-1234.sqlite"), "cached directory");
  EXPECT_EQ(FilesIn(cache + "orbisk/sub"), std::vector<std::string>{});
  EXPECT_EQ(FilesIn(cache + "orbisk"), (std::vector<std::string>{"corpdir-1234.sqlite", "sub"}));
  // Beside the cache (a name that merely starts like it) is fine.
  fs::create_directories(cache + "orbisk-other");
  EXPECT_NO_THROW(Export(etCsv, cache + "orbisk-other/list.csv"));
}

TEST_F(ExportTargets, LinksAreWrittenThroughAndStayLinks) {
  fs::create_directories(out + "real");
  fs::create_directories(out + "links");
  const char* exts[] = {".mdb", ".xlsx", ".csv", ".xml", ".htm", ".txt"};
  for (int type : kAllTypes) {
    SCOPED_TRACE(TypeName(type));
    const std::string real = out + "real/file" + exts[type];
    const std::string link = out + "links/file" + exts[type];
    const std::string old = MakeOld(type, real);
    fs::create_symlink(std::string("../real/file") + exts[type], link);  // relative to the link's folder
    ExportOutcome outcome = Export(type, link);
    EXPECT_TRUE(outcome.done);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), std::string("../real/file") + exts[type]);
    const std::string now = ReadFile(real);
    EXPECT_NE(now, old);
    if (type == etAccess) {
      EXPECT_TRUE(jet::JetWriter(real).HasTable("Company"));
    } else if (type == etCsv) {
      EXPECT_EQ(now.substr(0, 11), "Company_ID,");
    } else if (type == etColumn) {
      EXPECT_EQ(now.substr(0, 18), "Prairie Bank Ltd\r\n");
    } else if (type == etExcel) {
      EXPECT_EQ(now.substr(0, 2), "PK");
    }
  }
  EXPECT_EQ(FilesIn(out + "links").size(), 6u);
  for (const std::string& name : FilesIn(out + "links")) EXPECT_TRUE(fs::is_symlink(out + "links/" + name)) << name;
  EXPECT_EQ(FilesIn(out + "real").size(), 6u);
  EXPECT_TRUE(HiddenFiles(out + "real").empty());
  // A dangling link: the export creates the file it names.
  fs::create_symlink("real/made.csv", out + "dangling.csv");
  Export(etCsv, out + "dangling.csv");
  EXPECT_TRUE(fs::is_symlink(out + "dangling.csv"));
  EXPECT_EQ(ReadFile(out + "real/made.csv").substr(0, 11), "Company_ID,");
  // Links in a circle are named, not followed for ever.
  fs::create_symlink("loop-b.csv", out + "loop-a.csv");
  fs::create_symlink("loop-a.csv", out + "loop-b.csv");
  EXPECT_EQ(ExportError([&] { Export(etCsv, out + "loop-a.csv"); }),
            "Cannot write '" + out + "loop-a.csv': " + std::strerror(ELOOP));
}

TEST_F(ExportTargets, ReadOnlyFilesAreRefusedNotReplaced) {
  for (int type : kAllTypes) {
    SCOPED_TRACE(TypeName(type));
    const std::string file = out + "locked-" + TypeName(type) + (type == etExcel ? ".xlsx" : ".out");
    const std::string old = MakeOld(type, file);
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(ExportError([&] { Export(type, file); }), "Cannot write '" + file + "': Permission denied.");
    EXPECT_EQ(ReadFile(file), old);
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    // Through a link the same.
    const std::string link = out + "link-to-locked-" + TypeName(type) + (type == etExcel ? ".xlsx" : ".out");
    fs::create_symlink(file, link);
    EXPECT_EQ(ExportError([&] { Export(type, link); }), "Cannot write '" + link + "': Permission denied.");
    EXPECT_EQ(ReadFile(file), old);
  }
  EXPECT_TRUE(HiddenFiles(out).empty());
  // A file with a write bit for its owner only is written, and keeps its mode.
  const std::string mine = out + "mine.csv";
  WriteFile(mine, "old");
  ASSERT_EQ(chmod(mine.c_str(), 0600), 0);
  Export(etCsv, mine);
  struct stat st;
  ASSERT_EQ(stat(mine.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_NE(ReadFile(mine), "old");
}

TEST_F(ExportTargets, NamesWithoutAFileAreRefused) {
  for (int type : kAllTypes) {
    for (const std::string& name : {std::string(), out, out + "sub/", std::string("/")}) {
      SCOPED_TRACE(std::string(TypeName(type)) + " '" + name + "'");
      EXPECT_EQ(ExportError([&] { Export(type, name); }), "Cannot write '" + name + "': no file name.");
    }
  }
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{});
  // The window's Excel chooser for a missing name stays: cancelled, nothing is
  // done and nothing written; a chosen name ending in '/' is refused too.
  ExcelUi ui;
  int asked = 0;
  std::string answer;
  ui.askFileName = [&] {
    ++asked;
    return answer;
  };
  EXPECT_FALSE(Export(dm.Company_Q, etExcel, "", ui).done);
  EXPECT_EQ(asked, 1);
  answer = out;
  EXPECT_EQ(ExportError([&] { Export(dm.Company_Q, etExcel, "", ui); }), "Cannot write '" + out + "': no file name.");
  answer = out + "chosen";
  EXPECT_TRUE(Export(dm.Company_Q, etExcel, "", ui).done);
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"chosen.xlsx"});
  // A name ending in '/' keeps it: no hidden ".xlsx" in that folder.
  EXPECT_EQ(WorkbookFileName(out), out);
}

TEST_F(ExportTargets, FoldersDevicesAndFifosAreNamedWithoutBlocking) {
  // Names with an extension, which the Excel writer keeps as they are.
  const std::string fifo = out + "pipe.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  const std::string sub = out + "folder.d";
  fs::create_directories(sub);
  // A device of our own: were the guard ever broken, root would replace
  // /dev/null itself. Without root /dev cannot be written, so /dev/null serves.
  std::string device = out + "null.dev";
  if (geteuid() != 0 || mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) device = "/dev/null";
  struct stat before;
  ASSERT_EQ(stat(device.c_str(), &before), 0);
  ASSERT_TRUE(S_ISCHR(before.st_mode));
  for (int type : kAllTypes) {
    SCOPED_TRACE(TypeName(type));
    EXPECT_EQ(ExportError([&] { Export(type, sub); }), "'" + sub + "' is a folder.");
    EXPECT_EQ(ExportError([&] { Export(type, sub + "/."); }), "'" + sub + "/.' is a folder.");
    EXPECT_EQ(ExportError([&] { Export(type, fifo); }), "'" + fifo + "' is a FIFO.");
    EXPECT_EQ(ExportError([&] { Export(type, device); }), "'" + device + "' is a device.");
  }
  struct stat after;
  ASSERT_EQ(stat(device.c_str(), &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_ino, before.st_ino);
  std::vector<std::string> left = {"folder.d", "pipe.fifo"};
  if (device != "/dev/null") left.insert(left.begin() + 1, "null.dev");
  EXPECT_EQ(FilesIn(out), left);
  EXPECT_EQ(FilesIn(sub), std::vector<std::string>{});
}

// A small tmpfs mounted for one test; needs root. Unmounted in every case.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& where, const char* size) : path_(where) {
    fs::create_directories(path_);
    if (geteuid() != 0) {
      why_ = "not running as root";
      return;
    }
    const std::string options = std::string("size=") + size;
    if (mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      why_ = std::string("mount failed: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallDisk() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& WhyNot() const { return why_; }
  // Fills every free byte with one file.
  void Fill() const {
    FILE* f = std::fopen((path_ + "/filler").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    std::fclose(f);
  }

 private:
  std::string path_;
  std::string why_;
  bool mounted_ = false;
};

TEST_F(ExportTargets, AFullDiskLeavesTheOldFileWholeAndNoTemporaryFile) {
  const std::string disk = folder.Path() + "disk";
  SmallDisk small(disk, "512k");
  if (!small.Mounted()) GTEST_SKIP() << "the full-disk test needs a tmpfs of its own (" << small.WhyNot() << ")";
  const char* exts[] = {".mdb", ".xlsx", ".csv", ".xml", ".htm", ".txt"};
  std::vector<std::string> olds;
  for (int type : kAllTypes) olds.push_back(MakeOld(type, disk + "/old" + exts[type]));
  small.Fill();
  for (int type : kAllTypes) {
    SCOPED_TRACE(TypeName(type));
    const std::string file = disk + "/old" + exts[type];
    const std::string error = ExportError([&] { Export(type, file); });
    // The Excel library names its own zip error; every other writer the system's.
    if (type == etExcel) EXPECT_NE(error, "");
    else EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    EXPECT_EQ(ReadFile(file), olds[static_cast<size_t>(type)]);
    EXPECT_TRUE(HiddenFiles(disk).empty());
    EXPECT_EQ(dm.Company_Q.RecNo(), 1);
  }
  EXPECT_EQ(FilesIn(disk).size(), 7u);  // the six old files and the filler
}

TEST_F(ExportTargets, AnExportStoppedMidwayLeavesTheOldFileWhole) {
  MemoryQuery many(ManyRowsSetup(700), "select id, name from Big order by id");
  many.q.Last();
  const char* exts[] = {".mdb", ".xlsx", ".csv", ".xml", ".htm", ".txt"};
  for (int type : kAllTypes) {
    SCOPED_TRACE(TypeName(type));
    // The column writer and the template name the query's own field.
    ExportRequest r;
    r.type = type;
    r.fileName = out + "old" + exts[type];
    r.columnField = "name";
    r.templateFile = templateFile;
    WriteFile(templateFile, "<!--#DetailBegin-->{$name}\r\n<!--#DetailEnd-->");
    const std::string old = MakeOld(type, r.fileName);
    long long reported = 0;
    EXPECT_EQ(ExportError([&] {
                RunExport(many.q, r, {}, [&](const ProgressStep& step) {
                  reported = step.done;
                  return FailingProgress(step);
                });
              }),
              "stopped while writing");
    EXPECT_EQ(reported, 256);
    EXPECT_EQ(ReadFile(r.fileName), old);
    EXPECT_TRUE(HiddenFiles(out).empty());
    EXPECT_EQ(many.q.RecNo(), 700);
    // Stopped at the very last report, after every row: still nothing replaced.
    const std::string fresh = out + "fresh" + exts[type];
    r.fileName = fresh;
    EXPECT_EQ(ExportError([&] {
                RunExport(many.q, r, {}, [](const ProgressStep& step) {
                  if (step.done == 700) throw std::runtime_error("stopped at the end");
                  return true;
                });
              }),
              "stopped at the end");
    EXPECT_FALSE(Exists(fresh));
  }
}

TEST_F(ExportTargets, AnExportTheUserStopsWritesNothing) {
  MemoryQuery many(ManyRowsSetup(700), "select id, name from Big order by id");
  many.q.MoveTo(40);
  const char* exts[] = {".mdb", ".xlsx", ".csv", ".xml", ".htm", ".txt"};
  for (int type : kAllTypes) {
    SCOPED_TRACE(TypeName(type));
    ExportRequest r;
    r.type = type;
    r.columnField = "name";
    r.templateFile = templateFile;
    WriteFile(templateFile, "<!--#DetailBegin-->{$name}\r\n<!--#DetailEnd-->");
    // No at the first report, and no at the last one, after every row.
    for (long long stopAt : {256LL, 700LL}) {
      SCOPED_TRACE(stopAt);
      r.fileName = out + "old" + exts[type];
      const std::string old = MakeOld(type, r.fileName);
      std::vector<long long> told;
      const Progress answer = [&](const ProgressStep& step) {
        told.push_back(step.done);
        return step.done < stopAt;
      };
      EXPECT_THROW(RunExport(many.q, r, {}, answer), ExportCancelled);
      EXPECT_EQ(told.back(), stopAt);
      EXPECT_EQ(ReadFile(r.fileName), old);
      r.fileName = out + "fresh" + exts[type];
      EXPECT_THROW(RunExport(many.q, r, {}, answer), ExportCancelled);
      EXPECT_FALSE(Exists(r.fileName));
      EXPECT_TRUE(HiddenFiles(out).empty());
      EXPECT_EQ(many.q.RecNo(), 40);
      EXPECT_FALSE(many.q.ControlsDisabled());
    }
  }
}

}  // namespace
