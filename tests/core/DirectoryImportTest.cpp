// The directory import: the importer's process and its failures, the cache
// of imported copies, and every Access format giving the same rows.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ImporterSupport.h"
#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/DirectoryImport.h"
#include "data/Query.h"
#include "data/jet/JetWriter.h"

using namespace orbisk;
using orbisk::testing::Exec;
using orbisk::testing::ScopedCache;
using orbisk::testing::TempFolder;
namespace fs = std::filesystem;

using orbisk::testing::Bytes;
using orbisk::testing::Write;

namespace {

const std::string kAccess = std::string(ORBISK_TEST_DATA) + "/access/";


std::vector<std::string> Files(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Every row of every directory table as text, in file order.
std::string Dump(Connection& c) {
  std::string out;
  for (const SchemaTable& t : DirectoryTables()) {
    Query q("T_Q", &c);
    q.SetSQL("select * from [" + t.name + "] order by rowid");
    q.Open();
    out += t.name + " " + std::to_string(q.RecordCount()) + "\n";
    for (int r = 0; r < q.RecordCount(); ++r) {
      for (size_t col = 0; col < q.Columns().size(); ++col) {
        const Value& v = q.CellValue(r, static_cast<int>(col));
        out += (v.IsNull() ? "<null>" : v.AsText()) + "|";
      }
      out += "\n";
    }
  }
  return out;
}

Connection& Open(Connection& c, const std::string& path) {
  c.SetConnectionString("Data Source=" + path);
  c.EnsureOpen();
  return c;
}

// The error text of opening `path`, and how long it took.
std::string OpenError(const std::string& path, double* seconds = nullptr, const std::string& importer = "") {
  Connection c;
  c.SetConnectionString("Data Source=" + path);
  if (!importer.empty()) c.SetImporter(importer);
  auto t0 = std::chrono::steady_clock::now();
  std::string what;
  try {
    c.EnsureOpen();
  } catch (const std::exception& e) {
    what = e.what();
  }
  if (seconds) *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_FALSE(c.Connected()) << path;
  return what;
}

std::string Script(const TempFolder& tmp, const std::string& name, const std::string& body) {
  const std::string path = tmp.Path() + name;
  Write(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

bool NoChildLeft() {
  errno = 0;
  return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

}  // namespace

TEST(DirectoryImport, TheSameDirectoryInThreeFormatsGivesTheSameRows) {
  ScopedCache cache;
  Connection jet4, ace12, ace14;
  const std::string rows = Dump(Open(jet4, kAccess + "directory-200.mdb"));
  EXPECT_EQ(Dump(Open(ace12, kAccess + "directory-200-v2007.accdb")), rows);
  EXPECT_EQ(Dump(Open(ace14, kAccess + "directory-200.accdb")), rows);
  EXPECT_NE(rows.find("Company_Info 200\n"), std::string::npos);
  // Every copy is its own cache entry.
  EXPECT_EQ(Files(cache.Folder()).size(), 3u);
}

TEST(DirectoryImport, WhatIsNoRegularFileFailsAtOnceWithoutBeingRead) {
  TempFolder tmp;
  const std::string fifo = tmp.Path() + "corpdir.mdb";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(fifo.c_str(), (tmp.Path() + "link.mdb").c_str()), 0);
  // A second line says what the name is when it is no file.
  const std::pair<std::string, std::string> cases[] = {{fifo, "\nIt is a FIFO, not a file."},
                                                       {tmp.Path() + "link.mdb", "\nIt is a FIFO, not a file."},
                                                       {tmp.Path(), "\nIt is a folder."},
                                                       {"/dev/zero", "\nIt is a device, not a file."},
                                                       {tmp.Path() + "missing.mdb", ""}};
  for (const auto& [path, what] : cases) {
    double seconds = 0;
    EXPECT_EQ(OpenError(path, &seconds), "Could not find file '" + path + "'." + what);
    EXPECT_LT(seconds, 1.0) << path;
  }
}

TEST(DirectoryImport, DamagedFilesFailWithTheEnginesMessageAndAReason) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string good = Bytes(kAccess + "directory-200.mdb");
  struct Case {
    std::string name, bytes;
  } cases[] = {
      {"cut.mdb", good.substr(0, 4096 + 100)},
      {"zeroed.mdb", [&] { std::string b = good; std::fill(b.begin() + 4096, b.begin() + 3 * 4096, '\0'); return b; }()},
      {"notes.mdb", "Dear diary, this is no database."},
      {"sqlite.mdb", std::string("SQLite format 3\0", 16) + std::string(4000, 'x')},
  };
  for (const Case& c : cases) {
    const std::string path = tmp.Path() + c.name;
    Write(path, c.bytes);
    const std::string what = OpenError(path);
    EXPECT_EQ(what.rfind("Unrecognized database format '" + path + "'.", 0), 0u) << c.name << ": " << what;
    EXPECT_EQ(Bytes(path), c.bytes) << c.name;  // never written
  }
  // Nothing partial is kept.
  for (const auto& name : Files(cache.Folder())) EXPECT_EQ(name.find(".import-"), std::string::npos) << name;
}

// A table that declares more columns than its definition holds (257, 1000):
// the import ends well or fails with the engine's message, never by a crash.
TEST(DirectoryImport, TablesDeclaringManyColumnsImportOrFailCleanly) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string base = tmp.Path() + "wide.mdb";
  {
    using namespace orbisk::jet;
    std::vector<ColumnDef> columns;
    for (int i = 0; i < 255; ++i) columns.push_back(i % 2 ? TextColumn("T" + std::to_string(i), 20) : LongColumn("L" + std::to_string(i)));
    JetWriter w(base, JetWriter::Mode::CreateNew);
    int t = w.CreateTable({"Wide", columns});
    for (int r = 0; r < 20; ++r) {
      std::vector<Value> row;
      for (int i = 0; i < 255; ++i) row.push_back(i % 2 ? Value("r" + std::to_string(r)) : Value(r * 1000 + i));
      w.AppendRow(t, row);
    }
    w.Commit();
  }
  Connection plain;
  plain.SetImporter(orbisk::testing::AnyTablesImporter());
  Query q("T_Q", &Open(plain, base));
  q.SetSQL("select * from Wide");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 20);
  ASSERT_EQ(q.Columns().size(), 255u);
  const std::string bytes = Bytes(base);
  size_t tdef = std::string::npos;
  for (size_t page = 4096; page + 4096 <= bytes.size(); page += 4096)
    if (bytes[page] == 2 && static_cast<unsigned char>(bytes[page + 45]) == 255 && bytes[page + 46] == 0) tdef = page;
  ASSERT_NE(tdef, std::string::npos);
  for (int declared : {257, 1000}) {
    std::string b = bytes;
    for (size_t at : {tdef + 41, tdef + 45}) {
      b[at] = static_cast<char>(declared & 0xFF);
      b[at + 1] = static_cast<char>(declared >> 8);
    }
    const std::string path = tmp.Path() + "wide-" + std::to_string(declared) + ".mdb";
    Write(path, b);
    Connection c;
    c.SetImporter(orbisk::testing::AnyTablesImporter());
    c.SetConnectionString("Data Source=" + path);
    try {
      c.EnsureOpen();
    } catch (const std::exception& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("Unrecognized database format '" + path + "'.", 0), 0u) << what;
      EXPECT_EQ(what.find("stopped at damaged data"), std::string::npos) << declared << ": the reader crashed";
      continue;
    }
    // Imported: the table whose columns cannot all be read is left out, or holds its rows.
    Query wide("T_Q", &c);
    wide.SetSQL("select count(*) as n from sqlite_master where name = 'Wide'");
    wide.Open();
    if (wide.FieldByName("n").AsInteger() == 0) continue;
    wide.Close();
    wide.SetSQL("select * from Wide");
    wide.Open();
    EXPECT_EQ(wide.RecordCount(), 20) << declared;
  }
}

