#pragma once
// One value of a dataset cell: null, integer, real, text (UTF-8) or bytes.
#include <cstdint>
#include <string>
#include <variant>

namespace orbisk {

struct Blob {
  std::string bytes;
  bool operator==(const Blob&) const = default;
};

class Value {
 public:
  enum class Kind { Null, Integer, Real, Text, Blob };

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

  bool operator==(const Value&) const = default;

 private:
  std::variant<std::monostate, int64_t, double, std::string, Blob> v_;
};

// Plain decimal form of a double: no exponent, no trailing zeros, '.' as separator.
std::string FormatReal(double v);

}  // namespace orbisk
