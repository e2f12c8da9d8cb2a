#include "data/Schema.h"

#include <cctype>
#include <cstdlib>

#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

ColumnType T(int n) { return {ColumnKind::Text, n}; }
const ColumnType I{ColumnKind::Integer, 0};
const ColumnType S{ColumnKind::SmallInteger, 0};
const ColumnType C{ColumnKind::Counter, 0};
const ColumnType M{ColumnKind::Memo, 0};

std::vector<SchemaTable> BuildTables() {
  std::vector<SchemaTable> t;
  t.push_back({"Company_Info",
               {{"Company_ID", I},
                {"Company_Name", T(80)},
                {"Mailing_Address", T(255)},
                {"Mailing_Address_Postal", T(8)},
                {"Location_Address", T(255)},
                {"Location_Address_Postal", T(8)},
                {"Legal_Name", T(80)},
                {"Telephone", T(40)},
                {"Toll_Free_Phone", T(40)},
                {"Fax", T(100)},
                {"Email", T(100)},
                {"Website_URL", T(255)},
                {"Market_Alliances", M},
                {"Market_Strategic_Alliances", M},
                {"Company_Description", M},
                {"Country_of_Ownership", T(100)},
                {"Exporting", T(32)},
                {"EDI_Ready", T(32)},
                {"Primary_Industry_NAICS", T(255)},
                {"NAICS_Description", T(160)},
                {"Primary_Business_Activity", T(255)},
                {"Quality_Certification", T(100)},
                {"Total_Sales_Unit", T(32)},
                {"Total_Sales", T(32)},
                {"Export_Sales_Unit", T(32)},
                {"Export_Sales", T(32)},
                {"Total_Plant_Size", T(40)},
                {"Distribution_of_Employees", T(160)},
                {"Key_Major_Clients", T(100)},
                {"TelAreaCode", T(10)},
                {"Year_Established", S},
                {"Number_of_Employees", S},
                {"Profile_ID", I}}});
  t.push_back({"Company_Contact",
               {{"Record_ID", C},
                {"Company_ID", I},
                {"Name", T(60)},
                {"Title", T(60)},
                {"Area", T(80)},
                {"Telephone", T(60)},
                {"Fax", T(60)},
                {"Email", T(80)},
                {"Profile_ID", I}}});
  t.push_back({"Company_ProductServiceLicensing",
               {{"Company_ID", I}, {"Type", T(50)}, {"Name", T(255)}, {"IsExporting", T(10)}}});
  t.push_back({"Company_SubCat",
               {{"Company_ID", I}, {"SubCat_Code", T(10)}, {"MainCat_Code", T(8)}, {"Profile_ID", I}}});
  t.push_back({"Main_Category", {{"RecordID", T(40)}, {"Cat_Name", T(32)}, {"Cat_Code", T(8)}}});
  SchemaTable leaf{"All_Leaf_SubCat",
                   {{"SubCat_Code", T(10)},
                    {"SubCat_Text", T(120)},
                    {"IsValid", T(1)},
                    {"SubCat_Type", T(1)},
                    {"SubCat_Level", I},
                    {"MainCat_Code", T(10)},
                    {"MainCat_Text", T(60)},
                    {"Cat1_Code", T(60)},
                    {"Cat1_Text", T(60)}}};
  for (int level = 2; level <= 6; ++level) {
    leaf.columns.push_back({"Cat" + std::to_string(level) + "_Code", T(10)});
    leaf.columns.push_back({"Cat" + std::to_string(level) + "_Text", T(60)});
  }
  t.push_back(std::move(leaf));
  return t;
}

}  // namespace

std::string SqliteDeclaredType(const ColumnType& type) {
  switch (type.kind) {
    case ColumnKind::Text: return "VARCHAR(" + std::to_string(type.size) + ") COLLATE NOCASE";
    case ColumnKind::Integer: return "INTEGER";
    case ColumnKind::SmallInteger: return "SMALLINT";
    case ColumnKind::Counter: return "COUNTER";
    case ColumnKind::Memo: return "LONGTEXT COLLATE NOCASE";
    case ColumnKind::Byte: return "TINYINT";
    case ColumnKind::Boolean: return "BIT";
    case ColumnKind::Double: return "DOUBLE";
    case ColumnKind::Currency: return "CURRENCY";
    case ColumnKind::DateTime: return "DATETIME";
    case ColumnKind::Blob: return "BLOB";
  }
  return "BLOB";
}

