#include "strutil/StringList.h"

#include <stdexcept>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

std::string_view NameOf(std::string_view line) {
  const size_t eq = line.find('=');
  return eq == std::string_view::npos ? line : line.substr(0, eq);
}

}  // namespace

int TStringList::Add(std::string line) {
  lines_.push_back(std::move(line));
  return Count() - 1;
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  lines_.erase(lines_.begin() + index);
}

int TStringList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    // A line without '=' has no name.
    if (line.find('=') != std::string::npos && EqualsNoCaseAscii(NameOf(line), name)) return static_cast<int>(i);
  }
  return -1;
}

std::string TStringList::Value(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

std::string TStringList::ValueFromIndex(int index) const {
  const std::string& line = (*this)[index];
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void TStringList::SetValueFromIndex(int index, std::string_view value) {
  std::string& line = lines_.at(static_cast<size_t>(index));
  line = std::string(NameOf(line)) + '=' + std::string(value);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  if (index < 0)
    Add(std::string(name) + '=' + std::string(value));
  else
    SetValueFromIndex(index, value);
}

}  // namespace orbisk
