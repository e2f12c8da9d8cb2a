#pragma once
// The text of date and time values: decoding what the engine stores (ISO text
// or a classic date serial) and writing it in the formats the caller gives.
// Nothing here is program-wide: whoever shows a date says in which formats.
#include <string>

#include "data/FieldType.h"
#include "data/Value.h"

namespace orbisk {

// "yyyy-mm-dd" / "hh:mm:ss" style formats: y year, m month (minutes after an
// hour), d day, h hour, n minute, s second; two letters pad to two digits.
struct DateFormats {
  std::string shortDate = "yyyy-mm-dd";
  std::string longTime = "hh:mm:ss";
};

// The parts of a date value: ISO text ("yyyy-mm-dd hh:mm:ss", date or time alone)
// or a classic date serial. False when the value is no date.
struct DateTimeParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
bool DecodeDateValue(const ValueView& v, DateTimeParts& parts);
inline bool DecodeDateValue(const Value& v, DateTimeParts& parts) { return DecodeDateValue(v.View(), parts); }

// The parts of a date written in one format.
std::string FormatDatePart(const std::string& fmt, const DateTimeParts& parts);
// A date field's text: the date for ftDate, the time for ftTime, else both
// (the date alone at midnight). A value that is no date keeps its own text.
std::string FormatDateValue(const ValueView& v, TFieldType type, const DateFormats& formats);

}  // namespace orbisk
