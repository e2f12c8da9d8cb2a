#pragma once
// Progress of a writer: the number of rows written so far. Writers report every
// few hundred rows and once at the end; the window layer decides what to show.
// Writers never process window events themselves.
#include <functional>
#include <stdexcept>

namespace orbisk {

using ExportProgress = std::function<void(long long rowsWritten)>;

// Thrown from a progress report when the user stops the export; it travels
// through the writer like any failure, so no file is left half written.
struct ExportCancelled : std::runtime_error {
  ExportCancelled() : std::runtime_error("The export was cancelled.") {}
};

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
