#include "app/ProgramArguments.h"

#include "OrbiskVersion.h"

namespace orbisk {

ProgramArguments ParseProgramArguments(const std::vector<std::string>& args) {
  ProgramArguments out;
  std::vector<std::string> files;
  bool options = true;
  for (const std::string& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && (a == "--help" || a == "-h")) {
      return {ProgramArguments::Action::Help, {}, {}};
    } else if (options && a == "--version") {
      return {ProgramArguments::Action::Version, {}, {}};
    } else if (options && a.size() > 1 && a[0] == '-') {
      // Keep looking: a later --help still answers.
      if (out.error.empty()) out.error = "unknown option " + a;
    } else {
      files.push_back(a);
    }
  }
  if (out.error.empty() && files.size() > 1) out.error = "only one directory file can be given";
  if (out.error.empty() && files.size() == 1 && files[0].empty()) out.error = "the directory file name is empty";
  if (!out.error.empty()) {
    out.action = ProgramArguments::Action::Usage;
    return out;
  }
  if (!files.empty()) out.file = files[0];
  return out;
}

std::string ProgramVersionText() { return "orbisk " ORBISK_VERSION "\n"; }

std::string ProgramHelpText() {
  return "Usage: orbisk [FILE]\n"
         "       orbisk --help | --version\n"
         "\n"
         "Searches a business directory of Canadian companies, their contacts, products and\n"
         "categories, and exports result lists.\n"
         "\n"
         "FILE is the directory to search, an Access (.mdb) or SQLite file. Without it Orbisk\n"
         "uses $XDG_DATA_HOME/orbisk/Database/corpdir.mdb (XDG_DATA_HOME defaults to\n"
         "~/.local/share) when that file exists, else Database/corpdir.mdb beside the program.\n"
         "Nothing is read at start: the file is opened by the first search.\n"
         "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "  --version      show the version and exit\n"
         "  --             ends the options (for a FILE whose name starts with '-')\n"
         "Qt's own options, such as -platform or -style, are accepted too.\n"
         "\n"
         "Exit status: 0 when the window closes normally, 2 for a usage error.\n";
}

}  // namespace orbisk
