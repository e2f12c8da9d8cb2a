#include "data/DateText.h"

#include <cstdio>
#include <ctime>

namespace orbisk {

std::string FormatDatePart(const std::string& fmt, const DateTimeParts& p) {
  const int y = p.year, mo = p.month, d = p.day, h = p.hour, mi = p.minute, s = p.second;
  std::string out;
  for (size_t i = 0; i < fmt.size();) {
    auto run = [&](char c) {
      size_t n = 0;
      while (i + n < fmt.size() && (fmt[i + n] == c || fmt[i + n] == c - 32)) ++n;
      return n;
    };
    char c = fmt[i];
    char lc = (c >= 'A' && c <= 'Z') ? c + 32 : c;
    size_t n = (lc >= 'a' && lc <= 'z') ? run(lc) : 0;
    char buf[16];
    if (lc == 'y' && n) {
      std::snprintf(buf, sizeof buf, n <= 2 ? "%02d" : "%04d", n <= 2 ? y % 100 : y);
    } else if (lc == 'm' && n) {
      // "mm" after an hour is minutes, as in the classic formats.
      bool minutes = !out.empty() && (fmt.find_last_of("hH", i) != std::string::npos) &&
                     fmt.find_last_of("dDyY", i) == std::string::npos;
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", minutes ? mi : mo);
    } else if (lc == 'd' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", d);
    } else if (lc == 'h' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", h);
    } else if (lc == 'n' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", mi);
    } else if (lc == 's' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", s);
    } else {
      out += c;
      ++i;
      continue;
    }
    out += buf;
    i += n;
  }
  return out;
}

std::string FormatDateValue(const ValueView& v, TFieldType type, const DateFormats& f) {
  DateTimeParts p;
  if (!DecodeDateValue(v, p)) return v.AsText();
  std::string date = FormatDatePart(f.shortDate, p);
  std::string time = FormatDatePart(f.longTime, p);
  if (type == ftDate) return date;
  if (type == ftTime) return time;
  if (p.hour == 0 && p.minute == 0 && p.second == 0) return date;  // midnight shows the date alone
  return date + " " + time;
}

bool DecodeDateValue(const ValueView& v, DateTimeParts& p) {
  p = DateTimeParts{};
  if (v.kind() == ValueKind::Text) {
    const std::string text(v.Bytes());
    const std::string* t = &text;
    if (std::sscanf(t->c_str(), "%d-%d-%d %d:%d:%d", &p.year, &p.month, &p.day, &p.hour, &p.minute,
                    &p.second) >= 3)
      return true;
    p = DateTimeParts{};  // a time alone lies on the serial's day zero
    return std::sscanf(t->c_str(), "%d:%d:%d", &p.hour, &p.minute, &p.second) >= 2;
  }
  if (v.kind() != Value::Kind::Integer && v.kind() != Value::Kind::Real) return false;
  // Days since 1899-12-30, the classic date serial: the whole part counts days
  // toward zero and the fraction's absolute value is the time of day, so -1.25
  // is 1899-12-29 06:00. The time is rounded to the second; a time that rounds
  // up to 24:00 is midnight of the next day.
  const double serial = v.AsReal();
  // Years 1 to 9999, as the classic dates reach; anything else (and NaN) is no date.
  if (!(serial > -693594.0 && serial < 2958466.0)) return false;
  long long days = static_cast<long long>(serial);  // truncates toward zero
  double frac = serial - static_cast<double>(days);
  if (frac < 0) frac = -frac;
  long long secs = static_cast<long long>(frac * 86400.0 + 0.5);
  if (secs >= 86400) {
    secs -= 86400;
    ++days;
  }
  std::time_t tt = static_cast<std::time_t>((days - 25569) * 86400LL);
  std::tm tm{};
  if (!gmtime_r(&tt, &tm)) return false;
  p.year = tm.tm_year + 1900, p.month = tm.tm_mon + 1, p.day = tm.tm_mday;
  p.hour = static_cast<int>(secs / 3600), p.minute = static_cast<int>(secs / 60 % 60),
  p.second = static_cast<int>(secs % 60);
  return true;
}

}  // namespace orbisk
