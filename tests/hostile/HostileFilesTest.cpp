// Crafted files against the command line, as a user runs it: each must give
// a clear error or the right rows, within seconds and bounded memory, and
// change no file outside the test's own target.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "TestDirectory.h"
#include "data/DirectoryCache.h"
#include "export/ZipCheck.h"

using orbisk::testing::TempFolder;
namespace fs = std::filesystem;

using orbisk::testing::Bytes;
using orbisk::testing::Write;

namespace {

const std::string kFiles = std::string(ORBISK_HOSTILE_FILES) + "/";
const std::string kCli = ORBISK_CLI;


struct Outcome {
  int exit = -1;
  std::string out, err;
  double seconds = 0;
  long peakMb = 0;
};

// Runs the command line with `env` added, under an address-space limit (so
// that its bounds are those of a small machine); what it printed, how it
// ended, how long it took and its peak memory.
Outcome RunCli(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
            long long addressSpaceMb = 2048) {
  TempFolder io;
  const std::string out = io.Path() + "out", err = io.Path() + "err";
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(o, 1);
    ::dup2(e, 2);
    for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
    const struct rlimit as = {static_cast<rlim_t>(addressSpaceMb) << 20, static_cast<rlim_t>(addressSpaceMb) << 20};
    ::setrlimit(RLIMIT_AS, &as);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kCli.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage ru {};
  ::wait4(pid, &status, 0, &ru);
  Outcome r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  r.peakMb = ru.ru_maxrss / 1024;
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = Bytes(out);
  r.err = Bytes(err);
  return r;
}

// Every file under a folder with its size and modification time.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    struct stat st;
    if (::lstat(e.path().c_str(), &st) != 0) continue;
    files[e.path()] = std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
  }
  return files;
}

// A copy of a crafted file in a folder of the test's own, and a cache there.
struct Target {
  TempFolder folder;
  std::string path;
  std::string cache;
  explicit Target(const std::string& name) {
    path = folder.Path() + name;
    fs::copy_file(kFiles + name, path);
    cache = folder.Path() + "cache";
  }
  std::map<std::string, std::string> Env() const { return {{"XDG_CACHE_HOME", cache}, {"TMPDIR", folder.Path()}}; }
};

// The rows of the sound directory the crafted ones were made from.
std::string SoundCompanies() {
  static const std::string rows =
      RunCli({"--database", kFiles + "base.sqlite", "search", "company", "--top", "all", "--order-by", "name"}).out;
  return rows;
}

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override { before_ = Snapshot(kFiles); }
  void TearDown() override { EXPECT_EQ(Snapshot(kFiles), before_) << "a crafted file or its folder changed"; }

 private:
  std::map<std::string, std::string> before_;
};

}  // namespace

TEST_F(Hostile, ASearchReturningRowsWithoutEndStopsAtTheResultBound) {
  Target t("memory.sqlite");
  // On a machine of 1 GB: a quarter of it for the result.
  const auto r = RunCli({"--database", t.path, "search", "company", "--top", "all"}, t.Env(), 1024);
  EXPECT_EQ(r.exit, 1);
  long long rows = 0;
  EXPECT_EQ(std::sscanf(r.err.c_str(), "The result is too large to hold in memory (%lld rows read).", &rows), 1) << r.err;
  EXPECT_GT(rows, 10000);  // 256 MB of 20 KB rows, some 13,000
  EXPECT_LT(rows, 14000);
  EXPECT_LT(r.seconds, 30);
  EXPECT_LT(r.peakMb, 700);
  std::printf("memory.sqlite: %.1f s, peak %ld MB, %s", r.seconds, r.peakMb, r.err.c_str());
}

TEST_F(Hostile, CategoriesThatSpinForEverEndAtTheTimeLimit) {
  Target t("spin.sqlite");
  for (const std::vector<std::string>& command : {std::vector<std::string>{"categories"},
                                                  std::vector<std::string>{"search", "company", "--name", "bank"}}) {
    std::vector<std::string> args = {"--database", t.path, "--time-limit", "2"};
    args.insert(args.end(), command.begin(), command.end());
    const auto r = RunCli(args, t.Env());
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "The search took longer than 2 seconds.\n");
    EXPECT_GE(r.seconds, 2);
    EXPECT_LT(r.seconds, 6);
    EXPECT_LT(r.peakMb, 200);
    std::printf("spin.sqlite %s: %.1f s, peak %ld MB\n", command[0].c_str(), r.seconds, r.peakMb);
  }
}

TEST_F(Hostile, AMarkerThatNeverEndsHoldsNothingUp) {
  Target t("hangopen.sqlite");
  const auto r = RunCli({"--database", t.path, "categories"}, t.Env());
  EXPECT_LT(r.seconds, 30);
  EXPECT_LT(r.peakMb, 800);
  if (r.exit != 0) EXPECT_EQ(r.err.rfind("Unrecognized database format '" + t.path + "'.\n", 0), 0u) << r.err;
  else EXPECT_NE(r.out.find("Abor"), std::string::npos) << r.out;
  std::printf("hangopen.sqlite: exit %d, %.1f s, peak %ld MB %s\n", r.exit, r.seconds, r.peakMb, r.err.c_str());
}

