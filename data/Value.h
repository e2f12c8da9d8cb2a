#pragma once
// One value of a dataset cell: null, integer, real, text (UTF-8) or bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace orbisk {

struct Blob {
  std::string bytes;
  bool operator==(const Blob&) const = default;
};

enum class ValueKind { Null, Integer, Real, Text, Blob };

// A value read in place: text and bytes are views into whoever holds them
// (a fetched result, a Value), valid while that holder is unchanged.
class ValueView {
 public:
  using Kind = ValueKind;
  ValueView() = default;
  static ValueView Integer(int64_t v) { ValueView r; r.kind_ = Kind::Integer; r.i_ = v; return r; }
  static ValueView Real(double v) { ValueView r; r.kind_ = Kind::Real; r.d_ = v; return r; }
  static ValueView Text(std::string_view v) { ValueView r; r.kind_ = Kind::Text; r.s_ = v; return r; }
  static ValueView Bytes(std::string_view v) { ValueView r; r.kind_ = Kind::Blob; r.s_ = v; return r; }

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  int64_t AsInteger() const;       // text is parsed; null gives 0
  double AsReal() const;           // text is parsed; null gives 0
  std::string AsText() const;      // plain decimal numbers; null gives ""
  // The text or the bytes; empty for other kinds.
  std::string_view Bytes() const { return s_; }
  class Value ToValue() const;

 private:
  Kind kind_ = Kind::Null;
  int64_t i_ = 0;
  double d_ = 0;
  std::string_view s_;
};

class Value {
 public:
  using Kind = ValueKind;

  Value() = default;
  Value(std::nullptr_t) {}
  Value(int v) : v_(static_cast<int64_t>(v)) {}
  Value(int64_t v) : v_(v) {}
  Value(double v) : v_(v) {}
  Value(std::string v) : v_(std::move(v)) {}
  Value(const char* v) : v_(std::string(v)) {}
  Value(Blob v) : v_(std::move(v)) {}

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool IsNull() const { return v_.index() == 0; }
  int64_t AsInteger() const;       // text is parsed; null gives 0
  double AsReal() const;           // text is parsed; null gives 0
  std::string AsText() const;      // plain decimal numbers; null gives ""
  const std::string* TextPtr() const { return std::get_if<std::string>(&v_); }
  const Blob* BlobPtr() const { return std::get_if<Blob>(&v_); }
  ValueView View() const;

  bool operator==(const Value&) const = default;

 private:
  std::variant<std::monostate, int64_t, double, std::string, Blob> v_;
};

// Plain decimal form of a double: no exponent, no trailing zeros, '.' as separator.
std::string FormatReal(double v);

}  // namespace orbisk
