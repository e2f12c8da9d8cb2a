// The Excel writer: workbooks read back by LibreOffice, the two modes and the
// callbacks of the window layer.
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "ExportSupport.h"
#include "export/db2excel.h"

using namespace orbisk;
using namespace orbisk::testing;

namespace {

// The export's tags, every field the grids show; saving a file or showing a workbook.
ExcelOptions Saving(Progress progress = {}) {
  return {.lowTag = 0, .highTag = 100, .show = false, .progress = std::move(progress)};
}
ExcelOptions Showing(Progress progress = {}) {
  return {.lowTag = 0, .highTag = 100, .show = true, .progress = std::move(progress)};
}

// What the window layer would have done.
struct UiLog {
  std::vector<std::string> notices, opened;
  int asked = 0;
  std::string answer;  // the name the chooser returns
  ExcelUi Ui() {
    ExcelUi ui;
    ui.askFileName = [this] {
      ++asked;
      return answer;
    };
    ui.notice = [this](const std::string& caption, const std::string& text) { notices.push_back(caption + "|" + text); };
    ui.openFile = [this](const std::string& path) { opened.push_back(path); };
    return ui;
  }
};

const std::string kNotice = "提示|无法调用Mircorsoft Excel! \r\n请检查是否安装了Mircorsoft Excel。";

bool HaveLibreOffice() { return RunCommand("command -v soffice").size() > 0; }

// Converts workbooks to CSV with LibreOffice: every text cell quoted, numbers bare.
void ConvertToCsv(const std::vector<std::string>& workbooks, const std::string& outDir) {
  std::string cmd = "soffice -env:UserInstallation=file://" ORBISK_BUILD_DIR "/lo-profile-export --headless"
                    " --norestore --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,true'"
                    " --outdir " + ShellQuote(outDir);
  for (const auto& w : workbooks) cmd += " " + ShellQuote(w);
  RunCommand(cmd + " >/dev/null 2>&1");
}

std::string SheetNames(const std::string& workbook) {
  return RunCommand(PythonCommand() +
                    " -c \"import sys, zipfile, re; print(re.findall('<sheet name=\\\"([^\\\"]*)\\\"',"
                    " zipfile.ZipFile(sys.argv[1]).read('xl/workbook.xml').decode()))\" " + ShellQuote(workbook));
}

}  // namespace

