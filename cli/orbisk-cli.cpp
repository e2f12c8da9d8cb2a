// orbisk-cli: the searches and exports of the window, from a shell.
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "OrbiskVersion.h"
#include "browse/FillFieldMemo.h"
#include "browse/ResultColumns.h"
#include "export/ExportDispatch.h"
#include "export/db2csv.h"
#include "data/ProgramFiles.h"
#include "data/uDM.h"
#include "search/CategoryCondition.h"
#include "search/SearchBuilders.h"
#include "strutil/TextUtil.h"

using namespace orbisk;

namespace {

constexpr int kOk = 0;
constexpr int kError = 1;
constexpr int kUsage = 2;
// The reader closed standard output before every row was written (`| head`):
// the status of a program stopped by SIGPIPE, without a word on standard error.
constexpr int kOutputClosed = 128 + SIGPIPE;

const char* const kHelp =
    "Usage:\n"
    "  orbisk-cli [--database FILE] search company|contact [CONDITIONS] [--top N|all]\n"
    "             [--order-by none|name|telephone|email|employees|year] [--sql]\n"
    "             [--export TYPE --output FILE [--column FIELD]]\n"
    "  orbisk-cli [--database FILE] categories [MAIN_CODE]\n"
    "  orbisk-cli [--database FILE] details COMPANY_ID\n"
    "  orbisk-cli --help | --version\n"
    "\n"
    "Searches the business directory the way the Orbisk window does and exports result lists.\n"
    "\n"
    "Conditions (each ticks its row of the search panel):\n"
    "  --location TEXT          location address contains TEXT (a province, a city)\n"
    "  --postal-code OP VALUE   postal code compared as text\n"
    "  --name TEXT              company name contains TEXT (one character: starts with it)\n"
    "  --product TEXT           a product or service name contains TEXT\n"
    "  --area-code OP CODE      telephone area code compared as text\n"
    "  --employees OP N         number of employees compared as a number\n"
    "  --year OP N              year established compared as a number\n"
    "  --with-url               has a web address\n"
    "  --with-email             has a company e-mail address\n"
    "  --with-contact-email     the contact has an e-mail address (contact search only)\n"
    "  --category CODE          a main category or leaf category code\n"
    "  OP is one of  =  >  >=  <  <=  <>   (quote > and < in the shell)\n"
    "  --ignore-accents         --location, --name and --product also ignore accents\n"
    "                           (Montreal finds Montréal, ecole finds École); the\n"
    "                           statement --sql prints stays the same\n"
    "\n"
    "Options:\n"
    "  --database FILE          the directory file (default: $XDG_DATA_HOME/orbisk/Database/\n"
    "                           corpdir.mdb when it exists, else Database/corpdir.mdb beside\n"
    "                           the program)\n"
    "  --top N|all              row limit (default 100)\n"
    "  --order-by KEY           sort order (default none)\n"
    "  --sql                    print the statement and run nothing\n"
    "  --export TYPE            access, excel, csv, xml, html or column\n"
    "  --output FILE            the file to write\n"
    "  --column FIELD           the field written by --export column\n"
    "  --time-limit SECONDS     end a statement that runs longer (default 120)\n"
    "\n"
    "Without --export the rows go to standard output: an aligned table on a terminal,\n"
    "otherwise CSV exactly as --export csv writes it.\n"
    "Exit status: 0 success, 1 error, 2 usage error, 141 the reader closed standard output\n"
    "before everything was written.\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::optional<std::string> database;
  std::string command;
  std::string kind;  // company | contact
  SearchPanel panel;
  std::optional<std::string> category;
  bool sql = false;
  std::optional<std::string> exportType;
  std::optional<std::string> output;
  std::optional<std::string> column;
  std::optional<int> timeLimit;
  std::vector<std::string> positional;
};

// The keys of --order-by, each with the sort it names.
constexpr std::pair<const char*, OrderByChoice> kOrderKeys[] = {
    {"none", OrderByChoice::None},           {"name", OrderByChoice::CompanyName},
    {"telephone", OrderByChoice::Telephone}, {"email", OrderByChoice::Email},
    {"employees", OrderByChoice::NumberOfEmployees}, {"year", OrderByChoice::YearEstablished}};

