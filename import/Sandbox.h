#pragma once
// The importer's sandbox: once the directory file and the output are open,
// a seccomp filter keeps the process from opening, creating, renaming or
// removing any file, starting a program or opening a network socket. A
// denied call does not end the process: it fails with EPERM and is
// remembered, and the import then fails, naming what was tried.
#include <string>

namespace orbisk::import {

// Loads what libraries would otherwise load from files on first use, then
// installs the filter. Throws ImportError when the filter cannot be installed.
void EnterSandbox();

// Empty while the filter has denied nothing; else the plain text of the first
// call it denied, such as "The reader tried to open a file (openat), which it may not do."
std::string SandboxDenial();

}  // namespace orbisk::import
