#include "data/Value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orbisk {

int64_t ValueView::AsInteger() const {
  switch (kind_) {
    case Kind::Null: return 0;
    case Kind::Integer: return i_;
    case Kind::Real: return static_cast<int64_t>(std::llround(d_));
    case Kind::Text: return std::strtoll(std::string(s_).c_str(), nullptr, 10);
    case Kind::Blob: return 0;
  }
  return 0;
}

double ValueView::AsReal() const {
  switch (kind_) {
    case Kind::Integer: return static_cast<double>(i_);
    case Kind::Real: return d_;
    case Kind::Text: return std::strtod(std::string(s_).c_str(), nullptr);
    default: return 0;
  }
}

std::string ValueView::AsText() const {
  switch (kind_) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(i_);
    case Kind::Real: return FormatReal(d_);
    case Kind::Text:
    case Kind::Blob: return std::string(s_);
  }
  return {};
}

Value ValueView::ToValue() const {
  switch (kind_) {
    case Kind::Null: return {};
    case Kind::Integer: return Value(i_);
    case Kind::Real: return Value(d_);
    case Kind::Text: return Value(std::string(s_));
    case Kind::Blob: return Value(Blob{std::string(s_)});
  }
  return {};
}

ValueView Value::View() const {
  switch (kind()) {
    case Kind::Null: return {};
    case Kind::Integer: return ValueView::Integer(std::get<int64_t>(v_));
    case Kind::Real: return ValueView::Real(std::get<double>(v_));
    case Kind::Text: return ValueView::Text(std::get<std::string>(v_));
    case Kind::Blob: return ValueView::Bytes(std::get<Blob>(v_).bytes);
  }
  return {};
}

int64_t Value::AsInteger() const { return View().AsInteger(); }
double Value::AsReal() const { return View().AsReal(); }
std::string Value::AsText() const { return View().AsText(); }

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