TEST(DirectoryImport, AnImporterThatCrashesRunsLongOrRunsOutOfMemoryIsReported) {
  TempFolder tmp;
  const std::string file = kAccess + "emptyJet4.mdb";
  {
    ScopedCache cache;
    const std::string what = OpenError(file, nullptr, Script(tmp, "crash", "kill -SEGV $$"));
    EXPECT_EQ(what, "Unrecognized database format '" + file + "'.\nThe reader ended unexpectedly (signal 11).");
  }
  {
    ScopedCache cache;
    const std::string what = OpenError(file, nullptr, Script(tmp, "oom", "echo 'GLib: failed to allocate 99 bytes' >&2; kill -ABRT $$"));
    EXPECT_EQ(what, "Unrecognized database format '" + file + "'.\nReading it needed more than " +
                        std::to_string(ImportLimitsFor(fs::file_size(file)).memoryMb) + " MB of memory.");
  }
  {
    // Printing without end, as libmdb does on some damaged files, and never ending.
    ScopedCache cache;
    double seconds = 0;
    const std::string what = OpenError(file, &seconds, Script(tmp, "loop", "while :; do echo 'mdb_col_to_string called on unsupported data type 0' >&2; done"));
    const long long limit = ImportLimitsFor(fs::file_size(file)).seconds;
    EXPECT_EQ(what, "Unrecognized database format '" + file + "'.\nReading it took longer than " +
                        std::to_string(limit) + " seconds.");
    EXPECT_GE(seconds, limit);
    EXPECT_LT(seconds, limit + 3);
    EXPECT_TRUE(Files(cache.Folder()).empty());
  }
  EXPECT_TRUE(NoChildLeft());
}

