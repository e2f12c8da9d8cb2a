// Date text in the formats its caller gives: nothing about it is shared
// between queries or writers.
#include <gtest/gtest.h>

#include <string>

#include "ExportSupport.h"
#include "data/DateText.h"
#include "data/Query.h"

using namespace orbisk;
using orbisk::testing::Def;
using orbisk::testing::MemoryQuery;

TEST(DateText, FormatsSpellEachPartAndMinutesFollowAnHour) {
  DateTimeParts p;
  p.year = 2024, p.month = 3, p.day = 5, p.hour = 7, p.minute = 4, p.second = 9;
  EXPECT_EQ(FormatDatePart("yyyy-mm-dd", p), "2024-03-05");
  EXPECT_EQ(FormatDatePart("d/m/yy", p), "5/3/24");
  EXPECT_EQ(FormatDatePart("DD.MM.YYYY", p), "05.03.2024");
  // "mm" after an hour is the minute; "n" is always the minute.
  EXPECT_EQ(FormatDatePart("hh:mm:ss", p), "07:04:09");
  EXPECT_EQ(FormatDatePart("h.n s", p), "7.4 9");
  EXPECT_EQ(FormatDatePart("", p), "");
  EXPECT_EQ(FormatDatePart("at hh", p), "at 07");  // letters without a meaning pass through
}

TEST(DateText, EachQueryShowsItsOwnFormatsAndAWriterMayPassOthers) {
  const char* setup =
      "CREATE TABLE D (d DATETIME, t DATETIME);"
      "INSERT INTO D VALUES ('2024-03-05 13:04:05', '1899-12-30 09:08:07'), ('2024-12-31 00:00:00', NULL);";
  MemoryQuery a(setup, "select * from D", {Def("d", ftDateTime), Def("t", ftTime)});
  MemoryQuery b(setup, "select * from D", {Def("d", ftDateTime), Def("t", ftTime)});
  a.q.SetDateFormats({"dd/mm/yyyy", "hh.nn"});
  const Field& ad = a.q.FieldByName("d");
  const Field& bd = b.q.FieldByName("d");
  EXPECT_EQ(ad.TextAt(0), "05/03/2024 13.04");
  EXPECT_EQ(bd.TextAt(0), "2024-03-05 13:04:05");  // the other query keeps the usual formats
  EXPECT_EQ(ad.TextAt(1), "31/12/2024");            // midnight: the date alone
  EXPECT_EQ(a.q.FieldByName("t").TextAt(0), "09.08");
  EXPECT_EQ(a.q.FieldByName("t").TextAt(1), "");    // null stays empty
  // Formats passed in win over the query's, and leave them as they were.
  EXPECT_EQ(ad.TextOf(ad.ViewAt(0), DateFormats{"yyyy", "ss"}), "2024 05");
  EXPECT_EQ(a.q.GetDateFormats().shortDate, "dd/mm/yyyy");
  EXPECT_EQ(ad.AsString(), "05/03/2024 13.04");
}
