#pragma once
// A list of text lines, most often name=value lines (parameter lists of the
// template engine). Names compare without regard to ASCII letter case.
#include <string>
#include <string_view>
#include <vector>

namespace orbisk {

class TStringList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Appends a line; returns its index.
  int Add(std::string line);
  void Delete(int index);  // throws std::out_of_range for a bad index
  void Clear() { lines_.clear(); }

  // Index of the first line whose name (the text before its first '=') is name; -1 if none.
  int IndexOfName(std::string_view name) const;
  // The value of the first line named name; empty when there is none.
  std::string Value(std::string_view name) const;
  // The text after the first '=' of the line at index.
  std::string ValueFromIndex(int index) const;
  // Replaces the value of the line at index, keeping its name.
  void SetValueFromIndex(int index, std::string_view value);
  // Sets the value of the line named name, adding the line when it is missing.
  void SetValue(std::string_view name, std::string_view value);

 private:
  std::vector<std::string> lines_;
};

}  // namespace orbisk
