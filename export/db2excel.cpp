#include "export/db2excel.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "data/AtomicFile.h"
#include "data/ExportTarget.h"
#include "data/Message.h"
#include "export/db2txt.h"
#include "export/QueryWalk.h"
#include "export/ZipCheck.h"

namespace orbisk {

namespace {

// A cell holds at most this many characters.
constexpr size_t kMaxCellChars = 32767;
// Integers beyond this lose digits as spreadsheet numbers; they stay text.
constexpr long long kExactIntegerLimit = 1LL << 53;

[[noreturn]] void Fail(const std::string& target, lxw_error e) {
  throw Failure(msg::kCannotWrite, {target, lxw_strerror(e)});
}

void Check(lxw_error e) {
  if (e != LXW_NO_ERROR) throw std::runtime_error(lxw_strerror(e));
}

// The first `limit` characters of a UTF-8 text.
std::string_view FirstChars(std::string_view s, size_t limit) {
  size_t chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == limit) return s.substr(0, i);
  }
  return s;
}

void WriteText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const std::string& text) {
  if (text.empty()) return;  // an empty value leaves the cell empty
  if (text.size() <= kMaxCellChars) {
    Check(worksheet_write_string(sheet, row, col, text.c_str(), nullptr));
    return;
  }
  std::string cut(FirstChars(text, kMaxCellChars));
  Check(worksheet_write_string(sheet, row, col, cut.c_str(), nullptr));
}

bool IsDecimalFieldType(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD || t == ftFMTBcd; }

void WriteCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const Field& field) {
  const Value& v = field.AsValue();
  if (v.IsNull()) return;
  TFieldType type = field.DataType();
  if (IsIntegerFieldType(type) || IsDecimalFieldType(type)) {
    if (v.kind() == Value::Kind::Integer) {
      long long n = v.AsInteger();
      if (n > -kExactIntegerLimit && n < kExactIntegerLimit) {
        Check(worksheet_write_number(sheet, row, col, static_cast<double>(n), nullptr));
        return;
      }
    } else if (v.kind() == Value::Kind::Real && std::isfinite(v.AsReal())) {
      Check(worksheet_write_number(sheet, row, col, v.AsReal(), nullptr));
      return;
    }
  }
  WriteText(sheet, row, col, field.AsString());
}

std::string TempDirectory() {
  const char* tmp = getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

// A fresh folder under the temporary directory; empty when none can be made.
std::string MakeTempFolder() {
  std::string templ = TempDirectory() + "/orbisk-excel-XXXXXX";
  if (!mkdtemp(templ.data())) return {};
  return templ;
}

void ShowNotice(const ExcelUi& ui) {
  if (ui.notice) ui.notice(std::string(kExcelNoticeCaption), std::string(kExcelNoticeText));
}

// Writes the workbook to `target` through a temporary file beside it.
// False (after the notice) when the workbook cannot be created.
bool WriteWorkbook(Query& query, const ExcelOptions& options, const std::string& target, const ExcelUi& ui) {
  AtomicFile file(target, CheckExportTarget);
  // The library's own temporary files go beside the workbook, not into a
  // temporary folder that may be small or full.
  const auto slash = file.TempPath().rfind('/');
  std::string tmpdir = slash == std::string::npos ? "." : slash == 0 ? "/" : file.TempPath().substr(0, slash);
  lxw_workbook_options bookOptions{};
  bookOptions.constant_memory = LXW_TRUE;  // rows go to disk as they are written
  bookOptions.tmpdir = tmpdir.data();
  lxw_workbook* book = workbook_new_opt(file.TempPath().c_str(), &bookOptions);
  if (!book) {
    ShowNotice(ui);
    return false;
  }
  std::string sheetName = ExcelSheetName(query);
  lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName.c_str());
  if (!sheet) {
    lxw_workbook_free(book);
    ShowNotice(ui);
    return false;
  }
  bool filled;
  try {
    filled = FillSheetFromDataSet(query, sheet, options);
  } catch (...) {
    lxw_workbook_free(book);
    throw;
  }
  lxw_error e = workbook_close(book);  // writes the file and frees the workbook
  if (e != LXW_NO_ERROR) Fail(target, e);
  // Read back before it replaces anything: a part the library could not
  // write (a full disk) leaves the old file in place.
  const std::string problem = ZipArchiveProblem(file.TempPath(), RequiredWorkbookParts());
  if (!problem.empty()) throw std::runtime_error("Cannot write '" + target + "': the workbook written is damaged: " + problem);
  file.Commit();
  return filled;
}

}  // namespace

