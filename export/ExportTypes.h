#pragma once
// The six export types of the export dialog, with the texts of their radio
// items and of the file chooser.
#include <string>

#include "strutil/Translatable.h"

namespace orbisk {

enum ExportType { etAccess = 0, etExcel = 1, etCsv = 2, etXml = 3, etHtml = 4, etColumn = 5 };
inline constexpr int kExportTypeCount = 6;

struct ExportTypeInfo {
  const char* radioItem;    // "Access(*.mdb)"
  const char* description;  // the chooser's description
  const char* pattern;      // "*.mdb"; Excel also accepts *.xlsx
  const char* extension;    // given to a name typed without one
};

const ExportTypeInfo& ExportTypeInfoOf(int type);
// The chooser's filter: description, "|", pattern, "|Any File|*.*".
std::string ExportChooserFilter(int type);
inline constexpr const char* kAnyFile = ORBISK_TR_NOOP("ExportTypes", "Any File");

}  // namespace orbisk
