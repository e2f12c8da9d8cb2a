// ORDER BY Company_Name over every company of a generated directory: the
// engine with our collation (the ASCII shortcut, and the full Unicode
// comparison without it) against the `sqlite3` command with its built-in
// ASCII NOCASE, and against the same library in this process.
// Usage: bench_order_by_name [--companies N] [--runs N]   (defaults 1,000,000 and 3)
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchUtil.h"
#include "data/TextCollation.h"

using namespace orbisk;

namespace {

const char* kStatement = "select Company_ID,Company_Name from Company_Info Order By Company_Name , Company_ID";

int UnicodeOnly(void*, int n1, const void* a, int n2, const void* b) {
  return CompareTextUnicode(std::string_view(static_cast<const char*>(a), static_cast<size_t>(n1)),
                            std::string_view(static_cast<const char*>(b), static_cast<size_t>(n2)));
}

// Runs the statement and writes the rows as the sqlite3 command does ("id|name").
size_t Dump(sqlite3* db, FILE* out) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, kStatement, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  size_t rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    const unsigned char* name = sqlite3_column_text(st, 1);
    std::fprintf(out, "%lld|%s\n", static_cast<long long>(sqlite3_column_int64(st, 0)),
                 name ? reinterpret_cast<const char*>(name) : "");
    ++rows;
  }
  sqlite3_finalize(st);
  return rows;
}

sqlite3* OpenReadOnly(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    throw std::runtime_error("cannot open " + path);
  return db;
}

}  // namespace

int main(int argc, char** argv) {
  const int companies = static_cast<int>(bench::Option(argc, argv, "--companies", 1000000));
  const int runs = static_cast<int>(bench::Option(argc, argv, "--runs", 3));
  char pattern[] = "/tmp/orbisk-orderby-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string dir = pattern, path = dir + "/corpdir.mdb";
  int status = 0;
  try {
    const std::string gen = std::string(ORBISK_BUILD_DIR) + "/tools/orbisk-gensample --companies " +
                            std::to_string(companies) + " --seed 7 --output " + path + " >/dev/null";
    if (std::system(gen.c_str()) != 0) throw std::runtime_error("could not run: " + gen);

    sqlite3* ours = OpenReadOnly(path);
    RegisterTextCollation(ours);
    sqlite3* unicode = OpenReadOnly(path);
    sqlite3_create_collation_v2(unicode, "NOCASE", SQLITE_UTF8, nullptr, UnicodeOnly, nullptr);
    sqlite3* builtin = OpenReadOnly(path);
    FILE* null = std::fopen("/dev/null", "w");
    const std::string command = "sqlite3 -readonly '" + path + "' '" + kStatement + "' >/dev/null";

    size_t rowsOurs = 0, rowsUnicode = 0, rowsBuiltin = 0;
    auto runOurs = [&] { rowsOurs = Dump(ours, null); };
    auto runUnicode = [&] { rowsUnicode = Dump(unicode, null); };
    auto runBuiltin = [&] { rowsBuiltin = Dump(builtin, null); };
    auto runCommand = [&] {
      if (std::system(command.c_str()) != 0) throw std::runtime_error("could not run: " + command);
    };
    const std::string what = "ORDER BY Company_Name (" + std::to_string(companies) + " companies)";
    bench::Report((what + ", vs sqlite3 command").c_str(), bench::BestOf(runs, runOurs, runCommand), 1.5);
    bench::Report((what + ", vs built-in NOCASE here").c_str(), bench::BestOf(runs, runOurs, runBuiltin), 1.5);
    bench::Report((what + ", ICU alone vs sqlite3 command").c_str(), bench::BestOf(runs, runUnicode, runCommand), 2.5);
    std::printf("rows: ours %zu, without the ASCII shortcut %zu, built-in NOCASE %zu\n", rowsOurs, rowsUnicode,
                rowsBuiltin);
    if (rowsOurs != static_cast<size_t>(companies) || rowsUnicode != rowsOurs || rowsBuiltin != rowsOurs) status = 1;
    std::fclose(null);
    sqlite3_close(ours);
    sqlite3_close(unicode);
    sqlite3_close(builtin);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    status = 1;
  }
  std::filesystem::remove_all(dir);
  return status;
}
