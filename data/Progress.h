#pragma once
// How long work reports how far it has come and learns whether to go on: the
// load of a directory, its import and every export call one Progress callback
// with what is done so far; the callback returns false to stop. Work that
// stops throws a Cancelled (whose text says what was stopped), so it travels
// like any failure and nothing half-done is kept.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orbisk {

struct ProgressStep {
  long long done = 0;      // rows read or written so far
  long long total = 0;     // rows expected, 0 when not known
  std::string_view what;   // what is being worked on (a table's name), may be empty
};

using Progress = std::function<bool(const ProgressStep& step)>;

struct Cancelled : std::runtime_error {
  Cancelled() : std::runtime_error("The work was cancelled.") {}
  using std::runtime_error::runtime_error;
};

// Tells `progress` (when set) and throws `stopped` when it answers false.
template <class Stopped = Cancelled>
void Report(const Progress& progress, const ProgressStep& step) {
  if (progress && !progress(step)) throw Stopped();
}

}  // namespace orbisk
