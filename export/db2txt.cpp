#include "export/db2txt.h"

#include <memory>

#include "export/QueryWalk.h"
#include "export/TextFile.h"

namespace orbisk {

size_t ExtensionStart(const std::string& fileName) {
  size_t slash = fileName.rfind('/');
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

std::string NumberedFileName(const std::string& fileName, int n) {
  std::string number = "_" + std::to_string(n);
  size_t dot = ExtensionStart(fileName);
  if (dot == std::string::npos) return fileName + number;
  return fileName.substr(0, dot) + number + fileName.substr(dot);
}

std::string ExportColumnToText(Query& query, const std::string& fieldName, const std::string& fileName,
                               const ColumnTextOptions& options) {
  const int linesPerFile = options.linesPerFile;
  int part = 1;
  int lines = 0;
  std::string current = linesPerFile > 0 ? NumberedFileName(fileName, part) : fileName;
  auto out = std::make_unique<TextFileWriter>(current);

  RequireOpen(query);
  const Field& field = query.FieldByName(fieldName);
  std::string line;
  WalkAllRows(query, options.progress, [&] {
    // A full part is closed only when another row follows: no empty last part.
    if (linesPerFile > 0 && lines == linesPerFile) {
      lines = 0;
      out->Commit();
      current = NumberedFileName(fileName, ++part);
      out = std::make_unique<TextFileWriter>(current);
    }
    line.assign(options.prefix);
    line += field.AsString();
    line += options.suffix;
    line += "\r\n";
    out->Write(line);
    ++lines;
  });
  out->Commit();  // after the last report: a stop there leaves the target as it was
  return current;
}

}  // namespace orbisk