TEST_F(Hostile, AValueOfNineHundredMegabytesIsRefusedNotAllocated) {
  Target t("huge.sqlite");
  const auto r = RunCli({"--database", t.path, "search", "company", "--top", "5"}, t.Env());
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "The result is too large to hold in memory (0 rows read).\n");
  EXPECT_LT(r.seconds, 10);
  EXPECT_LT(r.peakMb, 800);
  std::printf("huge.sqlite: %.1f s, peak %ld MB\n", r.seconds, r.peakMb);
}

TEST_F(Hostile, AWriteAheadLogDirectoryIsNeverWrittenBeside) {
  Target t("wal.sqlite");
  const auto before = Snapshot(t.folder.Path());
  const std::string bytes = Bytes(t.path);
  const auto r = RunCli({"--database", t.path, "search", "company", "--top", "all", "--order-by", "name"}, t.Env());
  if (r.exit == 0) EXPECT_EQ(r.out, SoundCompanies());
  else EXPECT_EQ(r.err.rfind("Unrecognized database format '" + t.path + "'.\n", 0), 0u) << r.err;
  EXPECT_EQ(Bytes(t.path), bytes);
  for (const char* beside : {"-wal", "-shm", "-journal"}) EXPECT_FALSE(fs::exists(t.path + beside)) << beside;
  auto after = Snapshot(t.folder.Path());
  for (auto it = after.begin(); it != after.end();)  // the cache is the program's to write
    it = it->first.rfind(t.cache, 0) == 0 ? after.erase(it) : std::next(it);
  EXPECT_EQ(after, before);
}

TEST_F(Hostile, AFifoOrADeviceAsCacheEntryIsPassedBy) {
  Target t("foreign.sqlite");
  const std::string entry = t.cache + "/orbisk/" + orbisk::CacheEntryName(*orbisk::IdentityOf(fs::canonical(t.path)));
  fs::create_directories(t.cache + "/orbisk");
  ASSERT_EQ(::mkfifo(entry.c_str(), 0600), 0);
  auto r = RunCli({"--database", t.path, "search", "company", "--top", "all", "--order-by", "name"}, t.Env());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, SoundCompanies());
  EXPECT_LT(r.seconds, 15);
  fs::remove(entry);
  fs::create_symlink("/dev/zero", entry);
  r = RunCli({"--database", t.path, "search", "company", "--top", "all", "--order-by", "name"}, t.Env());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, SoundCompanies());
  EXPECT_LT(r.seconds, 15);
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(entry)));
}

TEST_F(Hostile, APlantedOrStaleEntryIsNeverServed) {
  Target t("foreign.sqlite");
  TempFolder other;
  const std::string second = other.Path() + "second.sqlite";
  fs::copy_file(t.path, second);
  ASSERT_EQ(std::system(("sqlite3 '" + second + "' \"UPDATE Company_Info SET Company_Name = 'Planted Name Test'"
                         " WHERE Company_ID = (SELECT min(Company_ID) FROM Company_Info)\"").c_str()), 0);
  const std::vector<std::string> search = {"search", "company", "--name", "Planted Name Test"};
  auto withDb = [&](const std::string& db) {
    std::vector<std::string> args = {"--database", db};
    args.insert(args.end(), search.begin(), search.end());
    return RunCli(args, t.Env());
  };
  // The first file's entry, planted under the name the second one's has.
  EXPECT_EQ(withDb(t.path).exit, 0);
  const std::string folder = t.cache + "/orbisk/";
  const std::string firstEntry = folder + orbisk::CacheEntryName(*orbisk::IdentityOf(fs::canonical(t.path)));
  const std::string secondEntry = folder + orbisk::CacheEntryName(*orbisk::IdentityOf(fs::canonical(second)));
  fs::copy_file(firstEntry, secondEntry);
  auto r = withDb(second);
  EXPECT_NE(r.out.find("Planted Name Test"), std::string::npos) << r.out << r.err;

  // The first file rewritten in place, its time set back: the old rows are not served.
  struct stat st;
  ASSERT_EQ(::stat(t.path.c_str(), &st), 0);
  ASSERT_EQ(std::system(("sqlite3 '" + t.path + "' \"UPDATE Company_Info SET Company_Name = 'Planted Name Test'"
                         " WHERE Company_ID = (SELECT max(Company_ID) FROM Company_Info)\"").c_str()), 0);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, t.path.c_str(), times, 0), 0);
  r = withDb(t.path);
  EXPECT_NE(r.out.find("Planted Name Test"), std::string::npos) << r.out << r.err;
}

