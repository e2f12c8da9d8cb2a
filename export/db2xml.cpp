#include "export/db2xml.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <set>

#include "data/AtomicFile.h"
#include "data/ExportTarget.h"
#include "export/QueryWalk.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

// Letters every XML parser takes in names, old name tables and new alike:
// ASCII, the Latin-1 letters and the CJK ideographs. Rarer letters make the
// column fall back to its numbered name, which any parser reads.
bool IsNameLetter(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 0xC0 && c <= 0xD6) ||
         (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFF) || (c >= 0x4E00 && c <= 0x9FA5);
}

// A character of a UTF-8 text, or -1 for bytes that are no (shortest-form) UTF-8.
long NextChar(std::string_view s, size_t& i) {
  size_t start = i;
  char32_t c = DecodeUtf8(s, i);
  size_t len = i - start;
  if (c >= 0x80 && len == 1) return -1;
  if ((len == 2 && c < 0x80) || (len == 3 && c < 0x800) || (len == 4 && c < 0x10000) || c > 0x10FFFF) return -1;
  return static_cast<long>(c);
}

// Characters XML 1.0 cannot carry at all, not even as references.
bool IsXmlChar(long c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// Bytes that need a look: markup, control characters and the start of
// multi-byte UTF-8 sequences. Everything else is copied in runs.
const std::array<bool, 256> kSpecialByte = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = true;
  for (int c = 0x80; c < 0x100; ++c) t[c] = true;
  for (unsigned char c : std::string_view("&<>'\"")) t[c] = true;
  return t;
}();

// Appends text as an attribute value between single quotes. Markup characters
// and CR, LF and tab become references (a raw line break would read back as a
// blank); what XML cannot hold at all becomes '?'.
void AppendEscaped(std::string& out, std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    size_t run = i;
    while (i < s.size() && !kSpecialByte[static_cast<unsigned char>(s[i])]) ++i;
    out.append(s.data() + run, i - run);
    if (i == s.size()) break;
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b >= 0x80) {
      size_t start = i;
      long c = NextChar(s, i);
      if (c < 0 || !IsXmlChar(c)) {
        out += '?';
      } else {
        out.append(s.data() + start, i - start);
      }
      continue;
    }
    ++i;
    switch (b) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#xD;"; break;
      case '\n': out += "&#xA;"; break;
      case '\t': out += "&#x9;"; break;
      default: out += '?'; break;  // other control characters
    }
  }
}

void AppendInteger(std::string& out, long long v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void AppendHex(std::string& out, std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
}

bool IsBinaryType(TFieldType t) {
  return t == ftBlob || t == ftGraphic || t == ftBytes || t == ftVarBytes || t == ftTypedBinary ||
         t == ftParadoxOle || t == ftDBaseOle || t == ftOraBlob;
}

bool IsDateType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime || t == ftTimeStamp; }

// The s:datatype element of a column.
std::string DataTypeElement(const ColumnInfo& c) {
  switch (c.type) {
    case ftInteger:
    case ftAutoInc: return "dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true'";
    case ftSmallint: return "dt:type='i2' dt:maxLength='2' rs:precision='5' rs:fixedlength='true'";
    case ftWord: return "dt:type='ui1' dt:maxLength='1' rs:precision='3' rs:fixedlength='true'";
    case ftLargeint: return "dt:type='i8' dt:maxLength='8' rs:precision='19' rs:fixedlength='true'";
    case ftBoolean: return "dt:type='boolean' dt:maxLength='2' rs:fixedlength='true'";
    case ftFloat: return "dt:type='float' dt:maxLength='8' rs:precision='15' rs:fixedlength='true'";
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return "dt:type='number' rs:dbtype='currency' dt:maxLength='8' rs:precision='19' rs:fixedlength='true'";
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return "dt:type='dateTime' rs:dbtype='variantdate' dt:maxLength='16' rs:fixedlength='true'";
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob: return "dt:type='string' dt:maxLength='536870910' rs:long='true'";
    default:
      if (IsBinaryType(c.type)) return "dt:type='bin.hex' dt:maxLength='1073741823' rs:long='true'";
      return "dt:type='string' dt:maxLength='" + std::to_string(c.size > 0 ? c.size : 255) + "'";
  }
}

