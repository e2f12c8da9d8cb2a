#pragma once
// Finding the files that live beside the program.
#include <string>
#include <string_view>

namespace orbisk {

// The folder of the running executable (from /proc/self/exe), ending in '/'.
std::string ProgramFolder();
// Resolves a path component by component, ignoring letter case where the exact
// name does not exist ("database/x.htm" finds "Database/x.htm"). Returns the
// existing path, or the path as given when nothing matches.
std::string ResolveIgnoringCase(std::string_view path);
// The connection string of the directory beside the program.
std::string DirectoryConnectionString(std::string_view programFolder);
bool FileExists(const std::string& path);

}  // namespace orbisk
