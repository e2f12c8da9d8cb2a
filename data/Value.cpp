#include "data/Value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orbisk {

int64_t Value::AsInteger() const {
  switch (kind()) {
    case Kind::Null: return 0;
    case Kind::Integer: return std::get<int64_t>(v_);
    case Kind::Real: return static_cast<int64_t>(std::llround(std::get<double>(v_)));
    case Kind::Text: return std::strtoll(std::get<std::string>(v_).c_str(), nullptr, 10);
    case Kind::Blob: return 0;
  }
  return 0;
}

double Value::AsReal() const {
  switch (kind()) {
    case Kind::Integer: return static_cast<double>(std::get<int64_t>(v_));
    case Kind::Real: return std::get<double>(v_);
    case Kind::Text: return std::strtod(std::get<std::string>(v_).c_str(), nullptr);
    default: return 0;
  }
}

std::string Value::AsText() const {
  switch (kind()) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(std::get<int64_t>(v_));
    case Kind::Real: return FormatReal(std::get<double>(v_));
    case Kind::Text: return std::get<std::string>(v_);
    case Kind::Blob: return std::get<Blob>(v_).bytes;
  }
  return {};
}

std::string FormatReal(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  // Shortest of up to 15 significant digits that reads back the same, never in
  // exponent form, always with '.' whatever the locale.
  char buf[512];
  for (int prec = 1; prec <= 17; ++prec) {
    std::snprintf(buf, sizeof buf, "%.*g", prec, v);
    if (std::strtod(buf, nullptr) == v || prec == 15) break;
  }
  std::string s(buf);
  if (s.find_first_of("eE") != std::string::npos) {
    std::snprintf(buf, sizeof buf, "%.15f", v);
    s = buf;
    if (s.find('.') != std::string::npos) {
      while (!s.empty() && s.back() == '0') s.pop_back();
      if (!s.empty() && s.back() == '.') s.pop_back();
    }
  }
  for (auto& c : s)
    if (c == ',') c = '.';
  return s;
}

}  // namespace orbisk
