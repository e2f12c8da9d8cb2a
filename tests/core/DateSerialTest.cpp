// Numeric date serials: days since 1899-12-30, as Access stores dates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "ExportSupport.h"
#include "data/Query.h"

using namespace orbisk;
using orbisk::testing::Def;
using orbisk::testing::MemoryQuery;

namespace {

std::string Decoded(double serial) {
  DateTimeParts p;
  if (!DecodeDateValue(Value(serial), p)) return "no date";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                p.second);
  return buf;
}

}  // namespace

TEST(DateSerial, DaysTowardZeroAndTheFractionAsTimeOfDay) {
  struct Case {
    double serial;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "1899-12-30 00:00:00"},
      {1.0, "1899-12-31 00:00:00"},
      {2.5, "1900-01-01 12:00:00"},
      {-1.0, "1899-12-29 00:00:00"},
      // A negative serial: the day counts toward zero, the fraction is still a time of day.
      {-1.25, "1899-12-29 06:00:00"},
      {-0.5, "1899-12-30 12:00:00"},
      {-2.75, "1899-12-28 18:00:00"},
      // Rounded to the second, with the carry into the next day.
      {0.999999999, "1899-12-31 00:00:00"},
      {-1.999999999, "1899-12-30 00:00:00"},
      {45356.99999, "2024-03-05 23:59:59"},
      {45356.999995, "2024-03-06 00:00:00"},
      {45356.5 + 0.4 / 86400, "2024-03-05 12:00:00"},
      {45356.5 + 0.6 / 86400, "2024-03-05 12:00:01"},
      {60.0, "1900-02-28 00:00:00"},
      {2958465.0, "9999-12-31 00:00:00"},
      {-693593.0, "0001-01-01 00:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decoded(c.serial), c.text) << "serial " << c.serial;
  // An integer serial decodes like the same real.
  DateTimeParts p;
  ASSERT_TRUE(DecodeDateValue(Value(int64_t{-1}), p));
  EXPECT_EQ(p.day, 29);
}

TEST(DateSerial, ValuesBeyondTheCalendarAreNoDate) {
  for (double v : {2958466.0, -693594.5, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(Decoded(v), "no date") << v;
  DateTimeParts p;
  EXPECT_FALSE(DecodeDateValue(Value(int64_t{9223372036854775807}), p));
}

TEST(DateSerial, FieldTextOfStoredSerials) {
  MemoryQuery m(
      "CREATE TABLE S (d DATETIME, dOnly DATETIME, tOnly DATETIME);"
      "INSERT INTO S VALUES (-1.25, -1.25, -1.25), (0.999999999, 0.999999999, 0.999999999), (1e300, 1e300, 1e300);",
      "select * from S", {Def("d", ftDateTime), Def("dOnly", ftDate), Def("tOnly", ftTime)});
  m.q.SetDateFormats(DateFormats{});
  const Field& d = m.q.FieldByName("d");
  const Field& dOnly = m.q.FieldByName("dOnly");
  const Field& tOnly = m.q.FieldByName("tOnly");
  EXPECT_EQ(d.TextAt(0), "1899-12-29 06:00:00");
  EXPECT_EQ(dOnly.TextAt(0), "1899-12-29");
  EXPECT_EQ(tOnly.TextAt(0), "06:00:00");
  // Just below midnight is the next day's midnight: the date alone, never "24:00:00".
  EXPECT_EQ(d.TextAt(1), "1899-12-31");
  EXPECT_EQ(tOnly.TextAt(1), "00:00:00");
  // A number no calendar holds is shown as the number it is.
  EXPECT_EQ(d.TextAt(2), Value(1e300).AsText());
}
