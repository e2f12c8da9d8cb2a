#pragma once
// Running orbisk-import, the separate process that reads an Access file (or
// a SQLite file made by other tools) into a SQLite file of ours. libmdb runs
// only there: whatever a damaged file does to it (a crash, an endless loop,
// memory without end) ends that process, never the program.
#include <stdexcept>
#include <string>

#include "data/Connection.h"
#include "data/Message.h"
#include "data/Progress.h"

namespace orbisk {

// The importer crashed, was stopped by a limit or found the file unreadable;
// the text says why in plain words.
struct ImportFailed : std::runtime_error {
  explicit ImportFailed(Message m) : std::runtime_error(EnglishText(m)), message(std::move(m)) {}
  explicit ImportFailed(const std::string& text) : ImportFailed(Message{kVerbatim, {text}}) {}
  Message message;
};

// Bounds no sound file comes near, scaled with the file's size: a sound
// import needs a few hundred megabytes of address space whatever the size
// (rows are streamed) and reads some 50 MB a second.
struct ImportLimits {
  long long memoryMb = 0;   // RLIMIT_AS of the importer
  long long seconds = 0;    // wall-clock time before the engine ends it
  long long outputMb = 0;   // RLIMIT_FSIZE: the largest copy it may write
};
ImportLimits ImportLimitsFor(long long fileSize);

// The importer beside the running program.
std::string ImporterPath();

// Reads the open file `sourceFd` into the SQLite file `output` (which exists
// and is empty). Progress goes to `progress` (rows copied of the rows
// expected), at least five times a second; when it returns false the importer
// is ended and LoadCancelled thrown.
// Throws ImportFailed when the importer does not end well.
void RunImporter(const std::string& importer, int sourceFd, const std::string& output, const std::string& identityKey,
                 const ImportLimits& limits, const Progress& progress);

}  // namespace orbisk
