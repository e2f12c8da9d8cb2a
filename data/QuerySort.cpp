#include "data/QuerySort.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <stdexcept>

#include "data/TextCollation.h"

namespace orbisk {

namespace {
bool IsEmptyValue(const ValueView& v) {
  return v.IsNull() || ((v.kind() == ValueKind::Text || v.kind() == ValueKind::Blob) && v.Bytes().empty());
}
bool IsNumber(const ValueView& v) { return v.kind() == ValueKind::Integer || v.kind() == ValueKind::Real; }
}  // namespace

int CompareForSort(const ValueView& a, const ValueView& b) {
  const bool ea = IsEmptyValue(a), eb = IsEmptyValue(b);
  if (ea || eb) return ea == eb ? 0 : (ea ? 1 : -1);
  const bool na = IsNumber(a), nb = IsNumber(b);
  if (na && nb) {
    if (a.kind() == ValueKind::Integer && b.kind() == ValueKind::Integer)
      return a.AsInteger() < b.AsInteger() ? -1 : (a.AsInteger() > b.AsInteger() ? 1 : 0);
    const double x = a.AsReal(), y = b.AsReal();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (na != nb) return na ? -1 : 1;
  if (a.kind() == ValueKind::Blob || b.kind() == ValueKind::Blob) {
    const int c = a.Bytes().compare(b.Bytes());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  return CompareText(a.Bytes(), b.Bytes());
}

namespace {

// One row as the sort moves it: the first bytes of its text's sort key, big
// endian (zeros past the key's end), the row, and its rank among equals.
struct SortEntry {
  uint64_t prefix;
  int row;
  int tie;
};

uint64_t KeyPrefix(std::string_view key) {
  uint64_t p = 0;
  for (size_t i = 0; i < 8; ++i) p = (p << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  return p;
}

}  // namespace

std::vector<int> SortedRowOrder(const Query& q, const Field& field, bool descending, const std::vector<int>& tieRank) {
  const int n = q.RecordCount();
  if (!tieRank.empty() && static_cast<int>(tieRank.size()) != n)
    throw std::invalid_argument("SortedRowOrder: one rank per row is needed");
  const size_t count = static_cast<size_t>(n);
  std::vector<ValueView> values(count);
  // Texts sort by a key of bytes, compared first by its leading eight; any
  // other value by CompareForSort, which orders them all alike.
  // Keys of one kind for all: the quick ASCII ones while every text is ASCII,
  // else the collator's.
  std::string keys;
  std::vector<size_t> keyEnd(count + 1, 0);  // row r's key is keys[keyEnd[r], keyEnd[r + 1])
  std::vector<char> keyed(count, 0);
  std::vector<SortEntry> entries(count);
  for (size_t r = 0; r < count; ++r) values[r] = field.ViewAt(static_cast<int>(r));
  bool exact = true;  // whether equal keys mean equal texts
  for (bool ascii : {true, false}) {
    keys.clear();
    keys.reserve(count * 24);
    exact = ascii;
    bool whole = true;
    for (size_t r = 0; r < count && whole; ++r) {
      const size_t start = keys.size();
      const bool text = values[r].kind() == ValueKind::Text && !values[r].Bytes().empty();
      keyed[r] = text && (ascii ? AppendAsciiSortKey(values[r].Bytes(), keys) : AppendSortKey(values[r].Bytes(), keys));
      whole = !ascii || keyed[r] || !text;
      keyEnd[r + 1] = keys.size();
      entries[r] = {keyed[r] ? KeyPrefix(std::string_view(keys).substr(start)) : 0, static_cast<int>(r),
                    tieRank.empty() ? static_cast<int>(r) : tieRank[r]};
    }
    if (whole) break;
  }
  auto key = [&](int r) {
    const size_t i = static_cast<size_t>(r);
    return std::string_view(keys).substr(keyEnd[i], keyEnd[i + 1] - keyEnd[i]);
  };
  // Rows with equal values go by their rank, so every pair has one order and
  // an unstable sort gives the stable result.
  std::sort(entries.begin(), entries.end(), [&](const SortEntry& x, const SortEntry& y) {
    int c;
    if (keyed[static_cast<size_t>(x.row)] && keyed[static_cast<size_t>(y.row)])
      c = x.prefix != y.prefix ? (x.prefix < y.prefix ? -1 : 1) : key(x.row).compare(key(y.row));
    else
      c = 0;
    if (c == 0 && !(exact && keyed[static_cast<size_t>(x.row)] && keyed[static_cast<size_t>(y.row)]))
      c = CompareForSort(values[static_cast<size_t>(x.row)], values[static_cast<size_t>(y.row)]);
    if (c != 0) return descending ? c > 0 : c < 0;
    return x.tie < y.tie;
  });
  std::vector<int> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = entries[i].row;
  return order;
}

}  // namespace orbisk
