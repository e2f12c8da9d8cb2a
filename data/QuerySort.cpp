#include "data/QuerySort.h"

#include <algorithm>
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

std::vector<int> SortedRowOrder(const Query& q, const Field& field, bool descending, const std::vector<int>& tieRank) {
  const int n = q.RecordCount();
  if (!tieRank.empty() && static_cast<int>(tieRank.size()) != n)
    throw std::invalid_argument("SortedRowOrder: one rank per row is needed");
  std::vector<ValueView> values;
  values.reserve(static_cast<size_t>(n));
  for (int r = 0; r < n; ++r) values.push_back(field.ViewAt(r));
  std::vector<int> order(static_cast<size_t>(n));
  for (int r = 0; r < n; ++r) order[static_cast<size_t>(r)] = r;
  // Ties go by rank first, so the sort below only has to be stable.
  if (!tieRank.empty())
    std::sort(order.begin(), order.end(), [&](int x, int y) { return tieRank[x] < tieRank[y]; });
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    const int c = CompareForSort(values[static_cast<size_t>(x)], values[static_cast<size_t>(y)]);
    return descending ? c > 0 : c < 0;
  });
  return order;
}

}  // namespace orbisk