TEST_F(ResultQueries, WorkbooksReadBackInLibreOffice) {
  if (!HaveLibreOffice()) GTEST_SKIP() << "soffice is not installed";
  UiLog log;
  dm.Company_Q.MoveTo(2);
  ASSERT_TRUE(ExportToExcel(dm.Company_Q, out + "company.xlsx", Saving(), log.Ui()));
  EXPECT_EQ(dm.Company_Q.RecNo(), 2);
  ASSERT_TRUE(ExportToExcel(dm.Contact_Q, out + "contact.xlsx", Saving(), log.Ui()));

  // Integers are numbers, texts stay texts (leading zeros and all), the rest is value text.
  std::vector<FieldDef> fields = {Def("code", ftWideString, 10), Def("n", ftInteger),
                                  Def("big", ftLargeint),          Def("r", ftFloat),
                                  Def("b", ftBoolean),             Def("d", ftDateTime),
                                  Def("memo", ftMemo),             Def("hidden", ftInteger, 0, -1),
                                  Def("odd", ftSmallint)};
  fields[1].label = "Nice Label";
  MemoryQuery values("CREATE TABLE V (code VARCHAR(10), n INTEGER, big INTEGER, r DOUBLE, b BIT, d DATETIME,"
                     " memo LONGTEXT, hidden INTEGER, odd SMALLINT);"
                     "INSERT INTO V VALUES ('007', 42, 9007199254740993, 1.5, 1, '2024-03-05 00:00:00',"
                     " 'a' || char(13,10) || 'b \"q\"', 5, 'n/a'),"
                     " ('', -7, NULL, NULL, 0, '2024-03-05 13:04:05', replace(hex(zeroblob(40000)), '00', 'x'),"
                     "  NULL, 3);",
                     "select * from V", fields, "Values_Q");
  ASSERT_TRUE(ExportToExcel(values.q, out + "values.xlsx", Saving(), log.Ui()));
  EXPECT_TRUE(log.notices.empty());

  const std::string csv = out + "csv/";
  ConvertToCsv({out + "company.xlsx", out + "contact.xlsx", out + "values.xlsx"}, csv);
  ASSERT_TRUE(Exists(csv + "company.csv")) << "LibreOffice did not convert the workbook";
  EXPECT_EQ(ReadFile(csv + "company.csv"),
            "\"Company_ID\",\"Company_Name\",\"Location_Address\",\"Location_Address_Postal\",\"TelAreaCode\","
            "\"Telephone\",\"Toll_Free_Phone\",\"Fax\",\"Email\",\"Website_URL\",\"Exporting\",\"Year_Established\","
            "\"Number_of_Employees\"\n"
            "1,\"Prairie Bank Ltd\",\"100 Main St, Winnipeg, Manitoba\",\"R3C 1A1\",\"204\",\"(204) 555-0101\",,,"
            "\"info@prairie.ca\",\"www.prairie.ca\",\"Yes\",1950,120\n"
            "2,\"Société Générale Québec\",\"5 Rue Laval, Montréal, Quebec\",\"H2X 1Y4\",\"514\",\"(514) 555-0102\","
            ",,,,\"No\",1988,40\n"
            "3,\"O'Brien Tools\",\"7 King St, Toronto, Ontario\",\"M5H 2N2\",\"416\",\"(416) 555-0103\",,,"
            "\"sales@obrien.ca\",,\"No\",2001,8\n"
            "4,\"ÉTOILE Bakery\",\"9 Rue Champlain, Québec, Quebec\",\"G1K 4H4\",\"418\",\"(418) 555-0104\",,,,"
            "\"http://etoile.ca\",\"Yes\",1975,300\n"
            "5,\"Bank of the North\",\"1 Ferry Rd, Yellowknife, Northwest Territories\",\"X1A 2P3\",\"867\","
            "\"(867) 555-0105\",,,,,\"No\",1990,\n");
  // RecNo and Record_ID stay out of the contact sheet.
  EXPECT_EQ(ReadFile(csv + "contact.csv"),
            "\"Company_Name\",\"Location_Address\",\"Name\",\"Title\",\"Area\",\"Telephone\",\"Fax\",\"Email\"\n"
            "\"Prairie Bank Ltd\",\"100 Main St, Winnipeg, Manitoba\",\"Ann Smith\",\"President\",\"Management\","
            "\"(204) 555-0111\",,\"ann@prairie.ca\"\n"
            "\"Prairie Bank Ltd\",\"100 Main St, Winnipeg, Manitoba\",\"Bob Jones\",\"Sales Manager\",\"Sales\","
            "\"(204) 555-0112\",,\n"
            "\"Société Générale Québec\",\"5 Rue Laval, Montréal, Quebec\",\"Émile Tremblay\",\"Directeur\","
            "\"Ventes\",\"(514) 555-0113\",,\"emile@sgq.ca\"\n"
            "\"ÉTOILE Bakery\",\"9 Rue Champlain, Québec, Quebec\",\"Zoé Roy\",\"Owner\",,\"(418) 555-0114\",,"
            "\"zoe@etoile.ca\"\n");
  // A cell holds at most 32767 characters; an integer too large for a
  // spreadsheet number stays text; a line break stays a line break.
  EXPECT_EQ(ReadFile(csv + "values.csv"),
            "\"code\",\"Nice Label\",\"big\",\"r\",\"b\",\"d\",\"memo\",\"odd\"\n"
            "\"007\",42,\"9007199254740993\",1.5,\"True\",\"2024-03-05\",\"a\nb \"\"q\"\"\",\"n/a\"\n"
            ",-7,,,\"False\",\"2024-03-05 13:04:05\",\"" + std::string(32767, 'x') + "\",3\n");

  EXPECT_EQ(SheetNames(out + "company.xlsx"), "['Company']\n");
  EXPECT_EQ(SheetNames(out + "contact.xlsx"), "['Contact']\n");
  EXPECT_EQ(SheetNames(out + "values.xlsx"), "['Values']\n");
}