ColumnType ColumnTypeFromDeclared(std::string_view declared) {
  std::string d = UpperAscii(TrimBlanks(declared));
  auto starts = [&](std::string_view p) { return d.compare(0, p.size(), p) == 0; };
  auto sizeIn = [&]() {
    auto open = d.find('(');
    return open == std::string::npos ? 0 : std::atoi(d.c_str() + open + 1);
  };
  if (starts("VARCHAR") || starts("NVARCHAR") || starts("CHAR") || starts("NCHAR") ||
      (starts("TEXT") && d.find('(') != std::string::npos))
    return {ColumnKind::Text, sizeIn()};
  if (starts("LONGTEXT") || starts("MEMO") || d == "TEXT" || starts("CLOB")) return {ColumnKind::Memo, 0};
  if (starts("COUNTER") || starts("AUTOINCREMENT")) return {ColumnKind::Counter, 0};
  if (starts("SMALLINT") || starts("SHORT")) return {ColumnKind::SmallInteger, 0};
  if (starts("TINYINT") || starts("BYTE")) return {ColumnKind::Byte, 0};
  if (starts("INTEGER") || d == "INT" || starts("LONG") || starts("BIGINT")) return {ColumnKind::Integer, 0};
  if (starts("BIT") || starts("BOOL") || starts("YESNO")) return {ColumnKind::Boolean, 0};
  if (starts("DOUBLE") || starts("REAL") || starts("FLOAT") || starts("SINGLE") || starts("NUMERIC") ||
      starts("DECIMAL"))
    return {ColumnKind::Double, 0};
  if (starts("CURRENCY") || starts("MONEY")) return {ColumnKind::Currency, 0};
  if (starts("DATE") || starts("TIME")) return {ColumnKind::DateTime, 0};
  if (starts("BLOB") || starts("IMAGE") || starts("OLE") || starts("LONGBINARY") || starts("BINARY"))
    return {ColumnKind::Blob, 0};
  return {ColumnKind::Text, 0};
}

TFieldType FieldTypeOf(const ColumnType& type) {
  switch (type.kind) {
    case ColumnKind::Text: return ftWideString;
    case ColumnKind::Integer: return ftInteger;
    case ColumnKind::SmallInteger: return ftSmallint;
    case ColumnKind::Counter: return ftAutoInc;
    case ColumnKind::Memo: return ftMemo;
    case ColumnKind::Byte: return ftWord;
    case ColumnKind::Boolean: return ftBoolean;
    case ColumnKind::Double: return ftFloat;
    case ColumnKind::Currency: return ftCurrency;
    case ColumnKind::DateTime: return ftDateTime;
    case ColumnKind::Blob: return ftBlob;
  }
  return ftUnknown;
}

const std::vector<SchemaTable>& DirectoryTables() {
  static const std::vector<SchemaTable> tables = BuildTables();
  return tables;
}

const SchemaTable* FindDirectoryTable(std::string_view name) {
  for (const auto& t : DirectoryTables())
    if (EqualsNoCaseAscii(t.name, name)) return &t;
  return nullptr;
}

std::string CreateTableStatement(const SchemaTable& table) {
  std::string s = "CREATE TABLE \"" + table.name + "\" (";
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (i) s += ", ";
    s += "\"" + table.columns[i].name + "\" " + SqliteDeclaredType(table.columns[i].type);
  }
  return s + ")";
}

bool IsIndexedColumn(std::string_view name) {
  const std::string_view code = "Cat_Code";
  return EqualsNoCaseAscii(name, "Company_ID") ||
         (name.size() >= code.size() && EqualsNoCaseAscii(name.substr(name.size() - code.size()), code));
}

std::string_view FieldTypeName(TFieldType type) {
  static const char* const names[] = {
      "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat",
      "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes",
      "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo", "ftParadoxOle",
      "ftDBaseOle", "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString",
      "ftLargeint", "ftADT", "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob",
      "ftVariant", "ftInterface", "ftIDispatch", "ftGuid", "ftTimeStamp", "ftFMTBcd"};
  int i = static_cast<int>(type);
  return (i >= 0 && i <= static_cast<int>(ftFMTBcd)) ? names[i] : "ftUnknown";
}

}  // namespace orbisk
