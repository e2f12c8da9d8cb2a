#include "export/ExportTypes.h"

#include "strutil/Translatable.h"

namespace orbisk {

const ExportTypeInfo& ExportTypeInfoOf(int type) {
  // The workbook is an Office Open XML file: its pattern takes .xlsx too and a
  // bare name gets .xlsx.
  static const ExportTypeInfo types[kExportTypeCount] = {
      {"Access(*.mdb)", "Access(*.mdb)", "*.mdb", "mdb"},
      {"Excel(*.xls)", "Excel(*.xls)", "*.xls;*.xlsx", "xlsx"},
      {"CSV(*.csv)", "CSV (*.csv)", "*.csv", "csv"},
      {"XML(*.xml)", "XML(*.xml)", "*.xml", "xml"},
      {"HTML(*.htm)", "HTML(*.htm)", "*.htm", "htm"},
      {ORBISK_TR_NOOP("ExportTypes", "Current Column(*.txt)"), ORBISK_TR_NOOP("ExportTypes", "Current Column(*.txt)"), "*.txt", "txt"},
  };
  if (type < 0 || type >= kExportTypeCount) type = etHtml;
  return types[type];
}

std::string ExportChooserFilter(int type) {
  const ExportTypeInfo& t = ExportTypeInfoOf(type);
  return std::string(t.description) + "|" + t.pattern + "|" + kAnyFile + "|*.*";
}

}  // namespace orbisk
