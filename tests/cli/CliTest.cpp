#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "TestDirectory.h"

using orbisk::testing::TempFolder;

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs orbisk-cli with the given arguments (already quoted for the shell),
// with `env` ("NAME=value ...") added to its environment.
CliRun Cli(const std::string& args, const std::string& env = "") {
  static TempFolder scratch;
  const std::string errFile = scratch.Path() + "stderr";
  std::string cmd = (env.empty() ? "" : "env " + env + " ") + ORBISK_CLI + " " + args + " 2>" + errFile +
                    " </dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  CliRun r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p.get())) > 0) r.out.append(buf, n);
  int st = pclose(p.release());
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.err = ReadFile(errFile);
  return r;
}

class CliOnSmallDirectory : public ::testing::Test {
 protected:
  void SetUp() override { db = orbisk::testing::WriteSmallDirectory(folder.Path()); }
  std::string Db() const { return "--database '" + db + "' "; }
  TempFolder folder;
  std::string db;
};

}  // namespace

TEST(Cli, StatementsOfTheComposedExamples) {
  CliRun r = Cli("search company --name bank --order-by name --sql");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "select  top 100  Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
            "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from Company_Info "
            " where  1=1  and Company_Name Like '%bank%' Order By Company_Name , Company_ID\n");
  r = Cli("search contact --name bank --with-contact-email --sql");
  EXPECT_EQ(r.out,
            "select  top 100   CI.Company_Name,CI.Location_Address,CC.* from Company_Contact CC, Company_Info CI where "
            "CC.Company_ID=CI.Company_ID  and CC.Email is not null  and  CC.Company_ID in ( select Company_ID from "
            "Company_Info  where  1=1  and Company_Name Like '%bank%' ) \n");
  r = Cli("search company --location Ontario --name bank --top all --sql");
  EXPECT_EQ(r.out,
            "select  Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
            "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from Company_Info "
            " where  1=1  and Location_Address LIKE'%Ontario%' and Company_Name Like '%bank%'\n");
  // --with-contact-email is accepted by the company search and changes nothing there.
  EXPECT_EQ(Cli("search company --with-contact-email --top 5 --sql").out,
            "select  top 5  Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
            "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from Company_Info "
            " where  1=1 \n");
}

TEST_F(CliOnSmallDirectory, SearchPrintsTheRowsAsCsvWhenNotATerminal) {
  CliRun r = Cli(Db() + "search company --name bank --order-by name");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Company_ID,RecNo,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
            "Toll_Free_Phone,Fax,Email,Website_URL,Exporting,Year_Established,Number_of_Employees\r\n"
            "5,1,\"Bank of the North\",\"1 Ferry Rd, Yellowknife, Northwest Territories\",\"X1A 2P3\",\"867\","
            "\"(867) 555-0105\",\"\",\"\",\"\",\"\",\"No\",1990,\r\n"
            "1,2,\"Prairie Bank Ltd\",\"100 Main St, Winnipeg, Manitoba\",\"R3C 1A1\",\"204\",\"(204) 555-0101\",\"\","
            "\"\",\"info@prairie.ca\",\"www.prairie.ca\",\"Yes\",1950,120\r\n");
  // An apostrophe in a typed name finds the name instead of breaking the statement.
  r = Cli(Db() + "search company --name \"O'Brien\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("O'Brien Tools"), std::string::npos);
}