TEST_F(Hostile, ACacheFolderLinkedToTheUsersFilesLosesNothing) {
  Target t("foreign.sqlite");
  TempFolder mine;
  for (const std::string name : {"places.sqlite", "cookies.sqlite", "0123456789abcdef-0123456789abcdef.sqlite"})
    fs::copy_file(kFiles + "foreign.sqlite", mine.Path() + name);
  const struct timespec old[2] = {{0, UTIME_NOW}, {::time(nullptr) - 100 * 24 * 3600, 0}};
  for (const auto& e : fs::directory_iterator(mine.Path())) ::utimensat(AT_FDCWD, e.path().c_str(), old, 0);
  fs::create_directories(t.cache);
  fs::create_symlink(mine.Path(), t.cache + "/orbisk");
  const auto before = Snapshot(mine.Path());
  std::map<std::string, std::string> bytes;
  for (const auto& [path, _] : before) bytes[path] = Bytes(path);
  const auto r = RunCli({"--database", t.path, "search", "company", "--top", "all", "--order-by", "name"}, t.Env());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, SoundCompanies());
  for (const auto& [path, content] : bytes) EXPECT_EQ(Bytes(path), content) << path;
}

namespace {

// Runs a shell script in a user and mount namespace of its own, where it may
// mount a tmpfs; empty when this machine does not allow it.
bool CanMountTmpfs(std::string& why) {
  const int rc = std::system("unshare -r -m sh -c 'd=$(mktemp -d) && mount -t tmpfs -o size=64k tmpfs \"$d\"' "
                             ">/dev/null 2>&1");
  if (rc == 0) return true;
  why = "this machine does not let an unprivileged test mount a tmpfs (unshare -r -m)";
  return false;
}

// Fills a folder on a small tmpfs to the last byte.
const char* kFill = "dd if=/dev/zero of=\"$1/filler\" bs=4k >/dev/null 2>&1 || true; ";

}  // namespace

TEST_F(Hostile, AFullTemporaryFolderOrTargetFolderNeverBreaksAWorkbook) {
  std::string why;
  if (!CanMountTmpfs(why)) GTEST_SKIP() << why;
  Target t("foreign.sqlite");
  const std::string full = t.folder.Path() + "full";
  const std::string out = t.folder.Path() + "out";
  fs::create_directories(full);
  fs::create_directories(out);
  const std::string good = out + "/report.xlsx";
  // A sound workbook first, to be kept when a later export fails.
  auto r = RunCli({"--database", kFiles + "base.sqlite", "search", "company", "--top", "all", "--export", "excel",
                "--output", good},
               t.Env());
  ASSERT_EQ(r.exit, 0) << r.err;
  // Runs `body` with $1 a full tmpfs of 128 KB mounted on `full`; its exit status and output.
  auto inTmpfs = [&](const std::string& body) {
    const std::string script = t.folder.Path() + "tmpfs.sh";
    std::ofstream(script) << "set -e\nmount -t tmpfs -o size=128k tmpfs \"$1\"\n" << kFill << "\n" << body << "\n";
    const std::string command = "unshare -r -m sh '" + script + "' '" + full + "' 2>&1";
    std::string text;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    const int rc = p ? ::pclose(p) : -1;
    return std::make_pair(rc, text);
  };
  const std::string export_ = kCli + " --database '" + kFiles + "base.sqlite' search company --top all --export excel";
  // The temporary folder full: the workbook is written whole all the same.
  auto [rc1, text1] = inTmpfs("TMPDIR=\"$1\" " + export_ + " --output '" + out + "/new.xlsx'");
  EXPECT_EQ(rc1, 0) << text1;
  EXPECT_EQ(orbisk::ZipArchiveProblem(out + "/new.xlsx", orbisk::RequiredWorkbookParts()), "");
  // The target's folder full: an error, the old workbook stays, nothing else is left.
  auto [rc2, text2] = inTmpfs("rm -f \"$1/filler\"; cp '" + good + "' \"$1/report.xlsx\"; " + kFill + "if " +
                              export_ + " --output \"$1/report.xlsx\"; then echo EXPORTED; fi; cmp -s '" + good +
                              "' \"$1/report.xlsx\" && echo SAME; ls -A \"$1\"");
  EXPECT_EQ(rc2, 0) << text2;
  EXPECT_NE(text2.find("Cannot write"), std::string::npos) << text2;
  EXPECT_EQ(text2.find("EXPORTED"), std::string::npos) << text2;
  EXPECT_NE(text2.find("SAME\nfiller\nreport.xlsx\n"), std::string::npos) << text2;
  // The cache folder full: the directory is still imported, into a temporary copy.
  auto [rc3, text3] = inTmpfs("XDG_CACHE_HOME=\"$1\" " + kCli + " --database '" + t.path +
                              "' search company --top all --order-by name");
  EXPECT_EQ(rc3, 0) << text3;
  EXPECT_EQ(text3, SoundCompanies());
}
