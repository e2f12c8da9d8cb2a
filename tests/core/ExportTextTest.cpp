// The CSV and one-column text writers and the character set of text files.
#include <unistd.h>

#include "ExportSupport.h"
#include "export/TextFile.h"
#include "export/db2csv.h"
#include "export/db2txt.h"

using namespace orbisk;
using namespace orbisk::testing;

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// n copies of a character as an SQL expression.
std::string SqlRepeat(const std::string& ch, int n) {
  return "replace(hex(zeroblob(" + std::to_string(n) + ")), '00', '" + ch + "')";
}

}  // namespace

TEST(CsvWriter, TextLimitQuotesAndLineBreaks) {
  MemoryQuery m("CREATE TABLE T (id INTEGER, memo LONGTEXT COLLATE NOCASE);"
                "INSERT INTO T VALUES (1, " + SqlRepeat("a", 7999) + "), (2, " + SqlRepeat("a", 8000) + "),"
                " (3, 'He said \"hi\"' || char(13,10) || 'bye'),"
                " (4, 'lone' || char(13) || 'cr' || char(10) || 'lf' || char(10,13)),"
                " (5, " + SqlRepeat("é", 7999) + "), (6, " + SqlRepeat("é", 8000) + "),"
                " (7, NULL), (8, '');",
                "select * from T order by id");
  TempFolder dir;
  ExportToCSV(m.q, dir.Path() + "t.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}});
  EXPECT_EQ(ReadFile(dir.Path() + "t.csv"),
            "id,memo\r\n"
            "1,\"" + Repeat("a", 7999) + "\"\r\n"
            "2,\"\"\r\n"
            "3,\"He said \"\"hi\"\"[Return]bye\"\r\n"
            "4,\"lone\rcr\nlf\n\r\"\r\n"
            "5,\"" + Repeat("é", 7999) + "\"\r\n"  // characters count, not bytes
            "6,\"\"\r\n"
            "7,\"\"\r\n"
            "8,\"\"\r\n");

  // Without a header; a smaller limit applies to every text.
  ExportToCSV(m.q, dir.Path() + "short.csv", CsvOptions{.longestText = 4, .header = false, .progress = {}});
  std::string shortCsv = ReadFile(dir.Path() + "short.csv");
  EXPECT_EQ(shortCsv.substr(0, shortCsv.find("5,")), "1,\"\"\r\n2,\"\"\r\n3,\"\"\r\n4,\"\"\r\n");
}

TEST(CsvWriter, NoRowsGiveTheHeaderOnly) {
  MemoryQuery m("CREATE TABLE T (id INTEGER, memo LONGTEXT COLLATE NOCASE);", "select * from T");
  TempFolder dir;
  ExportToCSV(m.q, dir.Path() + "t.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}});
  EXPECT_EQ(ReadFile(dir.Path() + "t.csv"), "id,memo\r\n");
  ExportToCSV(m.q, dir.Path() + "none.csv", CsvOptions{.longestText = 8000, .header = false, .progress = {}});
  EXPECT_TRUE(Exists(dir.Path() + "none.csv"));
  EXPECT_EQ(ReadFile(dir.Path() + "none.csv"), "");
}

TEST(CsvWriter, FieldClassesAndDateFormats) {
  MemoryQuery m(
      "CREATE TABLE D (n INTEGER, r DOUBLE, b BIT, d DATETIME, dOnly DATETIME, tOnly DATETIME, pic BLOB,"
      " code VARCHAR(10));"
      "INSERT INTO D VALUES (7, 1.5, 1, '2024-03-05 00:00:00', '2024-03-05 13:04:05', '1899-12-30 09:08:07',"
      "  x'00ff', '1,5'),"
      " (-3, 2.25, 0, '2024-12-31 23:59:58', NULL, NULL, NULL, NULL);",
      "select * from D order by n desc",
      {Def("n", ftInteger), Def("r", ftFloat), Def("b", ftBoolean), Def("d", ftDateTime), Def("dOnly", ftDate),
       Def("tOnly", ftTime), Def("pic", ftBlob), Def("code", ftLargeint)});
  TempFolder dir;
  m.q.SetDateFormats({"dd/mm/yyyy", "hh.nn"});
  ExportToCSV(m.q, dir.Path() + "d.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}});
  // The skipped blob keeps its name in the header but writes nothing, not even a comma;
  // a plain value is never quoted, comma or not.
  EXPECT_EQ(ReadFile(dir.Path() + "d.csv"),
            "n,r,b,d,dOnly,tOnly,pic,code\r\n"
            "7,1.5,True,2024-03-05,2024-03-05,09:08:07,1,5\r\n"
            "-3,2.25,False,2024-12-31 23:59:58,,,\r\n");
  // The query's own formats are untouched.
  EXPECT_EQ(m.q.GetDateFormats().shortDate, "dd/mm/yyyy");
  EXPECT_EQ(m.q.GetDateFormats().longTime, "hh.nn");
  EXPECT_EQ(m.q.FieldByName("d").AsString(), "05/03/2024");

  // A row whose fields are all skipped is an empty line.
  MemoryQuery blobs("CREATE TABLE B (pic BLOB); INSERT INTO B VALUES (x'01'), (NULL);", "select * from B",
                    {Def("pic", ftBlob)});
  ExportToCSV(blobs.q, dir.Path() + "b.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}});
  EXPECT_EQ(ReadFile(dir.Path() + "b.csv"), "pic\r\n\r\n\r\n");
}

TEST_F(ResultQueries, CsvOfResultsNamesRecNoAndKeepsTheRow) {
  dm.Company_Q.MoveTo(3);
  ExportToCSV(dm.Company_Q, out + "company.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}});
  std::string csv = ReadFile(out + "company.csv");
  std::vector<std::string> lines;
  for (size_t at = 0, e; (e = csv.find("\r\n", at)) != std::string::npos; at = e + 2)
    lines.push_back(csv.substr(at, e - at));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0],
            "Company_ID,RecNo,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
            "Toll_Free_Phone,Fax,Email,Website_URL,Exporting,Year_Established,Number_of_Employees");
  EXPECT_EQ(lines[1],
            "1,1,\"Prairie Bank Ltd\",\"100 Main St, Winnipeg, Manitoba\",\"R3C 1A1\",\"204\",\"(204) 555-0101\","
            "\"\",\"\",\"info@prairie.ca\",\"www.prairie.ca\",\"Yes\",1950,120");
  EXPECT_TRUE(lines[2].starts_with("2,2,\"Société Générale Québec\",")) << lines[2];
  EXPECT_TRUE(lines[5].ends_with(",\"No\",1990,")) << lines[5];  // no employee count: empty at the end
  EXPECT_EQ(dm.Company_Q.RecNo(), 3);
  EXPECT_FALSE(dm.Company_Q.ControlsDisabled());

  // The contact result writes Record_ID and RecNo too.
  ExportToCSV(dm.Contact_Q, out + "contact.csv", CsvOptions{.longestText = 8000, .header = false, .progress = {}});
  EXPECT_EQ(ReadFile(out + "contact.csv").substr(0, 26), "1,1,\"Prairie Bank Ltd\",\"10");
}

TEST_F(ResultQueries, FailedCsvLeavesTheFileAndTheRow) {
  WriteFile(out + "keep.csv", "old");
  dm.Company_Q.MoveTo(2);
  EXPECT_THROW(ExportToCSV(dm.Company_Q, out + "missing/x.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}}), std::runtime_error);
  EXPECT_THROW(ExportToCSV(dm.Company_Q, out + "keep.csv/x.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}}), std::runtime_error);
  EXPECT_THROW(ExportToCSV(dm.Company_Q, out, CsvOptions{.longestText = 8000, .header = true, .progress = {}}), std::runtime_error);  // a folder
  if (geteuid() != 0) {  // the superuser writes into read-only folders
    std::filesystem::permissions(out, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_THROW(ExportToCSV(dm.Company_Q, out + "keep.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}}), std::runtime_error);
    std::filesystem::permissions(out, std::filesystem::perms::owner_all);
  }
  EXPECT_EQ(dm.Company_Q.RecNo(), 2);

  // Stopped in the middle: the old file stays whole, no temporary file is left.
  MemoryQuery big(ManyRowsSetup(600), "select * from Big");
  big.q.MoveTo(10);
  big.q.SetDateFormats({"dd/mm/yyyy", "hh:mm:ss"});
  EXPECT_THROW(ExportToCSV(big.q, out + "keep.csv", CsvOptions{.longestText = 8000, .header = true, .progress = FailingProgress}), std::runtime_error);
  EXPECT_EQ(ReadFile(out + "keep.csv"), "old");
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"keep.csv"});
  EXPECT_EQ(big.q.RecNo(), 10);
  EXPECT_FALSE(big.q.ControlsDisabled());
  EXPECT_EQ(big.q.GetDateFormats().shortDate, "dd/mm/yyyy");

  // A closed query raises the dataset's error and writes nothing.
  Query closed("Closed_Q");
  EXPECT_THROW(ExportToCSV(closed, out + "keep.csv", CsvOptions{.longestText = 8000, .header = true, .progress = {}}), std::runtime_error);
  EXPECT_EQ(ReadFile(out + "keep.csv"), "old");
}

TEST(CsvWriter, ProgressIsReportedWhileWriting) {
  MemoryQuery big(ManyRowsSetup(600), "select * from Big");
  TempFolder dir;
  std::vector<long long> reports;
  ExportToCSV(big.q, dir.Path() + "big.csv",
              CsvOptions{.longestText = 8000, .header = true, .progress = [&](const ProgressStep& step) {
                           reports.push_back(step.done);
                           return true;
                         }});
  EXPECT_EQ(reports, (std::vector<long long>{256, 512, 600}));
}

TEST(TextWriter, NumberedFileNames) {
  struct Case {
    const char* name;
    int n;
    const char* expected;
  } cases[] = {{"list.txt", 2, "list_2.txt"},         {"list", 2, "list_2"},
               {"/tmp/a.b/list", 3, "/tmp/a.b/list_3"}, {"dir/x.tar.gz", 1, "dir/x.tar_1.gz"},
               {"list.", 10, "list_10."},             {"/data/out.txt", 12, "/data/out_12.txt"}};
  for (const auto& c : cases) EXPECT_EQ(NumberedFileName(c.name, c.n), c.expected) << c.name;
}

TEST(TextWriter, PartsOfTwoLines) {
  for (int rows : {5, 4, 0}) {
    SCOPED_TRACE(rows);
    MemoryQuery m(ManyRowsSetup(rows), "select * from Big order by id");
    TempFolder dir;
    std::string last = ExportColumnToText(m.q, "NAME", dir.Path() + "list.txt", ColumnTextOptions{.linesPerFile = 2, .prefix = "<", .suffix = ">", .progress = {}});
    std::vector<std::string> files = FilesIn(dir.Path());
    if (rows == 5) {
      EXPECT_EQ(last, dir.Path() + "list_3.txt");
      EXPECT_EQ(files, (std::vector<std::string>{"list_1.txt", "list_2.txt", "list_3.txt"}));
      EXPECT_EQ(ReadFile(dir.Path() + "list_1.txt"), "<row 1>\r\n<row 2>\r\n");
      EXPECT_EQ(ReadFile(dir.Path() + "list_2.txt"), "<row 3>\r\n<row 4>\r\n");
      EXPECT_EQ(ReadFile(dir.Path() + "list_3.txt"), "<row 5>\r\n");
    } else if (rows == 4) {
      EXPECT_EQ(last, dir.Path() + "list_2.txt");
      EXPECT_EQ(files, (std::vector<std::string>{"list_1.txt", "list_2.txt"}));
      EXPECT_EQ(ReadFile(dir.Path() + "list_2.txt"), "<row 3>\r\n<row 4>\r\n");
    } else {
      EXPECT_EQ(last, dir.Path() + "list_1.txt");
      EXPECT_EQ(files, std::vector<std::string>{"list_1.txt"});
      EXPECT_EQ(ReadFile(dir.Path() + "list_1.txt"), "");
    }
  }
}

TEST(TextWriter, OneFileKeepsTheNameAndLineBreaks) {
  MemoryQuery m("CREATE TABLE T (id INTEGER, v LONGTEXT COLLATE NOCASE);"
                "INSERT INTO T VALUES (1, 'a' || char(13,10) || 'b'), (2, NULL), (3, 'Québec');",
                "select * from T order by id");
  TempFolder dir;
  m.q.MoveTo(2);
  for (int lines : {0, -1}) {
    EXPECT_EQ(ExportColumnToText(m.q, "v", dir.Path() + "col.txt", ColumnTextOptions{.linesPerFile = lines, .prefix = "", .suffix = "", .progress = {}}), dir.Path() + "col.txt");
    EXPECT_EQ(ReadFile(dir.Path() + "col.txt"), "a\r\nb\r\n\r\nQuébec\r\n");
  }
  EXPECT_EQ(ExportColumnToText(m.q, "id", dir.Path() + "ids", ColumnTextOptions{.linesPerFile = 0, .prefix = "id=", .suffix = ";", .progress = {}}), dir.Path() + "ids");
  EXPECT_EQ(ReadFile(dir.Path() + "ids"), "id=1;\r\nid=2;\r\nid=3;\r\n");
  EXPECT_EQ(m.q.RecNo(), 2);

  // A field the query lacks: the dataset's error, no file, the row kept.
  EXPECT_THROW(ExportColumnToText(m.q, "Nope", dir.Path() + "nope.txt", ColumnTextOptions{.linesPerFile = 2, .prefix = "", .suffix = "", .progress = {}}), std::runtime_error);
  EXPECT_FALSE(Exists(dir.Path() + "nope_1.txt"));
  EXPECT_EQ(m.q.RecNo(), 2);
  EXPECT_FALSE(m.q.ControlsDisabled());
  EXPECT_THROW(ExportColumnToText(m.q, "v", dir.Path() + "missing/col.txt", ColumnTextOptions{.linesPerFile = 0, .prefix = "", .suffix = "", .progress = {}}), std::runtime_error);
}

TEST(TextEncoding, LocaleCharacterSetAndReplacement) {
  {
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(LocaleCodeset(), "UTF-8");  // plain ASCII would lose letters
  }
  {
    ScopedEnv all("LC_ALL", "C.UTF-8");
    EXPECT_TRUE(IsUtf8Codeset(LocaleCodeset()));
  }
  TextEncoder utf8("UTF-8");
  EXPECT_TRUE(utf8.PassesThrough());
  EXPECT_EQ(utf8.Encode("Québec 中"), "Québec 中");

  TextEncoder latin1("ISO-8859-1");
  EXPECT_EQ(latin1.Encode("Québec € 中文 a"), "Qu\xE9" "bec ? ?? a");
  EXPECT_EQ(latin1.Encode("\xFF" "x\xC3"), "?x?");  // bytes that are no UTF-8
  EXPECT_EQ(latin1.Encode(""), "");
  TextEncoder latin9("ISO-8859-15");
  EXPECT_EQ(latin9.Encode("€5"), "\xA4" "5");
  // Output longer than the input grows the buffer.
  TextEncoder utf16("UTF-16LE");
  std::string wide(utf16.Encode(std::string(1000, 'x') + "é"));
  ASSERT_EQ(wide.size(), 2002u);
  EXPECT_EQ(wide.substr(1998), std::string("x\0\xE9\0", 4));

  TempFolder dir;
  TextFileWriter w(dir.Path() + "l1.txt", "ISO-8859-1");
  w.Write("Montréal\r\n");
  w.Commit();
  EXPECT_EQ(ReadFile(dir.Path() + "l1.txt"), "Montr\xE9" "al\r\n");
}
