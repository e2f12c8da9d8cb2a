#include "export/db2txt.h"

#include <memory>

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
                               int linesPerFile, const std::string& prefix, const std::string& suffix,
                               const ExportProgress& progress) {
  int part = 1;
  int lines = 0;
  std::string current = linesPerFile > 0 ? NumberedFileName(fileName, part) : fileName;
  auto out = std::make_unique<TextFileWriter>(current);

  WalkGuard walk(query);
  query.First();
  const Field& field = query.FieldByName(fieldName);
  ProgressTicker ticker(progress);
  std::string line;
  while (!query.Eof()) {
    line.assign(prefix);
    line += field.AsString();
    line += suffix;
    line += "\r\n";
    out->Write(line);
    query.Next();
    ticker.Row();
    if (linesPerFile > 0 && ++lines == linesPerFile) {
      lines = 0;
      ++part;
      if (!query.Eof()) {
        out->Commit();
        current = NumberedFileName(fileName, part);
        out = std::make_unique<TextFileWriter>(current);
      }
    }
  }
  ticker.Done();  // before the file replaces the target: a stop there leaves it as it was
  out->Commit();
  return current;
}

}  // namespace orbisk