TEST_F(ResultQueries, ExcelModesAndChooser) {
  const std::string tmp = folder.Path() + "tmp";
  std::filesystem::create_directories(tmp);
  ScopedEnv tmpdir("TMPDIR", tmp.c_str());
  dm.Company_Q.MoveTo(5);

  // Showing: a workbook in a fresh temporary folder, handed to the spreadsheet program.
  UiLog show;
  EXPECT_TRUE(ExportToExcel(dm.Company_Q, "", Showing(), show.Ui()));
  ASSERT_EQ(show.opened.size(), 1u);
  EXPECT_TRUE(show.opened[0].starts_with(tmp + "/orbisk-excel-")) << show.opened[0];
  EXPECT_TRUE(show.opened[0].ends_with("/Company.xlsx"));
  EXPECT_EQ(ReadFile(show.opened[0]).substr(0, 2), "PK");
  EXPECT_EQ(show.asked, 0);
  EXPECT_TRUE(show.notices.empty());
  EXPECT_EQ(FilesIn(show.opened[0].substr(0, show.opened[0].rfind('/'))), std::vector<std::string>{"Company.xlsx"});

  // Saving without a name asks; cancelling writes nothing.
  UiLog cancel;
  EXPECT_FALSE(ExportToExcel(dm.Company_Q, "", Saving(), cancel.Ui()));
  EXPECT_EQ(cancel.asked, 1);
  EXPECT_TRUE(FilesIn(out).empty());

  // A chosen name without extension gets .xlsx; a given extension stays.
  UiLog pick;
  pick.answer = out + "picked";
  EXPECT_TRUE(ExportToExcel(dm.Company_Q, "", Saving(), pick.Ui()));
  EXPECT_TRUE(ExportToExcel(dm.Company_Q, out + "given.xls", Saving(), pick.Ui()));
  EXPECT_EQ(pick.asked, 1);
  EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"given.xls", "picked.xlsx"}));
  EXPECT_TRUE(pick.opened.empty());

  // A closed query: false, nothing asked, shown or opened.
  UiLog closedLog;
  Query closed("Closed_Q");
  EXPECT_FALSE(ExportToExcel(closed, "", Showing(), closedLog.Ui()));
  EXPECT_FALSE(ExportToExcel(closed, "", Saving(), closedLog.Ui()));
  EXPECT_EQ(closedLog.asked + closedLog.notices.size() + closedLog.opened.size(), 0u);
  EXPECT_EQ(dm.Company_Q.RecNo(), 5);
  EXPECT_FALSE(dm.Company_Q.ControlsDisabled());
}

TEST_F(ResultQueries, ExcelFailures) {
  WriteFile(out + "keep.xlsx", "old");
  dm.Company_Q.MoveTo(3);
  UiLog log;
  {
    // No temporary folder to show a workbook from: the notice, nothing opened.
    ScopedEnv tmpdir("TMPDIR", (folder.Path() + "none").c_str());
    EXPECT_FALSE(ExportToExcel(dm.Company_Q, "", Showing(), log.Ui()));
    EXPECT_EQ(log.notices, std::vector<std::string>{kNotice});
    EXPECT_TRUE(log.opened.empty());
  }
  // Unwritable targets raise an error and keep the old file.
  EXPECT_THROW(ExportToExcel(dm.Company_Q, out + "missing/x.xlsx", Saving(), log.Ui()), std::runtime_error);
  EXPECT_THROW(ExportToExcel(dm.Company_Q, out + "keep.xlsx/x.xlsx", Saving(), log.Ui()), std::runtime_error);
  MemoryQuery big(ManyRowsSetup(600), "select * from Big");
  big.q.MoveTo(7);
  UiLog failing;
  ExcelUi ui = failing.Ui();
  EXPECT_THROW(ExportToExcel(big.q, out + "keep.xlsx", Saving(FailingProgress), ui), std::runtime_error);
  EXPECT_TRUE(ReadFile(out + "keep.xlsx") == "old");
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"keep.xlsx"});
  EXPECT_EQ(big.q.RecNo(), 7);
  EXPECT_FALSE(big.q.ControlsDisabled());
  EXPECT_EQ(dm.Company_Q.RecNo(), 3);

  // A failed showing leaves no temporary folder behind.
  const std::string tmp = folder.Path() + "tmp";
  std::filesystem::create_directories(tmp);
  ScopedEnv tmpdir("TMPDIR", tmp.c_str());
  EXPECT_THROW(ExportToExcel(big.q, "", Showing(FailingProgress), ui), std::runtime_error);
  EXPECT_TRUE(FilesIn(tmp).empty());
  EXPECT_TRUE(failing.opened.empty());
}

