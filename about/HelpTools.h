#pragma once
// System-information texts of the About window. No Qt here.
#include <cstdint>
#include <string>
#include <string_view>

namespace orbisk {

// The old version record: major, minor, build, platform id, service-pack text.
struct VersionRecord {
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;
  uint32_t platformId = 0;
  std::string csdVersion;  // service-pack text; read up to its first NUL
};

// The version text of a version record ("Windows XP (Build 2600)").
std::string GetWindowsVersionText(const VersionRecord& v);
// The text for this system: PRETTY_NAME of os-release, " (Build ", kernel release, ")".
std::string SystemVersionText();
// The same from given os-release contents and kernel release (what SystemVersionText reads).
std::string SystemVersionText(std::string_view osRelease, std::string_view kernelRelease);

// A number with exactly two decimals, grouped by threes with `thousands` and
// `decimal` as separators ("262,144.00").
std::string FormatNumber2(double value, std::string_view thousands, std::string_view decimal);
// The same with the separators of the user's locale.
std::string FormatNumber2(double value);
// Physical memory in kilobytes, formatted ("%n"), from /proc/meminfo.
std::string GetTotalMemoryText();
std::string GetFreeMemoryText();
// The kilobytes of one /proc/meminfo line ("MemTotal"); -1 when absent.
long long MemInfoKilobytes(std::string_view meminfo, std::string_view key);

}  // namespace orbisk
