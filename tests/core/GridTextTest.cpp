// Grid cells as a spreadsheet pastes them.
#include <gtest/gtest.h>

#include "browse/GridText.h"

using namespace orbisk;

TEST(GridText, CellsThatNeedQuotes) {
  EXPECT_EQ(SpreadsheetCell("Prairie Bank Ltd"), "Prairie Bank Ltd");
  EXPECT_EQ(SpreadsheetCell(""), "");
  EXPECT_EQ(SpreadsheetCell("O'Brien, Tools; Ltd"), "O'Brien, Tools; Ltd");  // no tab, break or quote
  EXPECT_EQ(SpreadsheetCell("a\tb"), "\"a\tb\"");
  EXPECT_EQ(SpreadsheetCell("First line\r\nSecond line"), "\"First line\r\nSecond line\"");
  EXPECT_EQ(SpreadsheetCell("line\n"), "\"line\n\"");
  EXPECT_EQ(SpreadsheetCell("The \"best\" bank"), "\"The \"\"best\"\" bank\"");
  EXPECT_EQ(SpreadsheetCell("\""), "\"\"\"\"");
  EXPECT_EQ(SpreadsheetCell("Société Générale"), "Société Générale");
}

TEST(GridText, RowsAndColumns) {
  EXPECT_EQ(TabSeparatedText({}), "");
  EXPECT_EQ(TabSeparatedText({{"one"}}), "one");
  EXPECT_EQ(TabSeparatedText({{"RecNo", "Company Name"}, {"1", "A\tB"}, {"2", ""}}),
            "RecNo\tCompany Name\n1\t\"A\tB\"\n2\t");
  EXPECT_EQ(TabSeparatedText({{"", ""}, {"", ""}}), "\t\n\t");  // empty cells keep their places
}
