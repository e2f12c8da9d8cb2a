// The XML save: the rowset layout, read back with an independent XML parser.
#include <map>

#include "ExportSupport.h"
#include "export/db2xml.h"

using namespace orbisk;
using namespace orbisk::testing;

namespace {

// What Python's XML parser reads from a saved file: the columns of the schema
// and, per row, each attribute with its value.
struct ParsedColumn {
  std::string name, realName, number, nullable, autoIncrement, type, maxLength;
};
struct ParsedRowset {
  std::vector<ParsedColumn> columns;
  std::vector<std::map<std::string, std::string>> rows;
  bool parsed = false;
};

const char* kReader = R"(
import sys, xml.etree.ElementTree as E
S = '{uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882}'
RS = '{urn:schemas-microsoft-com:rowset}'
DT = '{uuid:C2F41010-65B3-11d1-A29F-00AA00C14882}'
root = E.parse(sys.argv[1]).getroot()
assert root.tag == 'xml'
for a in root.iter(S + 'AttributeType'):
    d = a.find(S + 'datatype')
    print('col', a.get('name').encode().hex(), a.get(RS + 'name', '-').encode().hex(), a.get(RS + 'number'),
          a.get(RS + 'nullable', '-'), a.get(RS + 'autoincrement', '-'), d.get(DT + 'type'),
          d.get(DT + 'maxLength'), sep='\t')
data = root.find(RS + 'data')
for r in data:
    assert r.tag == '{#RowsetSchema}row'
    print('row')
    for k, v in r.attrib.items():
        print('val', k.encode().hex(), v.encode().hex(), sep='\t')
print('end')
)";

std::string Unhex(const std::string& h) {
  std::string s;
  for (size_t i = 0; i + 1 < h.size(); i += 2) s += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
  return s;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t t; (t = line.find('\t', at)) != std::string::npos; at = t + 1) parts.push_back(line.substr(at, t - at));
  parts.push_back(line.substr(at));
  return parts;
}

ParsedRowset ReadRowset(const std::string& file) {
  TempFolder tmp;
  WriteFile(tmp.Path() + "reader.py", kReader);
  std::string output = RunCommand(PythonCommand() + " " + ShellQuote(tmp.Path() + "reader.py") + " " + ShellQuote(file));
  ParsedRowset r;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> p = SplitTabs(line);
    if (p[0] == "col" && p.size() == 8)
      r.columns.push_back({Unhex(p[1]), p[2] == "2d" ? "-" : Unhex(p[2]), p[3], p[4], p[5], p[6], p[7]});
    else if (p[0] == "row")
      r.rows.emplace_back();
    else if (p[0] == "val" && p.size() == 3 && !r.rows.empty())
      r.rows.back()[Unhex(p[1])] = Unhex(p[2]);
    else if (p[0] == "end")
      r.parsed = true;
  }
  return r;
}

std::vector<std::string> ColumnNames(const ParsedRowset& r) {
  std::vector<std::string> names;
  for (const auto& c : r.columns) names.push_back(c.realName == "-" ? c.name : c.realName);
  return names;
}

}  // namespace