TEST_F(CliOnSmallDirectory, CategoriesDetailsAndCategoryConditions) {
  EXPECT_EQ(Cli(Db() + "categories").out, "Abor\tAboriginal Businesses\nAgri\tAgriculture\n");
  // The start category of the leaf list is listed like any other.
  EXPECT_EQ(Cli(Db() + "categories Abor").out, "1_1\tAboriginal Crafts\t1\tAboriginal Businesses\tAboriginal Crafts\t\t\t\t\t\n");
  CliRun r = Cli(Db() + "categories Agri");
  EXPECT_EQ(r.out,
            "2_1\tGrain Farming\t1\tAgriculture\tGrain Farming\t\t\t\t\t\n"
            "2_2\tDairy\t1\tAgriculture\tDairy\t\t\t\t\t\n");
  // The retired leaf 1_2 is not offered, so it is not a code --category takes.
  r = Cli(Db() + "search company --category 1_2");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Unknown category code '1_2'.\n");
  r = Cli(Db() + "search company --category Agri --sql");
  EXPECT_NE(r.out.find(" and  Company_ID in (select Company_ID from Company_SubCat where  MainCat_Code='Agri')"),
            std::string::npos);
  r = Cli(Db() + "search company --category 2_2 --order-by name");
  EXPECT_NE(r.out.find("ÉTOILE Bakery"), std::string::npos);
  EXPECT_EQ(r.out.find("Société"), std::string::npos);
  r = Cli(Db() + "details 1");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string start = "Company ID : 1\n\nCompany Name : Prairie Bank Ltd\n\nMailing Address :\n\n";
  EXPECT_EQ(r.out.substr(0, start.size()), start);
  EXPECT_EQ(r.out.find("First line"), std::string::npos);  // the description has its own tab
}

TEST_F(CliOnSmallDirectory, EveryExportTypeWritesAFileItsReaderAccepts) {
  const std::string out = folder.Path();
  for (const char* type : {"csv", "xml", "excel", "access", "column", "html"}) {
    std::string file = out + "export." + type;
    std::string extra = std::string(type) == "column" ? " --column Company_Name" : "";
    CliRun r = Cli(Db() + "search company --top all --export " + type + " --output '" + file + "'" + extra);
    EXPECT_EQ(r.status, 0) << type << ": " << r.err;
    EXPECT_EQ(r.out, "") << type;
    ASSERT_TRUE(std::filesystem::exists(file)) << type;
  }
  EXPECT_EQ(ReadFile(out + "export.column"),
            "Prairie Bank Ltd\r\nSociété Générale Québec\r\nO'Brien Tools\r\nÉTOILE Bakery\r\nBank of the North\r\n");
  EXPECT_EQ(std::system(("python3 -c \"import xml.etree.ElementTree as E; "
                         "r=E.parse('" + out + "export.xml').findall('.//{#RowsetSchema}row'); assert len(r)==5\"")
                            .c_str()),
            0);
  EXPECT_EQ(ReadFile(out + "export.excel").substr(0, 2), "PK");
  // The HTML page comes from the template beside the program, values escaped.
  const std::string html = ReadFile(out + "export.html");
  EXPECT_NE(html.find("O&#39;Brien Tools"), std::string::npos);
  EXPECT_NE(html.find("<table"), std::string::npos);  // a zip: an Office Open XML workbook
  EXPECT_EQ(std::system(("test \"$(mdb-count '" + out + "export.access' Company)\" = 5").c_str()), 0);
  // A second Access export into the same file fails: the table exists.
  CliRun again = Cli(Db() + "search company --export access --output '" + out + "export.access'");
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "Table 'Company' already exists.\n");
}

TEST_F(CliOnSmallDirectory, ExportsNeverWriteTheDirectoryOrANameWithoutFile) {
  const std::string before = ReadFile(db);
  std::filesystem::create_symlink(db, folder.Path() + "link.mdb");
  for (const char* type : {"csv", "xml", "excel", "access", "column", "html"}) {
    const std::string extra = std::string(type) == "column" ? " --column Company_Name" : "";
    for (const std::string& target : {db, folder.Path() + "link.mdb"}) {
      CliRun r = Cli(Db() + "search company --export " + type + " --output '" + target + "'" + extra);
      EXPECT_EQ(r.status, 1) << type;
      EXPECT_EQ(r.err, "Cannot export to '" + target + "': it is the directory Orbisk is searching.\n") << type;
    }
    for (const std::string& target : {std::string(), folder.Path()}) {
      CliRun r = Cli(Db() + "search company --export " + type + " --output '" + target + "'" + extra);
      EXPECT_EQ(r.status, 1) << type;
      EXPECT_EQ(r.err, "Cannot write '" + target + "': no file name.\n") << type;
    }
  }
  EXPECT_EQ(ReadFile(db), before);
  // The next search still reads the directory.
  CliRun r = Cli(Db() + "search company --name bank");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Prairie Bank Ltd"), std::string::npos);
}