Options Parse(int argc, char** argv) {
  Options o;
  std::vector<std::string> args(argv + 1, argv + argc);
  size_t i = 0;
  auto next = [&](const std::string& opt) -> std::string {
    if (i + 1 >= args.size()) throw UsageError("option " + opt + " needs a value");
    return args[++i];
  };
  auto op = [&](const std::string& opt) {
    const std::string v = next(opt);
    const std::optional<CompareOp> named = CompareOpFromText(v);
    if (!named) throw UsageError("option " + opt + ": '" + v + "' is not one of = > >= < <= <>");
    return *named;
  };
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.command = "help";
      return o;
    } else if (a == "--version") {
      o.command = "version";
      return o;
    } else if (a == "--database") {
      o.database = next(a);
    } else if (a == "--location") {
      o.panel.Location_Chk = true;
      o.panel.Location = next(a);
    } else if (a == "--postal-code") {
      o.panel.PostalCode_Chk = true;
      o.panel.PostCode_Op = op(a);
      o.panel.PostCode = next(a);
    } else if (a == "--name") {
      o.panel.CompanyName_Chk = true;
      o.panel.CompanyName = next(a);
    } else if (a == "--product") {
      o.panel.PSL_Chk = true;
      o.panel.PSL = next(a);
    } else if (a == "--area-code") {
      o.panel.TelAreaCode_Chk = true;
      o.panel.TelAreaCode_Op = op(a);
      o.panel.TelAreaCode = next(a);
    } else if (a == "--employees") {
      o.panel.NumberofEmployees_Chk = true;
      o.panel.NumberOfEmployees_Op = op(a);
      o.panel.NumberofEmployees = next(a);
    } else if (a == "--year") {
      o.panel.YearEstablished_Chk = true;
      o.panel.YearEstablished_Op = op(a);
      o.panel.YearEstablished = next(a);
    } else if (a == "--with-url") {
      o.panel.WithURL_Chk = true;
    } else if (a == "--with-email") {
      o.panel.WithEmail_Chk = true;
    } else if (a == "--with-contact-email") {
      o.panel.WithContactEmail_Chk = true;
    } else if (a == "--ignore-accents") {
      o.panel.IgnoreAccents_Chk = true;
    } else if (a == "--category") {
      o.category = next(a);
    } else if (a == "--top") {
      std::string v = next(a);
      if (v == "all") {
        o.panel.Top.reset();
      } else {
        bool digits = !v.empty() && v.size() <= 9;
        for (char c : v) digits = digits && c >= '0' && c <= '9';
        if (!digits || std::stoi(v) <= 0) throw UsageError("--top takes a positive whole number or 'all'");
        o.panel.Top = std::stoi(v);
      }
    } else if (a == "--order-by") {
      const std::string v = next(a);
      const auto* key = std::find_if(std::begin(kOrderKeys), std::end(kOrderKeys),
                                     [&](const auto& k) { return v == k.first; });
      if (key == std::end(kOrderKeys))
        throw UsageError("--order-by takes none, name, telephone, email, employees or year");
      o.panel.OrderBy = key->second;
    } else if (a == "--sql") {
      o.sql = true;
    } else if (a == "--export") {
      std::string v = next(a);
      if (v != "access" && v != "excel" && v != "csv" && v != "xml" && v != "html" && v != "column")
        throw UsageError("--export takes access, excel, csv, xml, html or column");
      o.exportType = v;
    } else if (a == "--output") {
      o.output = next(a);
    } else if (a == "--column") {
      o.column = next(a);
    } else if (a == "--time-limit") {
      const std::string v = next(a);
      if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos || std::stoi(v) <= 0)
        throw UsageError("--time-limit takes a positive whole number of seconds");
      o.timeLimit = std::stoi(v);
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else if (o.command.empty()) {
      if (a != "search" && a != "categories" && a != "details") throw UsageError("unknown command '" + a + "'");
      o.command = a;
    } else {
      o.positional.push_back(a);
    }
  }
  if (o.command.empty()) throw UsageError("no command given");
  bool searchOptions = o.sql || o.exportType || o.output || o.column || o.category || o.panel.IgnoreAccents_Chk;
  if (o.command == "search") {
    if (o.positional.size() != 1 || (o.positional[0] != "company" && o.positional[0] != "contact"))
      throw UsageError("search takes 'company' or 'contact'");
    o.kind = o.positional[0];
    if (o.sql && o.exportType) throw UsageError("--sql and --export cannot be used together");
    if (o.exportType && !o.output) throw UsageError("--export needs --output FILE");
    if (o.output && !o.exportType) throw UsageError("--output needs --export TYPE");
    if (o.exportType && *o.exportType == "column" && !o.column) throw UsageError("--export column needs --column FIELD");
    if (o.column && (!o.exportType || *o.exportType != "column")) throw UsageError("--column goes with --export column");
  } else {
    if (searchOptions) throw UsageError("search options go with the search command");
    if (o.command == "categories" && o.positional.size() > 1) throw UsageError("categories takes at most one code");
    if (o.command == "details") {
      if (o.positional.size() != 1 || !IsWholeNumber(o.positional[0]))
        throw UsageError("details takes one company number");
    }
  }
  return o;
}