std::string ExcelSheetName(const Query& query) {
  std::string name;
  for (char c : QueryBaseName(query)) name += std::string_view("[]:*?/\\").find(c) == std::string_view::npos ? c : '_';
  name = std::string(FirstChars(name, LXW_SHEETNAME_MAX));
  while (!name.empty() && name.front() == '\'') name.erase(0, 1);
  while (!name.empty() && name.back() == '\'') name.pop_back();
  return name.empty() ? "Sheet1" : name;
}

bool FillSheetFromDataSet(Query& query, lxw_worksheet* sheet, const ExcelOptions& options) {
  if (!query.Active()) return false;
  worksheet_activate(sheet);
  std::vector<const Field*> fields;
  for (const Field& f : query.Fields())
    if (f.Tag() >= options.lowTag && f.Tag() <= options.highTag) fields.push_back(&f);
  for (size_t c = 0; c < fields.size(); ++c)
    WriteText(sheet, 0, static_cast<lxw_col_t>(c), fields[c]->DisplayLabel());
  lxw_row_t row = 0;
  WalkAllRows(query, options.progress, [&] {
    ++row;
    for (size_t c = 0; c < fields.size(); ++c) WriteCell(sheet, row, static_cast<lxw_col_t>(c), *fields[c]);
  });
  return true;
}

bool ExportToExcel(Query& query, std::string fileName, const ExcelOptions& options, const ExcelUi& ui) {
  if (!query.Active()) return false;
  if (options.show) {
    std::string folder = MakeTempFolder();
    if (folder.empty()) {
      ShowNotice(ui);
      return false;
    }
    std::string path = folder + "/" + ExcelSheetName(query) + ".xlsx";
    bool written;
    try {
      written = WriteWorkbook(query, options, path, ui);
    } catch (...) {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
      throw;
    }
    if (!written) {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
      return false;
    }
    // The workbook stays for the spreadsheet program, unsaved in the user's eyes.
    if (ui.openFile) ui.openFile(path);
    return true;
  }
  if (fileName.empty() && ui.askFileName) fileName = ui.askFileName();
  if (fileName.empty()) return false;
  return WriteWorkbook(query, options, WorkbookFileName(fileName), ui);
}

int RemoveStaleExcelFolders(long long olderThanSeconds) {
  namespace fs = std::filesystem;
  constexpr std::string_view kPrefix = "orbisk-excel-";
  const time_t now = time(nullptr);
  auto old = [&](const struct stat& st) { return now - st.st_mtime > olderThanSeconds; };
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(TempDirectory(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) continue;
    struct stat st;
    // Only real folders of our own; a link is never followed.
    if (lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() || !old(st)) continue;
    bool keep = false;
    std::error_code inner;
    for (fs::directory_iterator f(it->path(), inner), fend; !inner && f != fend && !keep; f.increment(inner)) {
      const std::string entry = f->path().filename().string();
      struct stat fst;
      keep = (entry.size() > 8 && entry.compare(0, 7, ".~lock.") == 0 && entry.back() == '#') ||
             lstat(f->path().c_str(), &fst) != 0 || !old(fst);
    }
    if (keep || inner) continue;
    fs::remove_all(it->path(), inner);
    if (!inner) ++removed;
  }
  return removed;
}

std::string WorkbookFileName(const std::string& fileName) {
  // A name ending in '/' has no file name to complete; the writer refuses it.
  if (fileName.empty() || fileName.back() == '/' || ExtensionStart(fileName) != std::string::npos) return fileName;
  return fileName + ".xlsx";
}

}  // namespace orbisk
