#pragma once
// The program's own error messages: a fixed English text with numbered
// places (%1, %2 ...) and the values that fill them. The core and the
// command line show the English; the windows show the same message in the
// user's language, looking the fixed text up and filling in the same values.
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "strutil/Translatable.h"

namespace orbisk {

// The context under which every message text is translated.
inline constexpr const char* kMessageContext = "Message";

namespace msg {
// Opening the directory.
inline constexpr const char* kFileNotFound = ORBISK_TR_NOOP("Message", "Could not find file '%1'.");
inline constexpr const char* kUnrecognizedFormat = ORBISK_TR_NOOP("Message", "Unrecognized database format '%1'.");
inline constexpr const char* kCannotBeRead = ORBISK_TR_NOOP("Message", "It cannot be read: %1.");
inline constexpr const char* kCannotBeExamined = ORBISK_TR_NOOP("Message", "It cannot be examined: %1.");
inline constexpr const char* kNoTemporaryCopy = ORBISK_TR_NOOP("Message", "No temporary file can be made for its copy: %1.");
inline constexpr const char* kCopyIncomplete = ORBISK_TR_NOOP("Message", "Its imported copy is incomplete.");
inline constexpr const char* kReaderCannotStart = ORBISK_TR_NOOP("Message", "The reader cannot be started: %1.");
inline constexpr const char* kNamedReaderCannotStart = ORBISK_TR_NOOP("Message", "The reader %1 cannot be started: %2.");
inline constexpr const char* kReadingTookTooLong = ORBISK_TR_NOOP("Message", "Reading it took longer than %1 seconds.");
inline constexpr const char* kReadingNeededMemory = ORBISK_TR_NOOP("Message", "Reading it needed more than %1 MB of memory.");
inline constexpr const char* kReadingStoppedAtDamage = ORBISK_TR_NOOP("Message", "Reading it stopped at damaged data.");
inline constexpr const char* kReaderEndedBySignal = ORBISK_TR_NOOP("Message", "The reader ended unexpectedly (signal %1).");
inline constexpr const char* kReaderReachedFile = ORBISK_TR_NOOP("Message", "The reader tried to reach another file, which it may not do.");
inline constexpr const char* kCopyTooLarge = ORBISK_TR_NOOP("Message", "Its imported copy would be larger than %1 MB.");
inline constexpr const char* kReaderEndedUnexplained = ORBISK_TR_NOOP("Message", "The reader ended without saying why (status %1).");
// Export targets and writers.
inline constexpr const char* kNoFileName = ORBISK_TR_NOOP("Message", "Cannot write '%1': no file name.");
inline constexpr const char* kIsTheDirectory = ORBISK_TR_NOOP("Message", "Cannot export to '%1': it is the directory Orbisk is searching.");
inline constexpr const char* kIsAFolder = ORBISK_TR_NOOP("Message", "'%1' is a folder.");
inline constexpr const char* kIsADevice = ORBISK_TR_NOOP("Message", "'%1' is a device.");
inline constexpr const char* kIsAFifo = ORBISK_TR_NOOP("Message", "'%1' is a FIFO.");
inline constexpr const char* kNotARegularFile = ORBISK_TR_NOOP("Message", "'%1' is not a regular file.");
inline constexpr const char* kCannotWriteReason = ORBISK_TR_NOOP("Message", "Cannot write '%1': %2.");
inline constexpr const char* kCannotWrite = ORBISK_TR_NOOP("Message", "Cannot write '%1': %2");
inline constexpr const char* kCannotCreate = ORBISK_TR_NOOP("Message", "Cannot create '%1': %2");
inline constexpr const char* kCannotReplace = ORBISK_TR_NOOP("Message", "Cannot replace '%1': %2");
inline constexpr const char* kCannotRead = ORBISK_TR_NOOP("Message", "Cannot read '%1': %2");
inline constexpr const char* kTemplateNotFound = ORBISK_TR_NOOP("Message", "Template file not found: %1");
inline constexpr const char* kUnknownExportType = ORBISK_TR_NOOP("Message", "Unknown export type.");
}  // namespace msg

// One line of a message: its fixed text and the values of its places. A
// line of `kVerbatim` is shown as its one value (an engine's or the system's
// own words, which stay as they are).
struct Message {
  const char* text = "%1";
  std::vector<std::string> args;
};
inline constexpr const char* kVerbatim = "%1";

// Fills the places %1 to %9 of `text` with `args` at once: a value holding
// "%2" is never filled again. A place without a value stays as written.
std::string FillPlaces(const std::string& text, const std::vector<std::string>& args);
std::string EnglishText(const Message& m);

// An error whose text is one or more messages, each on its own line; what()
// is the English text, as scripts read it.
class Failure : public std::runtime_error {
 public:
  Failure(const char* text, std::vector<std::string> args = {});
  explicit Failure(std::vector<Message> lines);
  const std::vector<Message>& Lines() const { return lines_; }

 private:
  std::vector<Message> lines_;
};

}  // namespace orbisk
