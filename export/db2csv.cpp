#include "export/db2csv.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "export/QueryWalk.h"
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
bool ShorterThan(std::string_view text, int limit) {
  if (text.size() < static_cast<size_t>(limit < 0 ? 0 : limit)) return true;
  long long chars = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++chars;
  return chars < limit;
}

// CR LF pairs read "[Return]" and double quotes are doubled; a lone CR or LF
// stays. Runs without either character are appended whole.
void AppendQuoted(std::string& line, std::string_view text) {
  line += '"';
  size_t from = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      line.append(text.data() + from, i + 1 - from);
      line += '"';
      from = i + 1;
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      line.append(text.data() + from, i - from);
      line += "[Return]";
      from = i + 2;
      ++i;
    }
  }
  line.append(text.data() + from, text.size() - from);
  line += '"';
}

// A field's value text appended to the line, without a string of its own for
// the common cells (stored texts and integers).
void AppendValueText(std::string& line, const Field& field, CsvClass cls, int longestText) {
  const ValueView v = field.View();
  if (field.ShowsTextAsStored()) {
    if (v.kind() == ValueKind::Integer && cls == CsvClass::Plain) {
      char buf[24];
      const auto r = std::to_chars(buf, buf + sizeof buf, v.AsInteger());
      line.append(buf, r.ptr);
      return;
    }
    if (v.kind() == ValueKind::Text || v.kind() == ValueKind::Null) {
      const std::string_view text = v.Bytes();
      if (cls == CsvClass::Plain) line.append(text);
      else if (ShorterThan(text, longestText)) AppendQuoted(line, text);
      else line += "\"\"";
      return;
    }
  }
  // A CSV file writes its dates in ISO form, whatever the query shows.
  const std::string text = field.TextOf(v, DateFormats{"yyyy-mm-dd", "hh:mm:ss"});
  if (cls == CsvClass::Plain) line += text;
  else if (ShorterThan(text, longestText)) AppendQuoted(line, text);
  else line += "\"\"";
}

}  // namespace

void ExportToCSV(Query& query, const std::string& fileName, const CsvOptions& options) {
  TextFileWriter out(fileName);
  // The last progress report comes before the file replaces the target: a stop there leaves it as it was.
  ExportToCSV(query, static_cast<TextSink&>(out), options);
  out.Commit();
}

void ExportToCSV(Query& query, TextSink& out, const CsvOptions& options) {
  const std::vector<Field>& fields = query.Fields();
  std::string line;
  if (options.header) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i) line += ',';
      line += fields[i].FieldName();
    }
    line += "\r\n";
    out.Write(line);
  }

  std::vector<CsvClass> classes;
  for (const Field& f : fields) classes.push_back(ClassOf(f.DataType()));
  WalkAllRows(query, options.progress, [&] {
    line.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
      if (classes[i] == CsvClass::Skipped) continue;
      AppendValueText(line, fields[i], classes[i], options.longestText);
      line += ',';
    }
    if (!line.empty()) line.pop_back();
    line += "\r\n";
    out.Write(line);
  });
}

}  // namespace orbisk
