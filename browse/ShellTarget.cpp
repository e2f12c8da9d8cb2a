#include "browse/ShellTarget.h"

#include <sys/stat.h>

#include "data/ProgramFiles.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCaseAscii(s.substr(0, prefix.size()), prefix);
}

bool IsProgramFile(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return false;
  if (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) return true;
  // Desktop entries name a program to run.
  return path.size() >= 8 && EqualsNoCaseAscii(std::string_view(path).substr(path.size() - 8), ".desktop");
}

}  // namespace

ShellTarget ShellOpenTarget(std::string_view target) {
  std::string_view t = TrimBlanks(target);
  if (t.empty()) return {};
  for (std::string_view scheme : {"http://", "https://", "ftp://", "mailto:"})
    if (StartsWithNoCase(t, scheme)) return {ShellTarget::Kind::Url, std::string(t)};
  if (StartsWithNoCase(t, "www.") || ReadsAsHostName(t)) return {ShellTarget::Kind::Url, "http://" + std::string(t)};
  std::string path;
  if (StartsWithNoCase(t, "file://"))
    path = std::string(t.substr(7));
  else if (t.front() == '/')
    path = std::string(t);
  else
    return {};
  if (IsProgramFile(path)) return {};
  return {ShellTarget::Kind::File, path};
}

std::string ShellTargetForCell(CellLink link, std::string_view text) {
  if (text.empty()) return {};
  switch (link) {
    case CellLink::Mail: return "mailto:" + std::string(text);
    case CellLink::Web: return std::string(text);
    case CellLink::None: break;
  }
  return {};
}

bool ReadsAsHostName(std::string_view value) {
  const size_t slash = value.find('/');
  const std::string_view host = value.substr(0, slash);
  const std::string_view path = slash == std::string_view::npos ? std::string_view() : value.substr(slash);
  if (host.empty() || host.size() > 253 || host.find('.') == std::string_view::npos) return false;
  bool lastHasLetter = false;
  size_t labels = 0;
  size_t start = 0;
  while (start <= host.size()) {
    size_t end = host.find('.', start);
    if (end == std::string_view::npos) end = host.size();
    const std::string_view label = host.substr(start, end - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    lastHasLetter = false;
    for (char c : label) {
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      if (!letter && !(c >= '0' && c <= '9') && c != '-') return false;
      lastHasLetter = lastHasLetter || letter;
    }
    ++labels;
    start = end + 1;
  }
  // A name ends in a word ("prairie.ca"); digits only read as an address of four numbers.
  if (!lastHasLetter && labels != 4) return false;
  for (unsigned char c : path)
    if (c <= ' ' || c == 0x7F) return false;
  return true;
}

ShellTarget HelpPageTarget(std::string_view programFolder, std::string_view page) {
  std::string folder(programFolder);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return {ShellTarget::Kind::File, ResolveIgnoringCase(folder + std::string(page))};
}

ShellTarget WrittenFileTarget(std::string_view fileName, std::string_view currentFolder) {
  if (fileName.empty()) return {};
  std::string path(fileName);
  if (path.front() != '/') {
    std::string folder(currentFolder);
    if (folder.empty() || folder.back() != '/') folder += '/';
    path = folder + path;
  }
  if (IsProgramFile(path)) return {};
  return {ShellTarget::Kind::File, path};
}

}  // namespace orbisk