// The condition the category picker stores for a main or leaf code; an unknown
// code (or a leaf the picker does not offer) is an error.
std::string CategoryConditionFor(TDM& dm, const std::string& code) {
  dm.MainCat_Q.Open();
  for (dm.MainCat_Q.First(); !dm.MainCat_Q.Eof(); dm.MainCat_Q.Next())
    if (dm.MainCat_Q.FieldByName("Cat_Code").AsString() == code)
      return CategoryConditionText(MainCategorySelection(code));
  Query leaf("Leaf_Q", &dm.ADOConnection);
  leaf.SetSQL("select SubCat_Code from All_Leaf_SubCat where SubCat_Code = :Code and IsValid='Y'");
  leaf.SetParam("Code", Value(code));
  leaf.Open();
  if (leaf.RecordCount() > 0) return CategoryConditionText(SubCategorySelection(code));
  throw std::runtime_error("Unknown category code '" + code + "'.");
}

size_t DisplayWidth(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

std::string Clip(const std::string& s, size_t width) {
  if (DisplayWidth(s) <= width) return s;
  std::string out;
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) != 0x80 && ++n > width - 1) break;
    out += s[i];
  }
  return out + "\xE2\x80\xA6";  // …
}

// Line breaks and tabs would break the table's lines.
std::string OneLine(std::string s) {
  for (auto& c : s)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  return s;
}

void PrintTable(Query& q, const std::vector<ResultColumn>& columns) {
  constexpr size_t kMaxWidth = 40;
  std::vector<const Field*> fields;
  std::vector<size_t> widths;
  for (const auto& c : columns) {
    fields.push_back(q.FindField(c.field));
    widths.push_back(DisplayWidth(c.title));
  }
  const int rows = q.RecordCount();
  for (int r = 0; r < rows; ++r)
    for (size_t c = 0; c < columns.size(); ++c)
      if (fields[c]) widths[c] = std::min(kMaxWidth, std::max(widths[c], DisplayWidth(OneLine(fields[c]->TextAt(r)))));
  auto cell = [&](const std::string& text, size_t c, bool centred) {
    std::string t = Clip(OneLine(text), widths[c]);
    size_t pad = widths[c] - DisplayWidth(t);
    size_t left = centred ? pad / 2 : 0;
    return std::string(left, ' ') + t + std::string(pad - left, ' ');
  };
  std::string line;
  for (size_t c = 0; c < columns.size(); ++c) line += (c ? "  " : "") + cell(columns[c].title, c, true);
  std::cout << line << '\n';
  line.clear();
  for (size_t c = 0; c < columns.size(); ++c) line += (c ? "  " : "") + std::string(widths[c], '-');
  std::cout << line << '\n';
  for (int r = 0; r < rows; ++r) {
    line.clear();
    for (size_t c = 0; c < columns.size(); ++c)
      line += (c ? "  " : "") + cell(fields[c] ? fields[c]->TextAt(r) : "", c, columns[c].centred);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::cout << line << '\n';
  }
  std::cout << "Records Count: " << rows << '\n';
}

int ExportTypeByName(const std::string& name) {
  static const char* const names[] = {"access", "excel", "csv", "xml", "html", "column"};
  for (int t = 0; t < kExportTypeCount; ++t)
    if (name == names[t]) return t;
  throw UsageError("unknown export type '" + name + "'");
}

// Exactly what --export csv writes, for standard output that is not a terminal,
// written as the rows are walked.
void WriteCsv(Query& q) {
  TextStreamWriter out(STDOUT_FILENO);
  ExportToCSV(q, out, CsvOptions{.longestText = kCsvLongestText, .header = true, .progress = {}});
  out.Flush();
}

int RunSearch(TDM& dm, Options& o) {
  if (o.category) {
    o.panel.Category_Chk = true;
    o.panel.CategoryCondition = CategoryConditionFor(dm, *o.category);
  }
  std::string invalid = ValidatePanel(o.panel);
  if (!invalid.empty()) throw std::runtime_error(invalid);
  const bool company = o.kind == "company";
  std::string sql = company ? BuildCompanySQL(o.panel) : BuildContactSQL(o.panel);
  if (o.sql) {
    std::cout << sql << '\n';
    return kOk;
  }
  Query& q = company ? dm.Company_Q : dm.Contact_Q;
  q.Close();
  q.SetSQL(sql);
  q.SetLikeFold(LikeFoldOf(o.panel));
  q.Open();
  if (o.exportType) {
    ExportRequest request;
    request.type = ExportTypeByName(*o.exportType);
    request.fileName = *o.output;
    request.columnField = o.column.value_or("");
    request.templateFile = TemplateFileFor(q, ProgramFolder());
    ExcelUi ui;
    ui.notice = [](const std::string&, const std::string& text) { throw std::runtime_error(text); };
    // An empty --output is refused by the dispatch for every type: no chooser here.
    ExportOutcome outcome = RunExport(q, request, ui);
    if (!outcome.done) {
      std::cerr << "Nothing was written to '" << request.fileName << "'.\n";
      return kError;
    }
    if (outcome.rowsRefused > 0) {
      std::cerr << ExportSuccessText(outcome) << '\n';
      return kError;
    }
    return kOk;
  }
  if (isatty(STDOUT_FILENO)) {
    PrintTable(q, company ? CompanyResultColumns() : ContactResultColumns());
  } else {
    std::cout.flush();
    WriteCsv(q);
  }
  return kOk;
}

