#pragma once
// What the program and orbisk-import say to each other, written once for
// both sides: the importer's options, the descriptors it is given, the lines
// it writes on its progress descriptor and its exit statuses.
//
//   orbisk-import --source FILE --output FILE [--identity KEY] [--progress-fd N]
//                 [--memory-mb N] [--seconds N] [--output-mb N] [--tables directory|any]
//
// Lines on the progress descriptor: "progress DONE TOTAL" while rows are
// copied, "error TEXT" when the file cannot be read.
#include <string>
#include <string_view>

namespace orbisk::importer {

// Options.
inline constexpr std::string_view kSource = "--source";
inline constexpr std::string_view kOutput = "--output";
inline constexpr std::string_view kIdentity = "--identity";
inline constexpr std::string_view kProgressFdOption = "--progress-fd";
inline constexpr std::string_view kMemoryMb = "--memory-mb";
inline constexpr std::string_view kSeconds = "--seconds";
inline constexpr std::string_view kOutputMb = "--output-mb";
inline constexpr std::string_view kTables = "--tables";

// The descriptors the program hands the importer: the open directory file and
// the write end of the progress pipe. Standard output and error go to a pipe
// of their own, whose tail explains a crash.
inline constexpr int kSourceFd = 3;
inline constexpr int kProgressFd = 4;

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUnreadable = 1;  // an error line says why
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOutOfMemory = 3;

// The longest error text a line carries, in bytes; the reader keeps no
// unfinished line longer than kLongestLine.
inline constexpr size_t kLongestErrorText = 1000;
inline constexpr size_t kLongestLine = 4096;

// The lines, each ending in a line break.
std::string ProgressLine(long long done, long long total);
// The text on one line (line breaks become spaces), cut to kLongestErrorText
// bytes without splitting a character.
std::string ErrorLine(std::string_view text);

// One line read back, without its line break. A progress line whose numbers
// are damaged (missing, negative, too large, followed by anything) is Other.
struct ImporterLine {
  enum Kind { Other, Progress, Error } kind = Other;
  long long done = 0, total = 0;  // of a progress line
  std::string text;               // of an error line
};
ImporterLine ParseImporterLine(std::string_view line);

}  // namespace orbisk::importer
