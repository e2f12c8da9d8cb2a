#pragma once
// Proof that a written workbook is whole before it replaces anything: the
// file is read back as a zip archive, its central directory must lie inside
// the file and every part a spreadsheet program needs must be there and not
// empty.
#include <string>
#include <vector>

namespace orbisk {

// The parts of a one-sheet workbook that may never be missing or empty.
std::vector<std::string> RequiredWorkbookParts();

// Empty when `path` is a complete zip archive holding each of `required`
// with content; otherwise why not ("the part 'xl/workbook.xml' is empty.").
std::string ZipArchiveProblem(const std::string& path, const std::vector<std::string>& required);

}  // namespace orbisk