TEST(Cli, UsageErrorsAndMissingDirectory) {
  for (const char* args : {"", "search", "search people", "search company --top 0", "search company --top x",
                           "search company --employees '=>' 5", "search company --sql --export csv --output x",
                           "search company --export csv", "search company --export pdf --output x",
                           "search company --bogus", "details abc", "categories a b"}) {
    CliRun r = Cli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("orbisk-cli: "), std::string::npos) << args;
    EXPECT_LT(std::count(r.err.begin(), r.err.end(), '\n'), 3) << args;
  }
  CliRun r = Cli("--database /nonexistent/corpdir.mdb search company");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Could not find file '/nonexistent/corpdir.mdb'.\n");
  r = Cli("search company --year '>' nineteen");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\"Year Established\" needs a whole number.\n");
  EXPECT_EQ(Cli("--version").out, "orbisk-cli 1.02\n");
  EXPECT_NE(Cli("--help").out.find("Usage:"), std::string::npos);
}

TEST_F(CliOnSmallDirectory, IgnoreAccentsChangesTheMatchNotTheStatement) {
  auto names = [&](const std::string& args) {
    CliRun r = Cli(Db() + "search company " + args + " --order-by name");
    EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    std::string found;
    for (const char* name : {"Société Générale Québec", "ÉTOILE Bakery", "Prairie Bank Ltd"})
      if (r.out.find(name) != std::string::npos) found += std::string(found.empty() ? "" : "|") + name;
    return found;
  };
  EXPECT_EQ(names("--location montreal"), "");
  EXPECT_EQ(names("--location montreal --ignore-accents"), "Société Générale Québec");
  EXPECT_EQ(names("--ignore-accents --name e"), "ÉTOILE Bakery");
  EXPECT_EQ(names("--name e"), "");
  EXPECT_EQ(names("--product 'logiciél' --ignore-accents"), "Société Générale Québec");
  EXPECT_EQ(names("--location Winnipeg --ignore-accents"), "Prairie Bank Ltd");
  // The statement is the one the search builds without the option.
  CliRun plain = Cli("search company --location Montreal --name ecole --sql");
  CliRun accents = Cli("search company --location Montreal --name ecole --ignore-accents --sql");
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(accents.out, plain.out);
  // It belongs to the search command only, and the help names it.
  EXPECT_EQ(Cli(Db() + "categories --ignore-accents").status, 2);
  EXPECT_NE(Cli("--help").out.find("--ignore-accents"), std::string::npos);
}

namespace {

// The small directory with `count` more companies whose texts hold accents,
// double quotes, CR LF pairs, lone line feeds and nulls: a CSV of some megabytes.
void AddCompanies(const std::string& db, int count) {
  sqlite3* h = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
  orbisk::testing::Exec(h,
      "WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(99 + count) +
      ") INSERT INTO Company_Info (Company_ID, Company_Name, Location_Address, Location_Address_Postal,"
      " TelAreaCode, Telephone, Email, Website_URL, Exporting, Year_Established, Number_of_Employees)"
      " SELECT i, 'Société \"Étoile\" ' || i, i || ' Rue Principale' || char(13, 10) || 'Montréal, Quebec',"
      " 'H2X 1Y' || (i % 10), '514', '(514) 555-' || (1000 + i % 9000),"
      " CASE WHEN i % 3 = 0 THEN NULL ELSE 'info' || i || '@etoile.ca' END,"
      " 'www.etoile' || i || '.ca' || char(10) || 'x', 'Yes', 1900 + i % 120,"
      " CASE WHEN i % 5 = 0 THEN NULL ELSE i % 700 END FROM n");
  sqlite3_close(h);
}

}  // namespace

