// The program's own messages: their English text as the command line and
// scripts read it, and the identity and values the windows translate from.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "data/AtomicFile.h"
#include "data/Connection.h"
#include "data/DirectoryImport.h"
#include "data/ExportTarget.h"
#include "data/Message.h"
#include "tests/core/TestDirectory.h"

using namespace orbisk;
using orbisk::testing::TempFolder;

namespace {

// The failure a piece of work throws; fails the test when it throws nothing
// or something without an identity.
Failure FailureOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const Failure& f) {
    return f;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "no message identity: " << e.what();
  }
  ADD_FAILURE() << "nothing thrown";
  return Failure(kVerbatim, {""});
}

void OpenDirectory(const std::string& path) {
  Connection c;
  c.SetConnectionString("Data Source=" + path);
  c.EnsureOpen();
}

}  // namespace

TEST(Message, PlacesAreFilledAtOnceAndValuesStayAsGiven) {
  EXPECT_EQ(FillPlaces("Cannot write '%1': %2.", {"a.csv", "Permission denied"}),
            "Cannot write 'a.csv': Permission denied.");
  // A value holding a place is never filled again, whatever its order.
  EXPECT_EQ(FillPlaces("%1 and %2", {"%2", "%1"}), "%2 and %1");
  // Places may come in any order and more than once.
  EXPECT_EQ(FillPlaces("%2%1%2", {"a", "b"}), "bab");
  // A place without a value, and what is no place, stay as written.
  EXPECT_EQ(FillPlaces("%1 %2 %0 %% 100% %a", {"x"}), "x %2 %0 %% 100% %a");
  EXPECT_EQ(FillPlaces("ends with %", {}), "ends with %");
  EXPECT_EQ(FillPlaces("%9", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}), "nine");
  EXPECT_EQ(FillPlaces("", {"unused"}), "");
}

TEST(Message, AFailureSaysItsLinesInEnglishOnePerLine) {
  const Failure f({Message{msg::kUnrecognizedFormat, {"/x/corpdir.mdb"}}, Message{msg::kCannotBeRead, {"Permission denied"}}});
  EXPECT_STREQ(f.what(), "Unrecognized database format '/x/corpdir.mdb'.\nIt cannot be read: Permission denied.");
  ASSERT_EQ(f.Lines().size(), 2u);
  EXPECT_STREQ(f.Lines()[1].text, msg::kCannotBeRead);
  // An import failure built from plain words keeps them as one verbatim line.
  const ImportFailed plain("Its list of tables cannot be read.");
  EXPECT_STREQ(plain.what(), "Its list of tables cannot be read.");
  EXPECT_EQ(EnglishText(plain.message), "Its list of tables cannot be read.");
  const ImportFailed timed(Message{msg::kReadingTookTooLong, {"60"}});
  EXPECT_STREQ(timed.what(), "Reading it took longer than 60 seconds.");
}

TEST(Message, DirectoryErrorsCarryTheirIdentityAndTheFileNamed) {
  TempFolder tmp;
  const std::string missing = tmp.Path() + "missing.mdb";
  Failure f = FailureOf([&] { OpenDirectory(missing); });
  ASSERT_EQ(f.Lines().size(), 1u);
  EXPECT_STREQ(f.Lines()[0].text, msg::kFileNotFound);
  EXPECT_EQ(f.Lines()[0].args, std::vector<std::string>{missing});
  EXPECT_EQ(std::string(f.what()), "Could not find file '" + missing + "'.");

  const std::string junk = tmp.Path() + "junk.mdb";
  std::ofstream(junk) << "no database at all";
  f = FailureOf([&] { OpenDirectory(junk); });
  ASSERT_EQ(f.Lines().size(), 1u);
  EXPECT_STREQ(f.Lines()[0].text, msg::kUnrecognizedFormat);
  EXPECT_EQ(std::string(f.what()), "Unrecognized database format '" + junk + "'.");

  // A damaged Access file: the format line, then the reason as a line of its own.
  std::ifstream good(ORBISK_TEST_DATA "/access/directory-200.mdb", std::ios::binary);
  std::string head(8192, '\0');
  good.read(head.data(), 4096);
  const std::string damaged = tmp.Path() + "damaged.mdb";
  std::ofstream(damaged, std::ios::binary) << head;
  f = FailureOf([&] { OpenDirectory(damaged); });
  ASSERT_EQ(f.Lines().size(), 2u) << f.what();
  EXPECT_STREQ(f.Lines()[0].text, msg::kUnrecognizedFormat);
  EXPECT_EQ(std::string(f.what()).rfind("Unrecognized database format '" + damaged + "'.\n", 0), 0u);
  EXPECT_EQ(std::string(f.what()).substr(std::string(f.what()).find('\n') + 1), EnglishText(f.Lines()[1]));
}

TEST(Message, ExportGuardsAndWritersNameTheTargetAndKeepTheirEnglish) {
  TempFolder tmp;
  struct Case {
    std::string target;
    const char* text;
    std::string english;
  };
  const std::string folder = tmp.Path() + "sub";
  std::filesystem::create_directories(folder);
  for (const Case& c : {Case{tmp.Path(), msg::kNoFileName, "Cannot write '" + tmp.Path() + "': no file name."},
                        Case{folder, msg::kIsAFolder, "'" + folder + "' is a folder."},
                        Case{"/dev/null", msg::kIsADevice, "'/dev/null' is a device."}}) {
    Failure f = FailureOf([&] { CheckExportTarget(c.target); });
    ASSERT_EQ(f.Lines().size(), 1u);
    EXPECT_STREQ(f.Lines()[0].text, c.text) << c.target;
    EXPECT_EQ(f.Lines()[0].args.at(0), c.target);
    EXPECT_EQ(std::string(f.what()), c.english);
  }
  // A file in a folder that is not there: the reason comes from the system.
  const std::string nowhere = tmp.Path() + "missing/list.csv";
  Failure f = FailureOf([&] { AtomicFile file(nowhere); });
  ASSERT_EQ(f.Lines().size(), 1u);
  EXPECT_STREQ(f.Lines()[0].text, msg::kCannotCreate);
  ASSERT_EQ(f.Lines()[0].args.size(), 2u);
  EXPECT_EQ(std::string(f.what()), "Cannot create '" + nowhere + "': " + f.Lines()[0].args[1]);
}
