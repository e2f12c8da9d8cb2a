#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "search/SearchBuilders.h"

namespace {

std::string HelpPage() {
  std::ifstream in(ORBISK_SOURCE_DIR "/assets/Help/orbisk_help.htm", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

// The help page quotes the program's own messages as the program shows them,
// and says nothing the program no longer does.
TEST(HelpPage, AgreesWithTheProgram) {
  const std::string page = HelpPage();
  ASSERT_FALSE(page.empty());
  EXPECT_NE(page.find(orbisk::kEmployeesNeedNumber), std::string::npos);
  EXPECT_NE(page.find("\"Year Established\""), std::string::npos);
  // An apostrophe works in a search; an Access export to a new name creates the file.
  EXPECT_EQ(page.find("Do not type an apostrophe"), std::string::npos);
  EXPECT_EQ(page.find("Orbisk does not create the database"), std::string::npos);
  EXPECT_NE(page.find("creates a new database"), std::string::npos);
  // A bad number never reaches the database.
  EXPECT_EQ(page.find("refused with a database message when you search"), std::string::npos);
}
