#pragma once
// The window program's command line: orbisk [FILE], orbisk --help | --version.
#include <string>
#include <vector>

namespace orbisk {

struct ProgramArguments {
  enum class Action { Run, Help, Version, Usage };
  Action action = Action::Run;
  std::string file;   // the directory file given; empty: the default one
  std::string error;  // for Usage: what is wrong
};

// Reads the arguments after the program name. --help (-h) or --version
// anywhere before "--" wins over everything else; "--" ends the options.
ProgramArguments ParseProgramArguments(const std::vector<std::string>& args);
// What --help and --version print.
std::string ProgramHelpText();
std::string ProgramVersionText();

}  // namespace orbisk
