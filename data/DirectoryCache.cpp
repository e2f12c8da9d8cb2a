#include "data/DirectoryCache.h"

#include <cstdlib>

namespace orbisk {

std::string DirectoryCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return {};
    base = std::string(home) + "/.cache";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/orbisk/";
}

}  // namespace orbisk
