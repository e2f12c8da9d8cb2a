#pragma once
// How every writer walks a result: the grids stop following the query, the
// rows are visited in order, progress goes to the caller every few hundred
// rows and once at the end, and the query is back on its row with its grids
// following again on every path, a failure or a stop included. Writers never
// process window events themselves; the window layer decides what to show.
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "data/Progress.h"
#include "data/Query.h"

namespace orbisk {

// Thrown when the progress callback answers that the export should stop; it
// travels through the writer like any failure, so no file is left half written.
struct ExportCancelled : Cancelled {
  ExportCancelled() : Cancelled("The export was cancelled.") {}
};

// Counts the rows a writer has done and reports them: every kEvery rows and
// once more when the writer is done, before the file replaces its target (so
// a stop at the last report still leaves the target as it was).
class RowProgress {
 public:
  static constexpr long long kEvery = 256;

  explicit RowProgress(Progress progress, long long total = 0) : progress_(std::move(progress)), total_(total) {}
  RowProgress(const RowProgress&) = delete;
  RowProgress& operator=(const RowProgress&) = delete;

  void Row() {
    if (++rows_ % kEvery == 0) Tell();
  }
  void Done() const { Tell(); }
  long long Rows() const { return rows_; }

 private:
  void Tell() const { Report<ExportCancelled>(progress_, ProgressStep{rows_, total_, {}}); }

  Progress progress_;
  long long total_;
  long long rows_ = 0;
};

// Throws the dataset layer's error for a closed query, before a writer
// touches its target.
inline void RequireOpen(const Query& query) {
  if (!query.Active()) throw std::runtime_error(query.Name() + ": Cannot perform this operation on a closed dataset");
}

enum class WalkFrom { First, Current };

// Visits the rows of an open query from its first row (or from the row it is
// on) to its end, calling visit() on each; visit() may return false to end the
// walk after that row. Returns the rows visited.
template <class Visit>
long long WalkQuery(Query& query, Visit&& visit, WalkFrom from = WalkFrom::First) {
  WalkGuard guard(query);
  if (from == WalkFrom::First) query.First();
  long long visited = 0;
  while (!query.Eof()) {
    ++visited;
    if constexpr (std::is_same_v<std::invoke_result_t<Visit&>, bool>) {
      if (!visit()) break;
    } else {
      visit();
    }
    query.Next();
  }
  return visited;
}

// The same walk, each row counted in `rows` once it is done. The caller
// reports rows.Done() when its output is complete.
template <class Visit>
long long WalkQuery(Query& query, RowProgress& rows, Visit&& visit, WalkFrom from = WalkFrom::First) {
  return WalkQuery(
      query,
      [&] {
        visit();
        rows.Row();
      },
      from);
}

// The whole walk of a writer whose output is complete after its last row:
// every row from the first, then the last report.
template <class Visit>
long long WalkAllRows(Query& query, const Progress& progress, Visit&& visit) {
  RowProgress rows(progress, query.RecordCount());
  const long long visited = WalkQuery(query, rows, std::forward<Visit>(visit));
  rows.Done();
  return visited;
}

}  // namespace orbisk
