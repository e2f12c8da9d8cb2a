// The cache of imported directories knows what it holds and touches nothing
// else: an entry is trusted only when it names the very file it was made
// from, only regular files are opened, and the cleaner removes only files of
// its own.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/DirectoryImport.h"
#include "data/Query.h"

using namespace orbisk;
using orbisk::testing::Exec;
using orbisk::testing::ScopedCache;
using orbisk::testing::TempFolder;
namespace fs = std::filesystem;

using orbisk::testing::Bytes;
using orbisk::testing::Write;

namespace {

const std::string kAccess = std::string(ORBISK_TEST_DATA) + "/access/";


// A SQLite directory without our marker: imported into the cache like an Access file.
std::string ForeignDirectory(const std::string& folder, const std::string& firstName) {
  const std::string path = orbisk::testing::WriteSmallDirectory(folder);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Exec(db, "PRAGMA application_id = 0; DROP TABLE Orbisk_Directory;");
  Exec(db, "UPDATE Company_Info SET Company_Name = '" + firstName + "' WHERE Company_ID = 1");
  sqlite3_close(db);
  return path;
}

// The name of company 1 as the directory at `path` gives it, and the imports it took.
std::pair<std::string, long long> FirstCompany(const std::string& path, double* seconds = nullptr) {
  const auto t0 = std::chrono::steady_clock::now();
  Connection c;
  c.SetConnectionString("Data Source=" + path);
  Query q("T_Q", &c);
  q.SetSQL("select Company_Name from Company_Info where Company_ID = 1");
  q.Open();
  if (seconds) *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return {q.FieldByName("Company_Name").AsString(), c.ImportsRun()};
}

std::string EntryOf(const ScopedCache& cache, const std::string& path) {
  return cache.Folder() + CacheEntryName(*IdentityOf(fs::canonical(path).string()));
}

std::string Script(const TempFolder& tmp, const std::string& name, const std::string& body) {
  const std::string path = tmp.Path() + name;
  Write(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

}  // namespace

TEST(CacheOwnership, AFileRewrittenInPlaceWithItsTimeSetBackIsImportedAfresh) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string path = ForeignDirectory(tmp.Path(), "Alpha Ltd");
  EXPECT_EQ(FirstCompany(path), std::make_pair(std::string("Alpha Ltd"), 1LL));
  EXPECT_EQ(FirstCompany(path), std::make_pair(std::string("Alpha Ltd"), 0LL));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  {
    // Same inode, same size, the old modification time put back.
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    Exec(db, "UPDATE Company_Info SET Company_Name = 'Omega Ltd' WHERE Company_ID = 1");
    sqlite3_close(db);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  struct stat after;
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  ASSERT_EQ(after.st_ino, st.st_ino);
  ASSERT_EQ(after.st_size, st.st_size);
  ASSERT_EQ(after.st_mtim.tv_nsec, st.st_mtim.tv_nsec);
  EXPECT_EQ(FirstCompany(path), std::make_pair(std::string("Omega Ltd"), 1LL));
}

TEST(CacheOwnership, AnEntryPlantedUnderAnotherFilesNameIsBuiltAgain) {
  ScopedCache cache;
  TempFolder a, b;
  const std::string first = ForeignDirectory(a.Path(), "First Inc");
  const std::string second = ForeignDirectory(b.Path(), "Second Inc");
  EXPECT_EQ(FirstCompany(first).first, "First Inc");
  // The entry of the first file, renamed to the name the second one's would have.
  fs::rename(EntryOf(cache, first), EntryOf(cache, second));
  EXPECT_EQ(FirstCompany(second), std::make_pair(std::string("Second Inc"), 1LL));
  EXPECT_EQ(FirstCompany(second), std::make_pair(std::string("Second Inc"), 0LL));
}

TEST(CacheOwnership, AFifoOrADeviceAsAnEntryIsNeverOpened) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string path = ForeignDirectory(tmp.Path(), "Fifo Free");
  fs::create_directories(cache.Folder());
  const std::string entry = EntryOf(cache, path);
  ASSERT_EQ(::mkfifo(entry.c_str(), 0600), 0);
  double seconds = 0;
  EXPECT_EQ(FirstCompany(path, &seconds), std::make_pair(std::string("Fifo Free"), 1LL));
  EXPECT_LT(seconds, 10.0);
  struct stat st;
  ASSERT_EQ(::lstat(entry.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));  // the FIFO made way for the real entry

  fs::remove(entry);
  fs::create_symlink("/dev/zero", entry);
  EXPECT_EQ(FirstCompany(path, &seconds), std::make_pair(std::string("Fifo Free"), 1LL));
  EXPECT_LT(seconds, 10.0);
  ASSERT_EQ(::lstat(entry.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(CacheOwnership, TheCleanerRemovesOnlyItsOwnFiles) {
  ScopedCache cache;
  TempFolder tmp, outside;
  const std::string gone = ForeignDirectory(tmp.Path(), "Gone Inc");
  EXPECT_EQ(FirstCompany(gone).second, 1);
  const std::string goneEntry = EntryOf(cache, gone);
  fs::remove(gone);  // its entry is now the cleaner's to remove
  fs::create_directories(cache.Folder());

  // The user's own files, some named as entries are.
  const std::string plain = cache.Folder() + "photos.sqlite";
  const std::string unmarked = cache.Folder() + "0123456789abcdef-0123456789abcdef.sqlite";
  const std::string direct = cache.Folder() + "1111111111111111-2222222222222222.sqlite";
  Write(plain, "SQLite format 3");
  Write(unmarked, "not a database at all");
  {
    // A directory made by our tools (marker, but no source recorded) kept here by the user.
    orbisk::testing::WriteSmallDirectory(outside.Path());
    fs::copy_file(outside.Path() + "Database/corpdir.mdb", direct);
  }
  // A link named as an entry, to an entry-like file outside the folder.
  const std::string outsideEntry = outside.Path() + "aaaaaaaaaaaaaaaa-bbbbbbbbbbbbbbbb.sqlite";
  fs::copy_file(goneEntry, outsideEntry);
  const std::string link = cache.Folder() + "cccccccccccccccc-dddddddddddddddd.sqlite";
  fs::create_symlink(outsideEntry, link);
  // Imports: one of a program that still runs (it holds the lock), one of a killed program.
  const std::string running = cache.Folder() + ".import-Run123";
  const std::string killed = cache.Folder() + ".import-Kil456";
  const std::string notOurs = cache.Folder() + ".import-notours.txt";
  Write(running, "partial");
  Write(killed, "partial");
  Write(notOurs, "keep");
  const int held = ::open(running.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  TempFolder another;
  EXPECT_EQ(FirstCompany(ForeignDirectory(another.Path(), "Another Co")).second, 1);  // an import runs the cleaner

  EXPECT_FALSE(fs::exists(goneEntry));
  EXPECT_FALSE(fs::exists(killed));
  for (const std::string& kept : {plain, unmarked, direct, running, notOurs, outsideEntry})
    EXPECT_TRUE(fs::exists(kept)) << kept;
  EXPECT_TRUE(fs::is_symlink(link));
  ::close(held);
}

TEST(CacheOwnership, ACacheFolderThatIsALinkToTheUsersFilesLosesNothing) {
  ScopedCache cache;
  TempFolder mine;
  // The user's folder, full of SQLite files of their own and old-looking names.
  for (const std::string name : {"history.sqlite", "notes.sqlite", "0000000000000000-0000000000000000.sqlite"}) {
    sqlite3* db = nullptr;
    sqlite3_open((mine.Path() + name).c_str(), &db);
    Exec(db, "CREATE TABLE t (a); INSERT INTO t VALUES (1);");
    sqlite3_close(db);
  }
  const struct timespec old[2] = {{0, UTIME_NOW}, {::time(nullptr) - 90 * 24 * 3600, 0}};
  for (const auto& e : fs::directory_iterator(mine.Path())) ::utimensat(AT_FDCWD, e.path().c_str(), old, 0);
  std::map<std::string, std::string> before;
  for (const auto& e : fs::directory_iterator(mine.Path())) before[e.path().filename()] = Bytes(e.path());
  fs::create_symlink(mine.Path(), cache.Folder().substr(0, cache.Folder().size() - 1));

  TempFolder a, b;
  EXPECT_EQ(FirstCompany(ForeignDirectory(a.Path(), "A Co")).second, 1);
  EXPECT_EQ(FirstCompany(ForeignDirectory(b.Path(), "B Co")).second, 1);
  for (const auto& [name, bytes] : before) EXPECT_EQ(Bytes(mine.Path() + name), bytes) << name;
}

TEST(CacheOwnership, ACacheFolderThatFailsWhileWritingFallsBackToATemporaryCopy) {
  ScopedCache cache;
  TempFolder tmp;
  const std::string path = ForeignDirectory(tmp.Path(), "Full Disk Co");
  // An importer that finds the cache's disk full, and works anywhere else.
  const std::string importer =
      Script(tmp, "fullcache",
             "case \"$*\" in *'/orbisk/.import-'*) echo 'error database or disk is full' >&4; exit 1;; esac\n"
             "exec '" + std::string(ORBISK_BUILD_DIR) + "/bin/orbisk-import' \"$@\"");
  Connection c;
  c.SetImporter(importer);
  c.SetConnectionString("Data Source=" + path);
  Query q("T_Q", &c);
  q.SetSQL("select Company_Name from Company_Info where Company_ID = 1");
  q.Open();
  EXPECT_EQ(q.FieldByName("Company_Name").AsString(), "Full Disk Co");
  EXPECT_EQ(c.ImportsRun(), 2);
  // Nothing of it stays in the cache.
  for (const auto& e : fs::directory_iterator(cache.Folder())) ADD_FAILURE() << e.path();
}

TEST(CacheOwnership, TheImportersDescriptorsSurviveAProgramStartedWithAStandardOneClosed) {
  TempFolder tmp;
  const std::string source = kAccess + "emptyJet4.mdb";
  // The importer checks that its descriptor 3 is the directory file.
  const std::string importer = Script(tmp, "check", "cmp -s /proc/self/fd/3 '" + source + "'");
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(STDOUT_FILENO);
    const int fd = ::open(source.c_str(), O_RDONLY);  // takes descriptor 1
    int rc = 2;
    try {
      RunImporter(importer, fd, tmp.Path() + "out.sqlite", "key", ImportLimitsFor(0), {});
      rc = fd == STDOUT_FILENO ? 0 : 3;
    } catch (...) {
      rc = 1;
    }
    ::_exit(rc);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