int RunCategories(TDM& dm, const Options& o) {
  if (o.positional.empty()) {
    dm.MainCat_Q.Open();
    for (dm.MainCat_Q.First(); !dm.MainCat_Q.Eof(); dm.MainCat_Q.Next())
      std::cout << dm.MainCat_Q.FieldByName("Cat_Code").AsString() << '\t'
                << dm.MainCat_Q.FieldByName("Cat_Name").AsString() << '\n';
    return kOk;
  }
  const std::string& code = o.positional[0];
  dm.MainCat_Q.Open();
  bool known = false;
  for (dm.MainCat_Q.First(); !dm.MainCat_Q.Eof(); dm.MainCat_Q.Next())
    known = known || dm.MainCat_Q.FieldByName("Cat_Code").AsString() == code;
  if (!known) throw std::runtime_error("Unknown category code '" + code + "'.");
  dm.OpenLeafCategories(code);
  Query& leaf = dm.LeafCat_Q;
  static const char* const columns[] = {"SubCat_Code", "SubCat_Text", "SubCat_Level", "MainCat_Text",
                                        "Cat1_Text",   "Cat2_Text",   "Cat3_Text",    "Cat4_Text",
                                        "Cat5_Text",   "Cat6_Text"};
  for (leaf.First(); !leaf.Eof(); leaf.Next()) {
    std::string line;
    for (const char* c : columns) line += (line.empty() && c == columns[0] ? "" : "\t") + OneLine(leaf.FieldByName(c).AsString());
    std::cout << line << '\n';
  }
  return kOk;
}

int RunDetails(TDM& dm, const Options& o) {
  long long id = std::strtoll(o.positional[0].c_str(), nullptr, 10);
  dm.OneCompany_Q.Close();
  dm.OneCompany_Q.SetParam("Company_ID", Value(static_cast<int64_t>(id)));
  dm.OneCompany_Q.Open();
  if (dm.OneCompany_Q.IsEmpty()) throw std::runtime_error("No company with Company_ID " + o.positional[0] + ".");
  std::vector<std::string> lines;
  FillFieldMemo(dm.OneCompany_Q, lines, 0, true);
  for (const auto& l : lines) std::cout << l << '\n';
  return kOk;
}

// "Importing the directory... 42%" on one line, rewritten as it grows and
// cleared when the import ends.
bool ShowImportProgress(const ProgressStep& step) {
  const long long done = step.done, total = step.total;
  static int shown = -1;
  const int percent = total > 0 ? static_cast<int>(std::min<long long>(100, done * 100 / total)) : 0;
  if (done >= total && total > 0) {
    if (shown >= 0) std::cerr << "\r\033[K" << std::flush;
    shown = -1;
    return true;
  }
  if (percent != shown) {
    shown = percent;
    std::cerr << "\rImporting the directory... " << percent << "%" << std::flush;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  try {
    o = Parse(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "orbisk-cli: " << e.what() << "\nTry 'orbisk-cli --help' for more information.\n";
    return kUsage;
  }
  if (o.command == "help") {
    std::cout << kHelp;
    return kOk;
  }
  if (o.command == "version") {
    std::cout << "orbisk-cli " ORBISK_VERSION "\n";
    return kOk;
  }
  // A closed pipe is an error of write(), not a signal that ends the program.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    TDM dm;
    dm.DataModuleCreate(ProgramFolder(), o.database ? *o.database : DefaultDirectoryFile(ProgramFolder()));
    // An import of an Access directory shows its progress on a terminal.
    if (isatty(STDERR_FILENO)) dm.ADOConnection.SetProgress(ShowImportProgress);
    if (o.timeLimit) {
      EngineBounds bounds = dm.ADOConnection.Bounds();
      bounds.statementSeconds = *o.timeLimit;
      dm.ADOConnection.SetBounds(bounds);
    }
    int rc = kOk;
    if (o.command == "search") rc = RunSearch(dm, o);
    else if (o.command == "categories") rc = RunCategories(dm, o);
    else rc = RunDetails(dm, o);
    std::cout.flush();
    if (!std::cout) {
      if (errno == EPIPE) return kOutputClosed;
      std::cerr << "orbisk-cli: cannot write to standard output\n";
      return kError;
    }
    return rc;
  } catch (const StreamClosed&) {
    return kOutputClosed;
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory to finish the command.\n";
    return kError;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return kError;
  }
}
