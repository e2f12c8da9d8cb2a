#include "data/jet/JetValue.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "data/jet/JetText.h"

namespace orbisk::jet {

namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
  return s;
}

std::string Shown(const Value& v) {
  if (v.kind() == Value::Kind::Blob) return "(binary data)";
  std::string t = v.AsText();
  if (t.size() > 40) t = t.substr(0, 37) + "...";
  return t;
}

const char* TypeName(ColumnType t) {
  switch (t) {
    case ColumnType::Bit: return "Yes/No";
    case ColumnType::Byte: return "Byte";
    case ColumnType::Integer: return "Integer";
    case ColumnType::Long: return "Long Integer";
    case ColumnType::Money: return "Currency";
    case ColumnType::Single: return "Single";
    case ColumnType::Double: return "Double";
    case ColumnType::DateTime: return "Date/Time";
    case ColumnType::Binary: return "Binary";
    case ColumnType::Text: return "Text";
    case ColumnType::Ole: return "OLE Object";
    case ColumnType::Memo: return "Memo";
  }
  return "unknown";
}

[[noreturn]] void Refuse(const ColumnDef& c, const Value& v) {
  throw RowRefused("The value '" + Shown(v) + "' does not fit column '" + c.name + "' (" + TypeName(c.type) + ").");
}

[[noreturn]] void RefuseLength(const ColumnDef& c, const Value& v) {
  throw RowRefused("The value '" + Shown(v) + "' is longer than the " + std::to_string(c.size) +
                   " characters of column '" + c.name + "'.");
}

std::optional<double> ParseReal(std::string_view s) {
  s = Trimmed(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double d = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(d)) return std::nullopt;
  return d;
}

std::optional<double> AsReal(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Integer: return static_cast<double>(v.AsInteger());
    case Value::Kind::Real: return std::isfinite(v.AsReal()) ? std::optional<double>(v.AsReal()) : std::nullopt;
    case Value::Kind::Text: return ParseReal(*v.TextPtr());
    default: return std::nullopt;
  }
}

std::optional<int64_t> AsWhole(const Value& v) {
  if (v.kind() == Value::Kind::Integer) return v.AsInteger();
  if (v.kind() == Value::Kind::Text) {
    std::string_view s = Trimmed(*v.TextPtr());
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int64_t n = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (!s.empty() && ec == std::errc() && end == s.data() + s.size()) return n;
  }
  std::optional<double> d = AsReal(v);
  if (!d || std::fabs(*d) >= 9.2e18) return std::nullopt;
  return static_cast<int64_t>(std::nearbyint(*d));  // half to even
}

template <typename T>
void PutLittle(std::string& out, T value) {
  out.resize(sizeof(T));
  std::memcpy(out.data(), &value, sizeof(T));  // the machine is little-endian
}

// Currency: the value times 10,000, exactly for decimal text.
std::optional<int64_t> AsMoney(const Value& v) {
  constexpr int64_t kScale = 10000;
  if (v.kind() == Value::Kind::Integer) {
    int64_t n = v.AsInteger();
    if (n > INT64_MAX / kScale || n < INT64_MIN / kScale) return std::nullopt;
    return n * kScale;
  }
  if (v.kind() == Value::Kind::Text) {
    std::string_view s = Trimmed(*v.TextPtr());
    bool negative = !s.empty() && s.front() == '-';
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
    size_t dot = s.find('.');
    std::string_view whole = s.substr(0, dot), frac = dot == std::string_view::npos ? "" : s.substr(dot + 1);
    bool digits = !s.empty() && (whole.size() + frac.size()) > 0 && whole.size() <= 15;
    for (char c : whole) digits = digits && c >= '0' && c <= '9';
    for (char c : frac) digits = digits && c >= '0' && c <= '9';
    if (digits) {
      int64_t n = 0;
      for (char c : whole) n = n * 10 + (c - '0');
      int64_t f = 0;
      for (size_t i = 0; i < 4; ++i) f = f * 10 + (i < frac.size() ? frac[i] - '0' : 0);
      if (frac.size() > 4 && frac[4] >= '5') ++f;  // half away from zero
      n = n * kScale + f;
      return negative ? -n : n;
    }
  }
  std::optional<double> d = AsReal(v);
  if (!d || std::fabs(*d) * kScale >= 9.2e18) return std::nullopt;
  return static_cast<int64_t>(std::llround(*d * kScale));
}

std::optional<bool> AsBit(const Value& v) {
  if (v.IsNull()) return false;
  if (v.kind() == Value::Kind::Text) {
    std::string t(Trimmed(*v.TextPtr()));
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t == "true" || t == "yes" || t == "on") return true;
    if (t == "false" || t == "no" || t == "off") return false;
  }
  std::optional<double> d = AsReal(v);
  if (!d) return std::nullopt;
  return *d != 0;
}

