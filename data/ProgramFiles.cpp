#include "data/ProgramFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "strutil/TextUtil.h"

namespace orbisk {

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string ProgramFolder() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string exe(buf.data(), static_cast<size_t>(n));
  auto slash = exe.rfind('/');
  return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::string ResolveIgnoringCase(std::string_view path) {
  std::string given(path);
  if (given.empty() || FileExists(given)) return given;
  std::string done = given[0] == '/' ? "/" : "";
  size_t pos = given[0] == '/' ? 1 : 0;
  while (pos <= given.size()) {
    size_t next = given.find('/', pos);
    if (next == std::string::npos) next = given.size();
    std::string part = given.substr(pos, next - pos);
    pos = next + 1;
    if (part.empty()) continue;
    std::string candidate = done + part;
    if (!FileExists(candidate)) {
      bool found = false;
      if (DIR* d = ::opendir(done.empty() ? "." : done.c_str())) {
        while (dirent* e = ::readdir(d)) {
          if (EqualsNoCaseAscii(e->d_name, part)) {
            candidate = done + e->d_name;
            found = true;
            break;
          }
        }
        ::closedir(d);
      }
      if (!found) return given;
    }
    done = candidate;
    if (pos <= given.size()) done += '/';
  }
  if (!done.empty() && done.back() == '/' && (given.empty() || given.back() != '/')) done.pop_back();
  return done;
}

std::string DirectoryConnectionString(std::string_view programFolder) {
  return ConnectionStringForFile(std::string(programFolder) + "Database/corpdir.mdb");
}

}  // namespace orbisk

namespace orbisk {

std::string ConnectionStringForFile(std::string_view path) {
  std::string source(path);
  const bool quote = source.find_first_of(";\"") != std::string::npos ||
                     (!source.empty() && (source.front() == ' ' || source.back() == ' '));
  if (quote) {
    std::string q = "\"";
    for (char c : source) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    source = q + "\"";
  }
  return "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + source;
}

std::string UserDirectoryFile() {
  std::string base;
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return {};
    base = home;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    base += base == "/" ? ".local/share" : "/.local/share";
  }
  if (base.back() != '/') base += '/';
  return base + "orbisk/Database/corpdir.mdb";
}

std::string DefaultDirectoryFile(std::string_view programFolder) {
  const std::string own = UserDirectoryFile();
  if (!own.empty() && FileExists(own)) return own;
  return std::string(programFolder) + "Database/corpdir.mdb";
}

}  // namespace orbisk
