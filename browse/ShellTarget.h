#pragma once
// What may be handed to the desktop's opener: web addresses, mail links,
// the program's own pages and files it wrote; never a program. No Qt here.
#include <string>
#include <string_view>

namespace orbisk {

// The publisher's addresses.
inline constexpr const char* kHomePage = "https://www.orbisk.ca";
inline constexpr const char* kProductsPage = "https://www.orbisk.ca/products.htm";
inline constexpr const char* kSupportMail = "support@orbisk.ca";
inline constexpr const char* kHelpPage = "Help/orbisk_help.htm";
inline constexpr const char* kHelpPageFrench = "Help/orbisk_help_fr.htm";

// What ShellOpen hands to the desktop's opener.
struct ShellTarget {
  enum class Kind { None, Url, File };
  Kind kind = Kind::None;
  std::string text;  // the URL, or the local file path
};
// Web addresses (http, https, ftp), mailto: links and local files are opened;
// an address without a scheme that reads as a host name ("www.prairie.ca",
// "prairie.ca/products") gets "http://". Anything else, and any file that is
// a program, opens nothing: data never names something to run.
ShellTarget ShellOpenTarget(std::string_view target);
// True when a stored value without a scheme reads as a host name with an
// optional path: letters, digits and hyphens in dot-separated labels, at least
// one dot, then nothing or a path of non-blank characters after a "/".
bool ReadsAsHostName(std::string_view value);
// The kind of link a grid cell is: a mail address or a web address; the
// column tables name it for every column.
enum class CellLink { None, Mail, Web };
// What opening a link cell hands to ShellOpen: a mail cell's address after
// "mailto:", a web cell's address exactly as stored (ShellOpenTarget decides
// later what may open). Empty when the cell is no link or holds nothing.
std::string ShellTargetForCell(CellLink link, std::string_view text);
// The program's own help page, Help/orbisk_help.htm in the program folder
// (found ignoring case). It is opened whatever its mode bits: on a FAT or NTFS
// mount every file has execute bits, and this path is the program's, not data's.
ShellTarget HelpPageTarget(std::string_view programFolder, std::string_view page = kHelpPage);
// A file the program has just written, named as the user typed it: blanks are
// part of the name, and a relative name lies in currentFolder. A program is
// still never run.
ShellTarget WrittenFileTarget(std::string_view fileName, std::string_view currentFolder);

}  // namespace orbisk