void AppendSchema(std::string& out, const std::vector<ColumnInfo>& columns, const std::vector<std::string>& names) {
  out +=
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
      "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
      "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
      "\txmlns:z='#RowsetSchema'>\r\n"
      "<s:Schema id='RowsetSchema'>\r\n"
      "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\r\n";
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnInfo& c = columns[i];
    out += "\t\t<s:AttributeType name='";
    AppendEscaped(out, names[i]);
    out += '\'';
    if (names[i] != c.name) {
      out += " rs:name='";
      AppendEscaped(out, c.name);
      out += '\'';
    }
    out += " rs:number='";
    AppendInteger(out, static_cast<long long>(i + 1));
    out += '\'';
    // Counters and yes/no columns never hold a null.
    if (c.nullable && !c.autoIncrement && c.type != ftBoolean) out += " rs:nullable='true'";
    out += " rs:maydefer='true' rs:writeunknown='true'";
    if (!c.baseTable.empty() && !c.baseColumn.empty()) {
      out += " rs:basetable='";
      AppendEscaped(out, c.baseTable);
      out += "' rs:basecolumn='";
      AppendEscaped(out, c.baseColumn);
      out += '\'';
    }
    if (c.autoIncrement) out += " rs:autoincrement='true'";
    out += ">\r\n\t\t\t<s:datatype ";
    out += DataTypeElement(c);
    out += "/>\r\n\t\t</s:AttributeType>\r\n";
  }
  out +=
      "\t\t<s:extends type='rs:rowbase'/>\r\n"
      "\t</s:ElementType>\r\n"
      "</s:Schema>\r\n"
      "<rs:data>\r\n";
}

void AppendValue(std::string& out, const Value& v, TFieldType type) {
  if (const Blob* b = v.BlobPtr()) {
    AppendHex(out, b->bytes);
  } else if (type == ftBoolean) {
    out += v.AsInteger() ? "True" : "False";
  } else if (DateTimeParts p; IsDateType(type) && DecodeDateValue(v, p)) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                  p.second);
    out += buf;
  } else if (v.kind() == Value::Kind::Integer) {
    AppendInteger(out, v.AsInteger());
  } else if (const std::string* t = v.TextPtr()) {
    AppendEscaped(out, *t);
  } else {
    AppendEscaped(out, v.AsText());
  }
}

}  // namespace

bool IsXmlAttributeName(std::string_view name) {
  if (name.empty()) return false;
  size_t i = 0;
  bool first = true;
  while (i < name.size()) {
    long c = NextChar(name, i);
    if (c < 0) return false;
    bool ok = IsNameLetter(static_cast<char32_t>(c)) ||
              (!first && ((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7));
    if (!ok) return false;
    first = false;
  }
  return true;
}

std::vector<std::string> XmlAttributeNames(const std::vector<ColumnInfo>& columns) {
  std::vector<std::string> names(columns.size());
  std::set<std::string> used;
  // Legal names first, so a numbered name never takes a real column's name.
  for (size_t i = 0; i < columns.size(); ++i)
    if (IsXmlAttributeName(columns[i].name) && used.insert(columns[i].name).second) names[i] = columns[i].name;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!names[i].empty()) continue;
    std::string n = "c" + std::to_string(i);
    while (!used.insert(n).second) n += '_';
    names[i] = n;
  }
  return names;
}

void SaveQueryAsXml(const Query& query, const std::string& fileName, const Progress& progress) {
  RequireOpen(query);
  const std::vector<ColumnInfo>& columns = query.Columns();
  const std::vector<std::string> names = XmlAttributeNames(columns);
  // " name='" per column, built once.
  std::vector<std::string> prefixes;
  for (const std::string& n : names) prefixes.push_back(" " + n + "='");

  AtomicFile file(fileName, CheckExportTarget);
  std::string out;
  out.reserve(1 << 17);
  AppendSchema(out, columns, names);
  // The row set is read by position: the cursor and the grids stay as they are.
  const int rows = query.RecordCount();
  RowProgress ticker(progress, rows);
  const int ncols = static_cast<int>(columns.size());
  for (int r = 0; r < rows; ++r) {
    out += "\t<z:row";
    for (int c = 0; c < ncols; ++c) {
      const Value& v = query.CellValue(r, c);
      if (v.IsNull()) continue;  // a null is an absent attribute
      out += prefixes[c];
      AppendValue(out, v, columns[c].type);
      out += '\'';
    }
    out += "/>\r\n";
    if (out.size() >= (1 << 16)) {
      file.Write(out);
      out.clear();
    }
    ticker.Row();
  }
  out += "</rs:data>\r\n</xml>\r\n";
  file.Write(out);
  ticker.Done();  // before the file replaces the target: a stop there leaves it as it was
  file.Commit();
}

}  // namespace orbisk
