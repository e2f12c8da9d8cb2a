#pragma once
// Progress of a writer: the number of rows written so far. Writers report every
// few hundred rows and once at the end; the window layer decides what to show.
// Writers never process window events themselves.
#include <functional>

namespace orbisk {

using ExportProgress = std::function<void(long long rowsWritten)>;

class ProgressTicker {
 public:
  explicit ProgressTicker(const ExportProgress& report) : report_(report) {}
  void Row() {
    if (++rows_ % kEvery == 0 && report_) report_(rows_);
  }
  void Done() const {
    if (report_) report_(rows_);
  }
  long long Rows() const { return rows_; }

 private:
  static constexpr long long kEvery = 256;
  const ExportProgress& report_;
  long long rows_ = 0;
};

}  // namespace orbisk
