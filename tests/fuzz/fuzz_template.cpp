// Parses arbitrary template text and renders it against two small in-memory
// datasets. Parsing may only fail with the engine's own messages; rendering
// must leave both datasets on their rows with their controls enabled and the
// parameter list as it was.
//
// Input: [options][template text...]; options pick the kind (0..2), the token
// style, HTML escaping and whether a parameter list goes along.
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/Connection.h"
#include "data/Query.h"
#include "data/uDM.h"
#include "export/TemplateProccessor.h"

using namespace orbisk;

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

void Exec(Connection& c, const char* sql) {
  if (sqlite3* db = c.Handle(); sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
    Fail(std::string("setup failed: ") + sql);
}

struct Datasets {
  Connection c;
  Query companies{"Company_Q"};
  Query contacts{"Contact_Q"};

  Datasets() {
    c.OpenMemory();
    Exec(c, "CREATE TABLE Co (Company_ID INTEGER, Company_Name TEXT, Notes TEXT, Year INTEGER)");
    Exec(c, "INSERT INTO Co VALUES (1, ' A & ' || char(1) || '<b>', 'memo' || char(13,10) || 'line', 1950),"
            " (2, NULL, '', NULL), (3, 'Québec ''x''', NULL, 2001)");
    for (Query* q : {&companies, &contacts}) {
      q->SetConnection(&c);
      q->DeclareFields({{"Company_ID", ftInteger, 0, 0, 0, false, {}},
                        {"RecNo", ftInteger, 0, -1, 0, true, {}},
                        {"Company_Name", ftWideString, 80, 0, 0, false, {}},
                        {"Notes", ftMemo, 0, 0, 0, false, {}},
                        {"Year", ftSmallint, 0, 0, 0, false, {}}});
      q->OnCalcFields = TDM::RecNoCalcFields;
    }
    companies.SetSQL("select * from Co");
    contacts.SetSQL("select * from Co where Company_ID > 1");
    contacts.SetTag(1);
    companies.Open();
    contacts.Open();
  }
};

bool KnownParseError(const std::string& m, std::string_view text) {
  if (m == "Template token is not end with -->" || m == "Template token head is too long" ||
      m == "Not Find Detail Block!" || m == "Not Find Master Block!")
    return true;
  // The conversion error quotes the block name; a NUL byte in it ends the message early.
  const std::string tail = "' is not a valid integer value";
  if (m.size() < 2 || m[0] != '\'') return false;
  if (m.size() > tail.size() + 1 && m.compare(m.size() - tail.size(), tail.size(), tail) == 0) return true;
  return text.find('\0') != std::string_view::npos && text.find(m.substr(1)) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Datasets* d = new Datasets();
  if (size < 1) return 0;
  const uint8_t options = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const int kind = options % 3;
  SetTokenStyle((options >> 2) % 3 == 2 ? 1 : 0);

  TTextTemplate t;
  bool parsed = false;
  try {
    parsed = ParseTemplate(t, text, kind);
  } catch (const std::runtime_error& e) {
    if (!KnownParseError(e.what(), text)) Fail(std::string("unexpected parse error: ") + e.what());
  }
  SetTokenStyle(0);
  if (!parsed) return 0;

  TStringList params;
  params.Add("Title=T<i>");
  TStringList* list = (options & 16) ? &params : nullptr;
  d->companies.MoveTo(2);
  d->contacts.MoveTo(1);
  TTemplateDataSource source;
  source.DataSet = &d->companies;
  source.Params = list;
  source.MasterSources = {{&d->companies, list}, {&d->contacts, list}};
  source.DetailSources = {{&d->contacts, list}, {&d->companies, list}};
  source.Options.Escaping = (options & 32) ? ValueEscaping::Html : ValueEscaping::Raw;
  std::string out;
  RenderTemplate(t, source, out);

  if (d->companies.RecNo() != 2 || d->contacts.RecNo() != 1) Fail("dataset left on another row");
  if (d->companies.ControlsDisabled() || d->contacts.ControlsDisabled()) Fail("controls left disabled");
  if (params.Count() != 1 || params[0] != "Title=T<i>") Fail("parameter list changed");
  // Byte 1 comes only from a value, so "\x01<" in the output is a value's own '<'.
  if (source.Options.Escaping == ValueEscaping::Html && text.find('\x01') == std::string_view::npos &&
      out.find("\x01<") != std::string::npos)
    Fail("a value went out unescaped");
  return 0;
}
