#pragma once
// Where imported copies of Access directories are kept between runs.
#include <string>

namespace orbisk {

// $XDG_CACHE_HOME/orbisk/ (a relative or empty XDG_CACHE_HOME is ignored,
// as the base-directory rules say), else $HOME/.cache/orbisk/; ends in '/'.
// Empty when neither can be told. The folder is not created here.
std::string DirectoryCacheFolder();

}  // namespace orbisk
