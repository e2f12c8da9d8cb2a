#pragma once
// The importer told to copy whatever tables a file holds, for tests that
// read Access files which are no business directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace orbisk::testing {

inline std::string AnyTablesImporter() {
  static const std::string path = [] {
    const std::string p = std::string(ORBISK_BUILD_DIR) + "/orbisk-import-any-tables";
    // Written aside and renamed: test programs running side by side never see half a script.
    const std::string temp = p + "." + std::to_string(::getpid());
    std::ofstream(temp) << "#!/bin/sh\nexec '" << ORBISK_BUILD_DIR << "/bin/orbisk-import' --tables any \"$@\"\n";
    ::chmod(temp.c_str(), 0755);
    std::rename(temp.c_str(), p.c_str());
    return p;
  }();
  return path;
}

}  // namespace orbisk::testing
