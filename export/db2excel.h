#pragma once
// The Excel writer: a result as a workbook of one sheet named after the query,
// a header row of field labels and one row per record. Saving mode writes the
// given file; showing mode writes a workbook into a fresh temporary folder and
// hands it to the desktop's spreadsheet program. The writer shows nothing
// itself: the window layer supplies the chooser, the notice and the opener.
#include <functional>
#include <string>
#include <string_view>

#include "data/Query.h"
#include "data/Progress.h"

typedef struct lxw_worksheet lxw_worksheet;

namespace orbisk {

inline constexpr std::string_view kExcelNoticeCaption = "提示";
inline constexpr std::string_view kExcelNoticeText =
    "无法调用Mircorsoft Excel! \r\n请检查是否安装了Mircorsoft Excel。";
// The filter of the save chooser.
inline constexpr std::string_view kExcelFileFilter = "Microsoft Excel 文件|*.xls";

struct ExcelUi {
  // The save chooser; returns an empty name when the user cancels.
  std::function<std::string()> askFileName;
  // Shows a message with a caption (the failure notice).
  std::function<void(const std::string& caption, const std::string& text)> notice;
  // Opens a workbook with the desktop's spreadsheet program.
  std::function<void(const std::string& path)> openFile;
};

struct ExcelOptions {
  int lowTag = 0;      // fields whose tag lies in [lowTag, highTag] become columns
  int highTag = 100;
  bool show = false;   // hand a temporary workbook to the spreadsheet program instead of saving
  Progress progress;   // rows written; answering false stops the export
};

// Fills a sheet: row 1 the display labels of the fields whose tag lies in
// [lowTag, highTag], then one row per record from the first to the last.
// Integer fields become numbers, text fields text (codes keep their leading
// zeros), other fields their value text, numeric where it is a number.
// False when the query is closed. Leaves the query on the row it was on.
bool FillSheetFromDataSet(Query& query, lxw_worksheet* sheet, const ExcelOptions& options);

// True when the sheet was filled (and, in saving mode, written to fileName,
// or to the name the chooser gives when fileName is empty). False when the
// query is closed, the user cancelled the file name, or the workbook could not
// be created (after the notice). Writing errors throw, a stop throws
// ExportCancelled; an existing file of the chosen name stays untouched then.
bool ExportToExcel(Query& query, std::string fileName, const ExcelOptions& options, const ExcelUi& ui = {});

// Removes the workbook folders of earlier showing-mode exports (orbisk-excel-*
// in the temporary directory, owned by this user) that were last changed more
// than `olderThanSeconds` ago and hold no spreadsheet lock file (.~lock.*#):
// a spreadsheet program may still have a younger or locked one open. Called at
// start-up; returns how many folders were removed.
int RemoveStaleExcelFolders(long long olderThanSeconds = 24 * 60 * 60);

// The file a workbook is saved under: the name given, with ".xlsx" added when
// its last component has no extension.
std::string WorkbookFileName(const std::string& fileName);

// The sheet name for a query: its base name, made acceptable to spreadsheets
// (at most 31 characters, none of []:*?/\).
std::string ExcelSheetName(const Query& query);

}  // namespace orbisk