TEST_F(CliOnSmallDirectory, StandardOutputCarriesTheBytesOfTheCsvExport) {
  AddCompanies(db, 6000);
  for (const char* order : {"none", "name"}) {
    const std::string search = Db() + "search company --top all --order-by " + order;
    const std::string file = folder.Path() + "rows-" + order + ".csv";
    CliRun exported = Cli(search + " --export csv --output '" + file + "'");
    ASSERT_EQ(exported.status, 0) << exported.err;
    // Streamed as the rows are written: no temporary file is needed anywhere.
    CliRun streamed = Cli(search, "TMPDIR=" + folder.Path() + "no-such-folder");
    ASSERT_EQ(streamed.status, 0) << streamed.err;
    EXPECT_EQ(streamed.err, "");
    const std::string bytes = ReadFile(file);
    EXPECT_GT(bytes.size(), 1u << 20);  // many blocks of the stream
    EXPECT_TRUE(streamed.out == bytes) << "standard output differs from the exported file (" << streamed.out.size()
                                       << " against " << bytes.size() << " bytes)";
    EXPECT_NE(bytes.find("\"Société \"\"Étoile\"\" 100\",\"100 Rue Principale[Return]Montréal, Quebec\""),
              std::string::npos);
  }
}

TEST_F(CliOnSmallDirectory, AReaderThatClosesThePipeEndsTheProgramQuietly) {
  AddCompanies(db, 6000);
  const std::string errFile = folder.Path() + "stderr";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    FILE* err = std::freopen(errFile.c_str(), "w", stderr);
    if (!err) _exit(99);
    execl(ORBISK_CLI, ORBISK_CLI, "--database", db.c_str(), "search", "company", "--top", "all",
          static_cast<char*>(nullptr));
    _exit(98);
  }
  close(fds[1]);
  // Like `orbisk-cli ... | head -c 100`: read the start, then go away.
  char start[100];
  size_t got = 0;
  while (got < sizeof start) {
    const ssize_t n = read(fds[0], start + got, sizeof start - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_EQ(std::string(start, got).substr(0, 15), "Company_ID,RecN");
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 141);
  EXPECT_EQ(ReadFile(errFile), "");
}

// The command line names operators, limits and sorts by their meaning; the
// statement holds the builder's own operator text for each.
TEST(Cli, OperatorsLimitsAndSortsByName) {
  for (const char* op : {"=", ">", ">=", "<", "<=", "<>"}) {
    const std::string q = std::string("'") + op + "'";
    CliRun r = Cli("search company --top all --postal-code " + q + " R3C --area-code " + q + " 204 --employees " + q +
                   " 50 --year " + q + " 1990 --sql");
    EXPECT_EQ(r.status, 0) << op << r.err;
    const std::string o = op;
    EXPECT_NE(r.out.find(" where  1=1  and Location_Address_Postal " + o + "'R3C' and TelAreaCode " + o +
                         "'204' and Number_of_Employees " + o + "50 and Year_Established " + o + "1990\n"),
              std::string::npos)
        << r.out;
  }
  const std::pair<const char*, const char*> orders[] = {
      {"telephone", " Order By CC.Telephone , CI.Company_ID\n"}, {"email", " Order By CC.Email , CI.Company_ID\n"},
      {"employees", " Order By CI.Number_of_Employees , CI.Company_ID\n"},
      {"year", " Order By CI.Year_Established , CI.Company_ID\n"}};
  for (const auto& [key, tail] : orders) {
    const std::string out = Cli(std::string("search contact --order-by ") + key + " --sql").out;
    ASSERT_GE(out.size(), std::string(tail).size()) << key;
    EXPECT_EQ(out.substr(out.size() - std::string(tail).size()), tail) << key;
  }
  EXPECT_EQ(Cli("search company --order-by none --top 0007 --sql").out.rfind("select  top 7  Company_ID,", 0), 0u);
  EXPECT_EQ(Cli("search company --top 999999999 --sql").out.rfind("select  top 999999999  Company_ID,", 0), 0u);
  for (const char* bad : {"search company --postal-code '= ' R3C", "search company --area-code LIKE 204",
                          "search company --year '' 1990", "search company --order-by Name",
                          "search company --top -5", "search company --top 1000000000"})
    EXPECT_EQ(Cli(bad).status, 2) << bad;
}
