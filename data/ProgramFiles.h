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
// The connection string of any directory file. A path holding ';' or '"', or
// starting or ending with a blank, is put in double quotes (its quotes doubled).
std::string ConnectionStringForFile(std::string_view path);
// The directory the user keeps for themselves: $XDG_DATA_HOME/orbisk/Database/corpdir.mdb,
// XDG_DATA_HOME being ~/.local/share when unset or not absolute. Empty without a home.
std::string UserDirectoryFile();
// The directory used when none is given: the user's own when it exists, else
// Database/corpdir.mdb beside the program.
std::string DefaultDirectoryFile(std::string_view programFolder);
bool FileExists(const std::string& path);

}  // namespace orbisk