TEST(DirectoryImport, ALoadStoppedByItsProgressEndsTheImporterAndLeavesTheConnectionClosed) {
  ScopedCache cache;
  Connection c;
  c.SetImporter(orbisk::testing::AnyTablesImporter());
  c.SetConnectionString("Data Source=" + kAccess + "test2V2000.mdb");
  int calls = 0;
  c.SetProgress([&](const ProgressStep&) { return ++calls < 1; });
  EXPECT_THROW(c.EnsureOpen(), LoadCancelled);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(c.Connected());
  EXPECT_TRUE(NoChildLeft());
  EXPECT_TRUE(Files(cache.Folder()).empty());  // its temporary file is gone
  // A later query loads again from the start.
  c.SetProgress([](const ProgressStep&) { return true; });
  c.EnsureOpen();
  EXPECT_TRUE(c.Connected());
}

TEST(DirectoryImport, AnUnchangedFileIsImportedOnceAnyChangeImportsAfresh) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string path = tmp.Path() + "corpdir.mdb";
  fs::copy_file(kAccess + "directory-200.mdb", path);
  auto importsToOpen = [&] {
    Connection c;
    Open(c, path);
    EXPECT_NE(Dump(c).find("Company_Info 200\n"), std::string::npos);
    return c.ImportsRun();
  };
  EXPECT_EQ(importsToOpen(), 1);
  EXPECT_EQ(importsToOpen(), 0);
  EXPECT_EQ(Files(cache.Folder()).size(), 1u);

  // Replaced by a copy with the same size and modification time: a new inode.
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  fs::copy_file(path, path + ".new");
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, (path + ".new").c_str(), times, 0), 0);
  fs::rename(path + ".new", path);
  EXPECT_EQ(importsToOpen(), 1);
  EXPECT_EQ(Files(cache.Folder()).size(), 1u);  // the older entry of the same path is gone

  // Touched.
  const struct timespec later[2] = {{0, UTIME_NOW}, {st.st_mtim.tv_sec + 5, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
  EXPECT_EQ(importsToOpen(), 1);
  EXPECT_EQ(importsToOpen(), 0);

  // A damaged entry (cut short, or its first page overwritten) is built again.
  const std::string entry = cache.Folder() + Files(cache.Folder()).at(0);
  fs::resize_file(entry, fs::file_size(entry) / 2);
  EXPECT_EQ(importsToOpen(), 1);
  {
    std::fstream f(cache.Folder() + Files(cache.Folder()).at(0), std::ios::in | std::ios::out | std::ios::binary);
    f.write("garbage garbage garbage", 23);
  }
  EXPECT_EQ(importsToOpen(), 1);
  EXPECT_EQ(importsToOpen(), 0);

  // Entries whose file is gone are removed by the next run that uses the cache.
  fs::remove(path);
  Connection other;
  other.SetImporter(orbisk::testing::AnyTablesImporter());
  Open(other, kAccess + "emptyJet4.mdb");
  const auto left = Files(cache.Folder());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0], CacheEntryName(*IdentityOf(fs::canonical(kAccess + "emptyJet4.mdb").string())));
}

TEST(DirectoryImport, AFileThatChangesWhileItIsReadIsUsedButNotKept) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string path = tmp.Path() + "corpdir.mdb";
  fs::copy_file(kAccess + "directory-200.mdb", path);
  // The importer, after someone touched the file.
  const std::string importer = Script(tmp, "touching", "touch -d '2001-01-01' '" + path + "'; exec '" +
                                                           std::string(ORBISK_BUILD_DIR) + "/bin/orbisk-import' \"$@\"");
  Connection c;
  c.SetImporter(importer);
  Open(c, path);
  EXPECT_NE(Dump(c).find("Company_Info 200\n"), std::string::npos);
  EXPECT_TRUE(Files(cache.Folder()).empty());
  Connection next;
  EXPECT_EQ(Open(next, path).ImportsRun(), 1);
}

