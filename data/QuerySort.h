#pragma once
// Orders for the rows of a fetched query, by one field, as a click on a
// column title asks for them.
#include <vector>

#include "data/Query.h"

namespace orbisk {

// <0, 0 or >0 as a sorts before, equal to or after b in ascending order:
// numbers by value before texts, texts by the program's collation, and empty
// values (null or empty text) after everything else.
int CompareForSort(const ValueView& a, const ValueView& b);

// The order that sorts the query's rows by `field`: order[i] is the current row
// that goes to place i (for Query::ReorderRows). Descending is the exact reverse
// of ascending (empty values first). Rows with equal values keep the order of
// `tieRank` (a rank per current row; empty: their current order).
std::vector<int> SortedRowOrder(const Query& q, const Field& field, bool descending,
                                const std::vector<int>& tieRank = {});

}  // namespace orbisk