// Stored text of a value: the compressed form only when the column allows it.
bool EncodeTextValue(const ColumnDef& c, const Value& v, std::string& out) {
  std::string converted;
  const std::string* text = v.TextPtr();
  if (!text) {
    if (v.kind() == Value::Kind::Blob) Refuse(c, v);
    converted = v.AsText();
    text = &converted;
  }
  bool limited = c.type == ColumnType::Text;
  bool ascii = true;
  for (unsigned char ch : *text) ascii = ascii && ch < 0x80 && ch != 0;
  if (ascii && !c.fixedLength) {
    // Plain ASCII text, the common case, without the round trip through UTF-16.
    size_t n = text->size();
    if (limited && n > static_cast<size_t>(c.size)) RefuseLength(c, v);
    if (c.compressedUnicode && n > 2 && n <= 1024) {
      out.reserve(n + 2);
      out += "\xFF\xFE";
      out += *text;
    } else {
      out.resize(2 * n);
      for (size_t i = 0; i < n; ++i) out[2 * i] = (*text)[i], out[2 * i + 1] = 0;
    }
    return true;
  }
  std::u16string u = Utf8ToUtf16(*text);
  if (limited && u.size() > static_cast<size_t>(c.size)) RefuseLength(c, v);
  if (c.fixedLength) u.resize(static_cast<size_t>(c.size), u' ');
  out = EncodeText(u, c.compressedUnicode && !c.fixedLength);
  return true;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool ReadNumber(std::string_view& s, int digitsMin, int digitsMax, int& out) {
  int n = 0, count = 0;
  while (!s.empty() && count < digitsMax && s.front() >= '0' && s.front() <= '9') {
    n = n * 10 + (s.front() - '0');
    s.remove_prefix(1);
    ++count;
  }
  out = n;
  return count >= digitsMin;
}

bool Expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

// "HH:MM[:SS[.fff]]" as a fraction of a day.
std::optional<double> ParseTime(std::string_view& s) {
  int h = 0, mi = 0, sec = 0;
  if (!ReadNumber(s, 1, 2, h) || !Expect(s, ':') || !ReadNumber(s, 2, 2, mi)) return std::nullopt;
  double fraction = 0;
  if (Expect(s, ':')) {
    if (!ReadNumber(s, 2, 2, sec)) return std::nullopt;
    if (Expect(s, '.')) {
      double scale = 0.1;
      while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        fraction += (s.front() - '0') * scale;
        scale /= 10;
        s.remove_prefix(1);
      }
    }
  }
  if (h > 23 || mi > 59 || sec > 59) return std::nullopt;
  return (h * 3600 + mi * 60 + sec + fraction) / 86400.0;
}

}  // namespace

std::optional<double> ParseDateTime(std::string_view text) {
  std::string_view s = Trimmed(text);
  if (s.size() >= 3 && (s[1] == ':' || s[2] == ':')) {
    std::optional<double> t = ParseTime(s);
    return t && s.empty() ? t : std::nullopt;
  }
  int y = 0, m = 0, d = 0;
  if (!ReadNumber(s, 4, 4, y) || !Expect(s, '-') || !ReadNumber(s, 1, 2, m) || !Expect(s, '-') ||
      !ReadNumber(s, 1, 2, d))
    return std::nullopt;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (y < 100 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1] || (m == 2 && d == 29 && !leap)) return std::nullopt;
  double days = static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + 25569);
  double fraction = 0;
  if (!s.empty()) {
    if (s.front() != ' ' && s.front() != 'T') return std::nullopt;
    s.remove_prefix(1);
    std::optional<double> t = ParseTime(s);
    if (!t || !Trimmed(s).empty()) return std::nullopt;
    fraction = *t;
  }
  // Before 1899-12-30 the time still counts forward from the day's start.
  return days >= 0 ? days + fraction : days - fraction;
}

bool EncodeValue(const ColumnDef& c, const Value& v, std::string& out) {
  out.clear();
  if (c.type == ColumnType::Bit) {
    std::optional<bool> b = AsBit(v);
    if (!b) Refuse(c, v);
    out = *b ? "\1" : std::string(1, '\0');
    return true;
  }
  if (v.IsNull()) return false;
  switch (c.type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long: {
      std::optional<int64_t> n = AsWhole(v);
      int64_t lo = c.type == ColumnType::Byte ? 0 : c.type == ColumnType::Integer ? INT16_MIN : INT32_MIN;
      int64_t hi = c.type == ColumnType::Byte ? 255 : c.type == ColumnType::Integer ? INT16_MAX : INT32_MAX;
      if (!n || *n < lo || *n > hi) Refuse(c, v);
      if (c.type == ColumnType::Byte) out = std::string(1, static_cast<char>(*n));
      if (c.type == ColumnType::Integer) PutLittle(out, static_cast<int16_t>(*n));
      if (c.type == ColumnType::Long) PutLittle(out, static_cast<int32_t>(*n));
      return true;
    }
    case ColumnType::Money: {
      std::optional<int64_t> m = AsMoney(v);
      if (!m) Refuse(c, v);
      PutLittle(out, *m);
      return true;
    }
    case ColumnType::Single: {
      std::optional<double> d = AsReal(v);
      if (!d || std::fabs(*d) > FLT_MAX) Refuse(c, v);
      PutLittle(out, static_cast<float>(*d));
      return true;
    }
    case ColumnType::Double: {
      std::optional<double> d = AsReal(v);
      if (!d) Refuse(c, v);
      PutLittle(out, *d);
      return true;
    }
    case ColumnType::DateTime: {
      std::optional<double> d;
      if (v.kind() == Value::Kind::Text) d = ParseDateTime(*v.TextPtr());
      else if (v.kind() != Value::Kind::Blob) d = AsReal(v);
      if (!d) Refuse(c, v);
      PutLittle(out, *d);
      return true;
    }
    case ColumnType::Text:
    case ColumnType::Memo: return EncodeTextValue(c, v, out);
    case ColumnType::Ole:
    case ColumnType::Binary:
      if (const Blob* b = v.BlobPtr()) out = b->bytes;
      else out = v.AsText();
      return true;
    default: Refuse(c, v);
  }
}

}  // namespace orbisk::jet
