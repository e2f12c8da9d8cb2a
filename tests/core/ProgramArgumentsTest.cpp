// The window program's command line and the directory file it settles on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "TestDirectory.h"
#include "app/ProgramArguments.h"
#include "data/Connection.h"
#include "data/ProgramFiles.h"

using namespace orbisk;
using Action = ProgramArguments::Action;

TEST(ProgramArguments, FileHelpVersionAndMistakes) {
  EXPECT_EQ(ParseProgramArguments({}).action, Action::Run);
  EXPECT_EQ(ParseProgramArguments({}).file, "");
  auto one = ParseProgramArguments({"/data/dir.accdb"});
  EXPECT_EQ(one.action, Action::Run);
  EXPECT_EQ(one.file, "/data/dir.accdb");
  // --help and --version win wherever they stand, even after a mistake.
  EXPECT_EQ(ParseProgramArguments({"--bogus", "a", "b", "--help"}).action, Action::Help);
  EXPECT_EQ(ParseProgramArguments({"-h"}).action, Action::Help);
  EXPECT_EQ(ParseProgramArguments({"x.mdb", "--version"}).action, Action::Version);
  // After "--" they are file names.
  auto dashed = ParseProgramArguments({"--", "--version"});
  EXPECT_EQ(dashed.action, Action::Run);
  EXPECT_EQ(dashed.file, "--version");
  EXPECT_EQ(ParseProgramArguments({"-"}).file, "-");  // a lone dash is a name
  auto unknown = ParseProgramArguments({"--bogus", "x.mdb"});
  EXPECT_EQ(unknown.action, Action::Usage);
  EXPECT_EQ(unknown.error, "unknown option --bogus");
  auto two = ParseProgramArguments({"a.mdb", "b.mdb"});
  EXPECT_EQ(two.action, Action::Usage);
  EXPECT_EQ(two.error, "only one directory file can be given");
  EXPECT_EQ(ParseProgramArguments({""}).action, Action::Usage);
  EXPECT_EQ(ProgramVersionText(), "orbisk 1.02\n");
  EXPECT_NE(ProgramHelpText().find("Usage: orbisk [FILE]"), std::string::npos);
}

namespace {
// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
 private:
  const char* name_;
  std::optional<std::string> old_;
};
}  // namespace

TEST(DirectoryFile, UserDataFirstThenBesideTheProgram) {
  orbisk::testing::TempFolder home, data;
  ScopedEnv h("HOME", home.Path().c_str());
  {
    ScopedEnv x("XDG_DATA_HOME", data.Path().c_str());
    EXPECT_EQ(UserDirectoryFile(), data.Path() + "orbisk/Database/corpdir.mdb");
    EXPECT_EQ(DefaultDirectoryFile("/opt/orbisk/"), "/opt/orbisk/Database/corpdir.mdb");  // not there yet
    std::filesystem::create_directories(data.Path() + "orbisk/Database");
    std::ofstream(data.Path() + "orbisk/Database/corpdir.mdb") << "x";
    EXPECT_EQ(DefaultDirectoryFile("/opt/orbisk/"), data.Path() + "orbisk/Database/corpdir.mdb");
  }
  // Unset, empty or relative: ~/.local/share, as the XDG rules have it.
  for (const char* value : {static_cast<const char*>(nullptr), "", "relative/share"}) {
    ScopedEnv x("XDG_DATA_HOME", value);
    EXPECT_EQ(UserDirectoryFile(), home.Path() + ".local/share/orbisk/Database/corpdir.mdb");
  }
  ScopedEnv x("XDG_DATA_HOME", nullptr);
  ScopedEnv noHome("HOME", nullptr);
  EXPECT_EQ(UserDirectoryFile(), "");
  EXPECT_EQ(DefaultDirectoryFile("/opt/orbisk/"), "/opt/orbisk/Database/corpdir.mdb");
}

TEST(DirectoryFile, AnyNameSurvivesTheConnectionString) {
  for (const char* path : {"/plain/corpdir.mdb", "/a;b/c.mdb", "/say \"hi\";/d.mdb", " /lead", "/trail ",
                           "/data source=/x.mdb"}) {
    Connection c;
    c.SetConnectionString(ConnectionStringForFile(path));
    EXPECT_EQ(c.DataSource(), path) << c.ConnectionString();
  }
  EXPECT_EQ(ConnectionStringForFile("/plain/corpdir.mdb"),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/plain/corpdir.mdb");
}

TEST(DirectoryFile, QuotedNameOpensTheFile) {
  orbisk::testing::TempFolder folder;
  const std::string odd = folder.Path() + "my;dir";
  std::filesystem::create_directories(odd);
  orbisk::testing::WriteSmallDirectory(odd + "/");
  Connection c;
  c.SetConnectionString(ConnectionStringForFile(odd + "/Database/corpdir.mdb"));
  EXPECT_NO_THROW(c.EnsureOpen());
  EXPECT_TRUE(c.Connected());
}
