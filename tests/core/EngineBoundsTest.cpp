// A directory opened in place cannot run without end or take the machine's
// memory: statements have a time limit and a Cancel, results and the engine
// a memory limit, and files that would make the engine write beside them
// are imported instead.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/Query.h"

using namespace orbisk;
using orbisk::testing::Exec;
using orbisk::testing::ScopedCache;
using orbisk::testing::TempFolder;
using orbisk::testing::WriteSmallDirectory;
namespace fs = std::filesystem;

using orbisk::testing::Bytes;
using orbisk::testing::Write;

namespace {

constexpr const char* kEndless = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) ";

// Runs a statement on the small directory, bent by `alter` first; the error text.
struct Bent {
  TempFolder folder;
  std::string path;
  explicit Bent(const std::string& alter) {
    path = WriteSmallDirectory(folder.Path());
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    Exec(db, alter);
    sqlite3_close(db);
  }
};

EngineBounds Small(int seconds, long long resultBytes = 64LL << 20, long long heapBytes = 64LL << 20) {
  EngineBounds b = EngineBoundsFor(0);
  b.statementSeconds = seconds;
  b.resultBytes = resultBytes;
  b.heapBytes = heapBytes;
  return b;
}

std::string OpenError(Connection& c, Query& q, double* seconds = nullptr) {
  const auto t0 = std::chrono::steady_clock::now();
  std::string what;
  try {
    q.Open();
  } catch (const LoadCancelled&) {
    what = "cancelled";
  } catch (const std::exception& e) {
    what = e.what();
  }
  if (seconds) *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_FALSE(q.Active());
  (void)c;
  return what;
}


}  // namespace

TEST(EngineBounds, ScaleWithTheMachineAndNeverFallBelowAFloor) {
  const EngineBounds small = EngineBoundsFor(512LL << 20);
  EXPECT_EQ(small.heapBytes, 256LL << 20);
  EXPECT_EQ(small.resultBytes, 256LL << 20);
  const EngineBounds big = EngineBoundsFor(16LL << 30);
  EXPECT_EQ(big.heapBytes, 4LL << 30);
  EXPECT_EQ(big.resultBytes, 4LL << 30);
  EXPECT_GE(big.statementSeconds, 60);  // generous: no sound search comes near it
  const long long usable = UsableMemoryBytes();
  EXPECT_GT(usable, 0);
  EXPECT_LE(EngineBoundsFor(usable).heapBytes, std::max(usable, 256LL << 20));
}

TEST(EngineBounds, AStatementPastItsTimeEndsWithAClearErrorAndTheConnectionGoesOn) {
  Bent bent(std::string("DROP TABLE Main_Category; CREATE VIEW Main_Category AS ") + kEndless +
            "SELECT 'x' AS RecordID, 'x' AS Cat_Name, 'x' AS Cat_Code FROM n WHERE i < 0");
  Connection c;
  c.SetConnectionString("Data Source=" + bent.path);
  c.SetBounds(Small(1));
  Query q("MainCat_Q", &c);
  q.SetSQL("select * from Main_Category");
  double seconds = 0;
  EXPECT_EQ(OpenError(c, q, &seconds), "The search took longer than 1 seconds.");
  EXPECT_GE(seconds, 1.0);
  EXPECT_LT(seconds, 3.0);
  // The next statement has its own time.
  Query ok("Company_Q", &c);
  ok.SetSQL("select Company_ID from Company_Info");
  ok.Open();
  EXPECT_EQ(ok.RecordCount(), 5);
}

TEST(EngineBounds, ProgressIsToldWhileAStatementRunsAndFalseCancelsIt) {
  Bent bent(std::string("CREATE VIEW Slow AS ") + kEndless + "SELECT i FROM n WHERE i < 0");
  Connection c;
  c.SetConnectionString("Data Source=" + bent.path);
  c.SetBounds(Small(30));
  std::vector<double> told;
  c.SetStatementProgress([&](double s) {
    told.push_back(s);
    return s < 0.3;
  });
  Query q("Company_Q", &c);
  q.SetSQL("select * from Slow");
  double seconds = 0;
  EXPECT_EQ(OpenError(c, q, &seconds), "cancelled");
  EXPECT_LT(seconds, 2.0);
  ASSERT_GE(told.size(), 3u);
  EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
  // A quick statement is never told about.
  told.clear();
  Query quick("Company_Q", &c);
  quick.SetSQL("select * from Company_Info");
  quick.Open();
  EXPECT_TRUE(told.empty());
}

TEST(EngineBounds, AResultPastItsSizeEndsWithTheRowsReadNotWithAllTheMemory) {
  Bent bent(std::string("CREATE VIEW Wide AS ") + kEndless + "SELECT i, printf('%.*c', 10000, 'x') AS t FROM n");
  Connection c;
  c.SetConnectionString("Data Source=" + bent.path);
  c.SetBounds(Small(30, 8LL << 20));
  Query q("Company_Q", &c);
  q.SetSQL("select * from Wide");
  const std::string what = OpenError(c, q);
  // 8 MB of 10 KB rows: some 800 rows, never many more.
  long long rows = -1;
  ASSERT_EQ(std::sscanf(what.c_str(), "The result is too large to hold in memory (%lld rows read).", &rows), 1) << what;
  EXPECT_GT(rows, 700);
  EXPECT_LT(rows, 900);
  EXPECT_EQ(what, ResultTooLargeMessage(rows));
}