TEST(DirectoryImport, ACacheFolderThatCannotBeWrittenStillWorks) {
  TempFolder tmp;
  // A file where the cache folder should be.
  ScopedCache cache;
  Write(cache.Folder().substr(0, cache.Folder().size() - 1), "not a folder");
  const std::string tmpdir = tmp.Path() + "tmp/";
  fs::create_directories(tmpdir);
  ::setenv("TMPDIR", tmpdir.c_str(), 1);
  {
    Connection c;
    Open(c, kAccess + "directory-200.mdb");
    EXPECT_NE(Dump(c).find("Company_Info 200\n"), std::string::npos);
    EXPECT_TRUE(Files(tmpdir).empty());  // the copy is already unlinked: gone at exit
  }
  ::unsetenv("TMPDIR");
  EXPECT_EQ(Bytes(cache.Folder().substr(0, cache.Folder().size() - 1)), "not a folder");
}

TEST(DirectoryImport, TwoProgramsImportingAtOnceBothSucceed) {
  ScopedCache cache;
  std::string a, b;
  std::thread other([&] {
    Connection c;
    a = Dump(Open(c, kAccess + "directory-200.accdb"));
  });
  Connection c;
  b = Dump(Open(c, kAccess + "directory-200.accdb"));
  other.join();
  EXPECT_EQ(a, b);
  EXPECT_NE(b.find("Company_Info 200\n"), std::string::npos);
  EXPECT_EQ(Files(cache.Folder()).size(), 1u);
}

TEST(DirectoryImport, OnlySqliteFilesOfOurToolsUnderTheCurrentCollationOpenInPlace) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string ours = orbisk::testing::WriteSmallDirectory(tmp.Path());
  Connection inPlace;
  EXPECT_EQ(Open(inPlace, ours).ImportsRun(), 0);
  EXPECT_EQ(fs::canonical(sqlite3_db_filename(inPlace.Handle(), "main")), fs::canonical(ours));

  // The same file with another collation version, or without the marker: imported.
  for (const char* change : {"UPDATE Orbisk_Directory SET Collation_Version = Collation_Version + 1",
                             "DROP TABLE Orbisk_Directory", "PRAGMA application_id = 0"}) {
    const std::string other = tmp.Path() + "other.mdb";
    fs::copy_file(ours, other, fs::copy_options::overwrite_existing);
    {
      Connection w;
      w.OpenWritable(other);
      Exec(w.Handle(), change);
    }
    Connection c;
    EXPECT_EQ(Open(c, other).ImportsRun(), 1) << change;
    EXPECT_NE(std::string(sqlite3_db_filename(c.Handle(), "main")), other);
    Query q("T_Q", &c);
    q.SetSQL("select Company_Name from Company_Info where Company_Name = 'prairie bank ltd'");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1) << change;  // text columns compare under our collation
  }
}

TEST(DirectoryImport, EntriesNotUsedForThirtyDaysAreRemovedAndUsingOneKeepsIt) {
  ScopedCache cache;
  Connection a, b;
  a.SetImporter(orbisk::testing::AnyTablesImporter());
  b.SetImporter(orbisk::testing::AnyTablesImporter());
  Open(a, kAccess + "emptyJet4.mdb");
  Open(b, kAccess + "adox_jet4.mdb");
  ASSERT_EQ(Files(cache.Folder()).size(), 2u);
  const time_t now = ::time(nullptr);
  const std::string idle = cache.Folder() + CacheEntryName(*IdentityOf(fs::canonical(kAccess + "emptyJet4.mdb").string()));
  const std::string used = cache.Folder() + CacheEntryName(*IdentityOf(fs::canonical(kAccess + "adox_jet4.mdb").string()));
  const struct timespec old[2] = {{now, 0}, {now - 31 * 24 * 3600, 0}};
  const struct timespec recent[2] = {{now, 0}, {now - 29 * 24 * 3600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, idle.c_str(), old, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, used.c_str(), recent, 0), 0);
  Connection c;
  c.SetImporter(orbisk::testing::AnyTablesImporter());
  EXPECT_EQ(Open(c, kAccess + "adox_jet4.mdb").ImportsRun(), 0);
  EXPECT_FALSE(fs::exists(idle));
  ASSERT_TRUE(fs::exists(used));
  EXPECT_GT(fs::last_write_time(used), fs::file_time_type::clock::now() - std::chrono::hours(1));  // used now
}