TEST(XmlSave, EveryValueReadsBackWithNullsAbsent) {
  MemoryQuery m(
      "CREATE TABLE X (id COUNTER, \"Company Name\" VARCHAR(80) COLLATE NOCASE, note LONGTEXT COLLATE NOCASE,"
      " n SMALLINT, r DOUBLE, b BIT, d DATETIME, \"2nd\" INTEGER);"
      "INSERT INTO X VALUES"
      " (1, 'Smith & Sons <Ltd> ''quoted'' \"dq\"', 'line1' || char(13,10) || 'line2' || char(9) || 'tab',"
      "  5, 1.5, 1, '2024-03-05 13:04:05', 7),"
      " (2, '', NULL, NULL, NULL, 0, '2024-03-05 00:00:00', NULL),"
      " (3, 'Québec 中文 ✓', 'bell' || char(7) || char(10) || char(13), -2, -0.25, NULL, '10:30:00', 0);",
      "select X.*, n * 2 AS doubled from X order by id");
  m.q.MoveTo(2);
  TempFolder dir;
  const std::string file = dir.Path() + "x.xml";
  SaveQueryAsXml(m.q, file);
  EXPECT_EQ(m.q.RecNo(), 2);

  ParsedRowset r = ReadRowset(file);
  ASSERT_TRUE(r.parsed) << ReadFile(file);
  ASSERT_EQ(r.columns.size(), 9u);
  // Names that are no XML names go numbered, with the real name beside them.
  EXPECT_EQ(ColumnNames(r),
            (std::vector<std::string>{"id", "Company Name", "note", "n", "r", "b", "d", "2nd", "doubled"}));
  EXPECT_EQ(r.columns[1].name, "c1");
  EXPECT_EQ(r.columns[7].name, "c7");
  EXPECT_EQ(r.columns[0].realName, "-");
  for (size_t i = 0; i < r.columns.size(); ++i) EXPECT_EQ(r.columns[i].number, std::to_string(i + 1));
  std::vector<std::string> types, lengths;
  for (const auto& c : r.columns) types.push_back(c.type), lengths.push_back(c.maxLength);
  EXPECT_EQ(types, (std::vector<std::string>{"int", "string", "string", "i2", "float", "boolean", "dateTime", "int",
                                             "int"}));
  EXPECT_EQ(lengths[1], "80");
  EXPECT_EQ(lengths[2], "536870910");
  // Counters and yes/no columns are never null; counters say they count.
  EXPECT_EQ(r.columns[0].nullable, "-");
  EXPECT_EQ(r.columns[0].autoIncrement, "true");
  EXPECT_EQ(r.columns[5].nullable, "-");
  EXPECT_EQ(r.columns[1].nullable, "true");
  EXPECT_EQ(r.columns[1].autoIncrement, "-");

  using Row = std::map<std::string, std::string>;
  ASSERT_EQ(r.rows.size(), 3u);
  EXPECT_EQ(r.rows[0], (Row{{"id", "1"},
                            {"c1", "Smith & Sons <Ltd> 'quoted' \"dq\""},
                            {"note", "line1\r\nline2\ttab"},
                            {"n", "5"},
                            {"r", "1.5"},
                            {"b", "True"},
                            {"d", "2024-03-05T13:04:05"},
                            {"c7", "7"},
                            {"doubled", "10"}}));
  EXPECT_EQ(r.rows[1], (Row{{"id", "2"}, {"c1", ""}, {"b", "False"}, {"d", "2024-03-05T00:00:00"}}));
  // A control character XML cannot carry becomes '?'; the line breaks survive.
  EXPECT_EQ(r.rows[2], (Row{{"id", "3"},
                            {"c1", "Québec 中文 ✓"},
                            {"note", "bell?\n\r"},
                            {"n", "-2"},
                            {"r", "-0.25"},
                            {"d", "1899-12-30T10:30:00"},  // a time alone
                            {"c7", "0"},
                            {"doubled", "-4"}}));

  // The bytes of the layout: no declaration, single quotes, tabs, CR LF only.
  std::string bytes = ReadFile(file);
  EXPECT_TRUE(bytes.starts_with("<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
                                "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
                                "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
                                "\txmlns:z='#RowsetSchema'>\r\n<s:Schema id='RowsetSchema'>\r\n"));
  EXPECT_NE(bytes.find("\t\t<s:AttributeType name='c1' rs:name='Company Name' rs:number='2' rs:nullable='true'"
                       " rs:maydefer='true' rs:writeunknown='true' rs:basetable='X' rs:basecolumn='Company Name'>"
                       "\r\n\t\t\t<s:datatype dt:type='string' dt:maxLength='80'/>\r\n\t\t</s:AttributeType>\r\n"),
            std::string::npos);
  EXPECT_NE(bytes.find("\t<z:row id='2' c1='' b='False' d='2024-03-05T00:00:00'/>\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("note='line1&#xD;&#xA;line2&#x9;tab'"), std::string::npos);
  EXPECT_TRUE(bytes.ends_with("</rs:data>\r\n</xml>\r\n"));
  for (size_t i = 0; (i = bytes.find('\n', i)) != std::string::npos; ++i) ASSERT_EQ(bytes[i - 1], '\r') << i;
}

TEST_F(ResultQueries, XmlHoldsTheStatementsColumnsNotRecNo) {
  dm.Company_Q.MoveTo(4);
  SaveQueryAsXml(dm.Company_Q, out + "company.xml");
  EXPECT_EQ(dm.Company_Q.RecNo(), 4);
  ParsedRowset company = ReadRowset(out + "company.xml");
  ASSERT_TRUE(company.parsed);
  EXPECT_EQ(ColumnNames(company),
            (std::vector<std::string>{"Company_ID", "Company_Name", "Location_Address", "Location_Address_Postal",
                                      "TelAreaCode", "Telephone", "Toll_Free_Phone", "Fax", "Email", "Website_URL",
                                      "Year_Established", "Exporting", "Number_of_Employees"}));
  ASSERT_EQ(company.rows.size(), 5u);
  EXPECT_EQ(company.rows[1].at("Company_Name"), "Société Générale Québec");
  EXPECT_FALSE(company.rows[1].contains("Email"));  // null
  EXPECT_EQ(company.rows[4].at("Email"), "");        // empty text
  EXPECT_FALSE(company.rows[4].contains("Number_of_Employees"));
  EXPECT_EQ(company.rows[2].at("Company_Name"), "O'Brien Tools");
  EXPECT_EQ(company.columns[10].type, "i2");

  // The contact result saves columns that are no fields of the query (Company_ID).
  SaveQueryAsXml(dm.Contact_Q, out + "contact.xml");
  ParsedRowset contact = ReadRowset(out + "contact.xml");
  ASSERT_TRUE(contact.parsed);
  std::vector<std::string> names = ColumnNames(contact);
  EXPECT_EQ(names, (std::vector<std::string>{"Company_Name", "Location_Address", "Record_ID", "Company_ID", "Name",
                                             "Title", "Area", "Telephone", "Fax", "Email", "Profile_ID"}));
  EXPECT_EQ(contact.columns[2].autoIncrement, "true");
  EXPECT_EQ(contact.columns[2].nullable, "-");
  ASSERT_EQ(contact.rows.size(), 4u);
  EXPECT_EQ(contact.rows[2].at("Name"), "Émile Tremblay");
  EXPECT_EQ(contact.rows[3].at("Company_ID"), "4");
}

TEST_F(ResultQueries, FailedXmlSaveKeepsTheOldFile) {
  // The old save deleted the file before it knew it could write a new one.
  WriteFile(out + "keep.xml", "old");
  Query closed("Closed_Q");
  EXPECT_THROW(SaveQueryAsXml(closed, out + "keep.xml"), std::runtime_error);
  EXPECT_THROW(SaveQueryAsXml(dm.Company_Q, out + "missing/keep.xml"), std::runtime_error);
  MemoryQuery big(ManyRowsSetup(600), "select * from Big");
  EXPECT_THROW(SaveQueryAsXml(big.q, out + "keep.xml", FailingProgress), std::runtime_error);
  EXPECT_EQ(ReadFile(out + "keep.xml"), "old");
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"keep.xml"});
  // And a good save replaces it.
  SaveQueryAsXml(big.q, out + "keep.xml");
  EXPECT_EQ(ReadRowset(out + "keep.xml").rows.size(), 600u);
}

TEST(XmlSave, AttributeNames) {
  std::vector<ColumnInfo> columns;
  for (const char* n : {"Company_ID", "Company Name", "2nd", "a:b", "Émile", "中文", "x-y.z", "", "c1", "dup", "dup",
                        "_x", "-x"}) {
    ColumnInfo c;
    c.name = n;
    columns.push_back(c);
  }
  EXPECT_EQ(XmlAttributeNames(columns),
            (std::vector<std::string>{"Company_ID", "c1_", "c2", "c3", "Émile", "中文", "x-y.z", "c7", "c1", "dup",
                                      "c10", "_x", "c12"}));
  EXPECT_FALSE(IsXmlAttributeName("bad\xFF"));
  EXPECT_FALSE(IsXmlAttributeName("\xC1\x81"));  // an over-long form of 'A'
}