TEST(EngineBounds, AValueBeyondTheEnginesHeapIsTheSameError) {
  Bent bent("CREATE VIEW Big AS SELECT zeroblob(48000000) AS b; CREATE VIEW Huge AS SELECT zeroblob(900000000) AS b;"
            "CREATE VIEW BigText AS SELECT 1 AS a UNION ALL SELECT printf('%.*c', 48000000, 'x')");
  Connection c;
  c.SetConnectionString("Data Source=" + bent.path);
  c.SetBounds(Small(30, 1LL << 30, 32LL << 20));
  Query q("Company_Q", &c);
  // Past the heap, and past the longest value a directory may hold.
  for (const char* view : {"Big", "Huge"}) {
    q.SetSQL(std::string("select * from ") + view);
    EXPECT_EQ(OpenError(c, q), ResultTooLargeMessage(0)) << view;
  }
  q.SetSQL("select * from BigText");
  EXPECT_EQ(OpenError(c, q), ResultTooLargeMessage(1));
  // A sort of rows without end stays in memory and meets the same bound, never the disk.
  q.SetSQL(std::string(kEndless) + "select i, printf('%.*c', 1000, 'x') from n order by 2 desc, 1");
  EXPECT_EQ(OpenError(c, q).rfind("The result is too large to hold in memory (", 0), 0u);
}

TEST(EngineBounds, AMarkerThatIsNoTableIsNoMarker) {
  // A view whose rows never come would hold the check for ever.
  Bent bent(std::string("CREATE TABLE Kept AS SELECT * FROM Orbisk_Directory; DROP TABLE Orbisk_Directory;"
                        " CREATE VIEW Orbisk_Directory AS ") +
            kEndless + "SELECT k.* FROM n, Kept k WHERE n.i < 0");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(bent.path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(CheckDirectoryMarker(db, nullptr, 30), MarkerCheck::Other);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 1.0);
  sqlite3_close(db);
}

TEST(EngineBounds, TheMarkerCheckHasADeadline) {
  // A schema of many tables takes a while to read: with no time at all the
  // check gives up, with time it finds the marker.
  std::string many = "BEGIN;";
  for (int i = 0; i < 3000; ++i) many += "CREATE TABLE Extra" + std::to_string(i) + " (a, b, c);";
  Bent bent(many + "COMMIT;");
  for (const auto& [seconds, expected] : {std::pair{0, MarkerCheck::TooSlow}, std::pair{30, MarkerCheck::Current}}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(bent.path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::string source = "untouched";
    EXPECT_EQ(CheckDirectoryMarker(db, &source, seconds), expected) << seconds;
    EXPECT_EQ(source, expected == MarkerCheck::Current ? "" : "untouched");
    sqlite3_close(db);
  }
}

TEST(EngineBounds, AFileKeepingALogOrAJournalIsImportedAndNothingIsWrittenBesideIt) {
  ScopedCache cache;
  for (const std::string kind : {"wal", "journal"}) {
    TempFolder folder;
    const std::string path = WriteSmallDirectory(folder.Path());
    if (kind == "wal") {
      sqlite3* db = nullptr;
      sqlite3_open(path.c_str(), &db);
      Exec(db, "PRAGMA journal_mode = WAL");
      sqlite3_close(db);
    } else {
      std::ofstream(path + "-journal") << "";  // an empty journal beside it, left by a writer
    }
    const std::string before = Bytes(path);
    std::vector<std::string> namesBefore;
    for (const auto& e : fs::directory_iterator(fs::path(path).parent_path())) namesBefore.push_back(e.path().filename());
    Connection c;
    c.SetConnectionString("Data Source=" + path);
    Query q("Company_Q", &c);
    q.SetSQL("select Company_ID from Company_Info order by Company_ID");
    try {
      q.Open();
      EXPECT_EQ(q.RecordCount(), 5) << kind;
    } catch (const std::exception& e) {
      // The importer may refuse it; then with the format error, never with a file written.
      EXPECT_EQ(std::string(e.what()).rfind("Unrecognized database format '" + path + "'.", 0), 0u) << e.what();
    }
    EXPECT_EQ(c.ImportsRun(), 1) << kind;  // never opened in place
    c.Close();
    std::vector<std::string> namesAfter;
    for (const auto& e : fs::directory_iterator(fs::path(path).parent_path())) namesAfter.push_back(e.path().filename());
    std::sort(namesBefore.begin(), namesBefore.end());
    std::sort(namesAfter.begin(), namesAfter.end());
    EXPECT_EQ(namesAfter, namesBefore) << kind;
    EXPECT_EQ(Bytes(path), before) << kind;
  }
}