TEST(ExcelSheetName, SpreadsheetRules) {
  struct Case {
    const char* query;
    const char* sheet;
  } cases[] = {{"Company_Q", "Company"},
               {"Contact_Q", "Contact"},
               {"NoUnderscore", "NoUnderscore"},
               {"a[b]:c*d?e/f\\g_Q", "a_b__c_d_e_f_g"},
               {"'quoted'_Q", "quoted"},
               {"_Q", "Sheet1"},
               {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_Q", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"}};
  for (const auto& c : cases) EXPECT_EQ(ExcelSheetName(Query(c.query)), c.sheet) << c.query;
}

namespace {

// Sets a file's or folder's change time `age` seconds back.
void Age(const std::string& path, long long age) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = time(nullptr) - age;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// A showing-mode folder holding a workbook (and more), all `age` seconds old.
void ShownFolder(const std::string& folder, long long age, const std::vector<std::string>& files = {"Company.xlsx"}) {
  std::filesystem::create_directories(folder);
  for (const std::string& f : files) {
    WriteFile(folder + "/" + f, "x");
    Age(folder + "/" + f, age);
  }
  Age(folder, age);
}

}  // namespace

TEST(ExcelShowingFolders, OnlyOldUnlockedFoldersOfOursAreRemoved) {
  TempFolder tmp;
  const std::string t = tmp.Path();
  ScopedEnv tmpdir("TMPDIR", t.c_str());
  const long long day = 24 * 60 * 60;
  ShownFolder(t + "orbisk-excel-old111", day + 60);
  ShownFolder(t + "orbisk-excel-old222", 3 * day);
  ShownFolder(t + "orbisk-excel-locked", 3 * day, {"Company.xlsx", ".~lock.Company.xlsx#"});
  ShownFolder(t + "orbisk-excel-young1", day - 600);
  // An old folder whose workbook was saved again an hour ago is still in use.
  ShownFolder(t + "orbisk-excel-saved1", 3 * day);
  Age(t + "orbisk-excel-saved1/Company.xlsx", 3600);
  ShownFolder(t + "other-old-folder", 3 * day);
  // A link of that name is not followed into the folder it names.
  ShownFolder(t + "elsewhere", 3 * day);
  std::filesystem::create_symlink(t + "elsewhere", t + "orbisk-excel-link11");
  Age(t + "orbisk-excel-link11", 3 * day);
  Age(t, 3 * day);

  EXPECT_EQ(RemoveStaleExcelFolders(), 2);
  EXPECT_EQ(FilesIn(t), (std::vector<std::string>{"elsewhere", "orbisk-excel-link11", "orbisk-excel-locked",
                                                  "orbisk-excel-saved1", "orbisk-excel-young1", "other-old-folder"}));
  EXPECT_EQ(FilesIn(t + "elsewhere"), std::vector<std::string>{"Company.xlsx"});
  // Once the spreadsheet program let go of it, the locked one goes too.
  std::filesystem::remove(t + "orbisk-excel-locked/.~lock.Company.xlsx#");
  Age(t + "orbisk-excel-locked", 3 * day);
  EXPECT_EQ(RemoveStaleExcelFolders(), 1);
  EXPECT_FALSE(Exists(t + "orbisk-excel-locked"));
  // A missing temporary directory is no error.
  ScopedEnv none("TMPDIR", (t + "missing").c_str());
  EXPECT_EQ(RemoveStaleExcelFolders(), 0);
}
