#include "export/db2csv.h"

#include <vector>

#include "export/TextFile.h"

namespace orbisk {

bool IsQuotedFieldType(TFieldType type) {
  switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString: return true;
    default: return false;
  }
}

bool IsPlainFieldType(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftBytes:
    case ftVarBytes:
    case ftAutoInc:
    case ftLargeint:
    case ftGuid:
    case ftTimeStamp:
    case ftFMTBcd: return true;
    default: return false;
  }
}

namespace {

enum class CsvClass { Quoted, Plain, Skipped };

CsvClass ClassOf(TFieldType type) {
  if (IsQuotedFieldType(type)) return CsvClass::Quoted;
  if (IsPlainFieldType(type)) return CsvClass::Plain;
  return CsvClass::Skipped;
}

// Characters, not bytes: a UTF-8 text counts each letter once.
bool ShorterThan(const std::string& text, int limit) {
  if (text.size() < static_cast<size_t>(limit < 0 ? 0 : limit)) return true;
  long long chars = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++chars;
  return chars < limit;
}

// CR LF pairs read "[Return]" and double quotes are doubled; a lone CR or LF stays.
void AppendQuoted(std::string& line, const std::string& text) {
  line += '"';
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      line += "[Return]";
      ++i;
    } else if (c == '"') {
      line += "\"\"";
    } else {
      line += c;
    }
  }
  line += '"';
}

}  // namespace

void ExportToCSV(Query& query, const std::string& fileName, int longestText, bool withHeader,
                 const ExportProgress& progress) {
  TextFileWriter out(fileName);
  ScopedDateFormats formats("yyyy-mm-dd", "hh:mm:ss");
  const std::vector<Field>& fields = query.Fields();
  std::string line;
  if (withHeader) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i) line += ',';
      line += fields[i].FieldName();
    }
    line += "\r\n";
    out.Write(line);
  }

  WalkGuard walk(query);
  std::vector<CsvClass> classes;
  for (const Field& f : fields) classes.push_back(ClassOf(f.DataType()));
  ProgressTicker ticker(progress);
  for (query.First(); !query.Eof(); query.Next()) {
    line.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
      if (classes[i] == CsvClass::Skipped) continue;
      std::string text = fields[i].AsString();
      if (classes[i] == CsvClass::Plain) {
        line += text;
      } else if (ShorterThan(text, longestText)) {
        AppendQuoted(line, text);
      } else {
        line += "\"\"";
      }
      line += ',';
    }
    if (!line.empty()) line.pop_back();
    line += "\r\n";
    out.Write(line);
    ticker.Row();
  }
  ticker.Done();  // before the file replaces the target: a stop there leaves it as it was
  out.Commit();
}

}  // namespace orbisk
