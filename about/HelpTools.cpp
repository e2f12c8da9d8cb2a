#include "about/HelpTools.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <locale.h>
#include <sstream>
#include <sys/utsname.h>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

std::string GetWindowsVersionText(const VersionRecord& v) {
  const std::string csd = v.csdVersion.substr(0, v.csdVersion.find('\0'));
  std::string base;
  switch (v.platformId) {
    case 0: base = "Windows 3.11"; break;
    case 1:
      if (v.minorVersion == 0)
        base = "Windows 95";
      else if (v.minorVersion == 10)
        base = csd.size() >= 2 && csd[1] == 'A' ? "Windows 98 SE" : "Windows 98";
      else if (v.minorVersion == 90)
        base = "Windows Millenium";
      else
        base = "Unknown Version";
      break;
    case 2:
      if (v.majorVersion == 3 || v.majorVersion == 4)
        base = "Windows NT " + std::to_string(v.majorVersion) + "." + std::to_string(v.minorVersion);
      else if (v.majorVersion == 5 && v.minorVersion == 0)
        base = "Windows 2000";
      else if (v.majorVersion == 5 && v.minorVersion == 1)
        base = "Windows XP";
      else
        base = "Unknown Version";
      if (!csd.empty()) base += " Service pack: " + csd;
      break;
    default: base = "Unknown Platform";
  }
  return base + " (Build " + std::to_string(v.buildNumber & 0xFFFFu) + ")";
}

std::string SystemVersionText(std::string_view osRelease, std::string_view kernelRelease) {
  std::string name = "Linux";
  size_t pos = 0;
  while (pos < osRelease.size()) {
    size_t end = osRelease.find('\n', pos);
    if (end == std::string_view::npos) end = osRelease.size();
    std::string_view line = osRelease.substr(pos, end - pos);
    pos = end + 1;
    if (line.substr(0, 12) != "PRETTY_NAME=") continue;
    std::string_view value = TrimBlanks(line.substr(12));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (!value.empty()) name = std::string(value);
  }
  return name + " (Build " + std::string(kernelRelease) + ")";
}

std::string SystemVersionText() {
  std::string osRelease = ReadWholeFile("/etc/os-release");
  if (osRelease.empty()) osRelease = ReadWholeFile("/usr/lib/os-release");
  struct utsname u {};
  std::string kernel = uname(&u) == 0 ? u.release : "";
  return SystemVersionText(osRelease, kernel);
}

std::string FormatNumber2(double value, std::string_view thousands, std::string_view decimal) {
  char buf[64];
  {
    // The digits in the C locale's form, whatever the program's own locale
    // (a decimal comma here would be taken for part of the figure).
    static const locale_t plain = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    const locale_t previous = plain ? uselocale(plain) : static_cast<locale_t>(0);
    std::snprintf(buf, sizeof buf, "%.2f", std::fabs(value));
    if (previous) uselocale(previous);
  }
  std::string digits(buf);
  const size_t dot = digits.find('.');
  const std::string whole = digits.substr(0, dot);
  std::string out;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += thousands;
    out += whole[i];
  }
  out += decimal;
  out += digits.substr(dot + 1);
  if (value < 0 && out.find_first_not_of("0.,") != std::string::npos) out.insert(0, "-");
  return out;
}

std::string FormatNumber2(double value) {
  // The user's numeric conventions, without changing the program's own locale.
  std::string thousands = ",", decimal = ".";
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user) {
    locale_t previous = uselocale(user);
    const lconv* lc = localeconv();
    thousands = lc->thousands_sep ? lc->thousands_sep : "";
    decimal = lc->decimal_point && *lc->decimal_point ? lc->decimal_point : ".";
    uselocale(previous);
    freelocale(user);
  }
  return FormatNumber2(value, thousands, decimal);
}

long long MemInfoKilobytes(std::string_view meminfo, std::string_view key) {
  size_t pos = 0;
  while (pos < meminfo.size()) {
    size_t end = meminfo.find('\n', pos);
    if (end == std::string_view::npos) end = meminfo.size();
    std::string_view line = meminfo.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ':') {
      std::string_view rest = TrimBlanks(line.substr(key.size() + 1));
      long long kb = 0;
      size_t i = 0;
      for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i) kb = kb * 10 + (rest[i] - '0');
      return i == 0 ? -1 : kb;
    }
  }
  return -1;
}

std::string GetTotalMemoryText() {
  long long kb = MemInfoKilobytes(ReadWholeFile("/proc/meminfo"), "MemTotal");
  return FormatNumber2(static_cast<double>(kb < 0 ? 0 : kb));
}

std::string GetFreeMemoryText() {
  long long kb = MemInfoKilobytes(ReadWholeFile("/proc/meminfo"), "MemAvailable");
  return FormatNumber2(static_cast<double>(kb < 0 ? 0 : kb));
}

}  // namespace orbisk
