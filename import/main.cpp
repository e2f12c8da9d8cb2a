// orbisk-import: reads a directory file into a new SQLite file for the
// engine, in a process of its own, under the limits the engine gives it.
// Its options, descriptors, progress lines and exit statuses are those of
// data/ImportProtocol.h, which the engine's side reads too.
//
// The output file must exist (empty); the engine renames it into the cache
// once this program has ended well. Once the source and the output are open
// the process is sandboxed (import/Sandbox.h): it reaches no other file.
// "--tables any" copies a file that lacks the directory's own tables (tests
// read other Access files this way); "--test-open-after-sandbox FILE" tries
// to append to FILE once sandboxed, which must fail and fail the import.
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "data/Connection.h"
#include "data/DirectoryCache.h"
#include "data/ImportProtocol.h"
#include "data/TextCollation.h"
#include "import/Import.h"
#include "import/Sandbox.h"

using namespace orbisk;
using namespace orbisk::importer;

namespace {

int progressFd = -1;

// Writes one whole line of the protocol on the progress descriptor.
void Say(const std::string& s) {
  if (progressFd < 0) return;
  const char* p = s.data();
  size_t left = s.size();
  while (left > 0) {
    ssize_t n = ::write(progressFd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

[[noreturn]] void OutOfMemory() {
  static const char text[] = "orbisk-import: out of memory\n";
  (void)!::write(STDERR_FILENO, text, sizeof text - 1);
  ::_exit(kExitOutOfMemory);
}

void Limit(int resource, long long value) {
  if (value <= 0) return;
  struct rlimit r;
  r.rlim_cur = r.rlim_max = static_cast<rlim_t>(value);
  ::setrlimit(resource, &r);
}

bool IsSqlite(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char head[16] = {};
  const size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return n == sizeof head && std::memcmp(head, "SQLite format 3", 16) == 0;
}

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw import::ImportError(std::string("Writing the imported copy failed: ") + EngineError(db) + ".");
}

}  // namespace

int main(int argc, char** argv) {
  // Ends with the program that started it.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  std::string source, output, identity, testOpen;
  bool anyTables = false;
  long long memoryMb = 0, seconds = 0, outputMb = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i], value = argv[i + 1];
    if (opt == kSource) source = value;
    else if (opt == kOutput) output = value;
    else if (opt == kIdentity) identity = value;
    else if (opt == kProgressFdOption) progressFd = std::atoi(value.c_str());
    else if (opt == kMemoryMb) memoryMb = std::atoll(value.c_str());
    else if (opt == kSeconds) seconds = std::atoll(value.c_str());
    else if (opt == kOutputMb) outputMb = std::atoll(value.c_str());
    else if (opt == kTables && (value == "any" || value == "directory")) anyTables = value == "any";
    else if (opt == "--test-open-after-sandbox") testOpen = value;
    else {
      std::fprintf(stderr, "orbisk-import: unknown option %s\n", opt.c_str());
      return kExitUsage;
    }
  }
  if (source.empty() || output.empty() || argc % 2 == 0) {
    std::fprintf(stderr, "usage: orbisk-import --source FILE --output FILE [--identity KEY] [--progress-fd N]\n"
                         "                     [--memory-mb N] [--seconds N] [--output-mb N] [--tables directory|any]\n");
    return kExitUsage;
  }
  if (::getppid() == 1 && progressFd >= 0) return kExitUnreadable;  // the engine is already gone
#if defined(__SANITIZE_ADDRESS__)
  (void)memoryMb;  // an address-sanitizer build reserves its shadow memory beyond any such limit
#else
  Limit(RLIMIT_AS, memoryMb * 1024 * 1024);
#endif
  // Processor time as a backstop: the engine ends the import by the clock.
  Limit(RLIMIT_CPU, seconds > 0 ? seconds + 2 : 0);
  Limit(RLIMIT_FSIZE, outputMb * 1024 * 1024);
  Limit(RLIMIT_CORE, 0);
  ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
  ::signal(SIGPIPE, SIG_IGN);
  std::set_new_handler(OutOfMemory);

  sqlite3* db = nullptr;
  std::unique_ptr<import::Source> from;
  std::string said;
  try {
    if (sqlite3_open_v2(output.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
      throw import::ImportError("The imported copy cannot be written: " + EngineError(db) + ".");
    // No statement of a file runs here, and none could reach further: no
    // triggers or views, no schema tricks, one attached file at most.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // Large pages: far fewer page splits and writes while millions of rows are appended.
    Exec(db, "PRAGMA page_size=65536");
    // Nothing reads the copy before it is complete.
    Exec(db, "PRAGMA journal_mode=MEMORY");
    Exec(db, "PRAGMA synchronous=OFF");
    Exec(db, "PRAGMA locking_mode=EXCLUSIVE");
    Exec(db, "PRAGMA cache_size=-262144");
    // Sorting and temporary tables stay in memory: no file is made beside the copy.
    Exec(db, "PRAGMA temp_store=MEMORY");
    Exec(db, "PRAGMA threads=0");
    // Indexes on text are built under the program's own order of text.
    RegisterTextCollation(db);
    // The output is written from here on; its first page now, while files may be opened.
    Exec(db, "CREATE TABLE Orbisk_Import_Started (x); DROP TABLE Orbisk_Import_Started");
    from = IsSqlite(source) ? import::OpenSqliteFile(source, db) : import::OpenAccessFile(source);
    import::EnterSandbox();
    if (!testOpen.empty()) {
      const int fd = ::open(testOpen.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
      if (fd >= 0) {
        (void)!::write(fd, "reached\n", 8);
        ::close(fd);
      }
    }
    const Progress progress = [](const ProgressStep& step) {
      // A denied call stops the import at once.
      if (const std::string denied = import::SandboxDenial(); !denied.empty()) throw import::ImportError(denied);
      Say(ProgressLine(step.done, step.total));
      return true;
    };
    if (!anyTables) import::RequireDirectoryTables(from->TableNames());
    Report(progress, {0, 0, {}});
    from->Copy(db, progress);
    from.reset();
    WriteDirectoryMarker(db, identity);
    if (sqlite3_close(db) != SQLITE_OK) throw import::ImportError("The imported copy cannot be written.");
    db = nullptr;
    if (const std::string denied = import::SandboxDenial(); !denied.empty()) throw import::ImportError(denied);
    return kExitDone;
  } catch (const import::ImportError& e) {
    const std::string text = e.what();
    if (text.find("out of memory") != std::string::npos) OutOfMemory();
    said = text;
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  } catch (const std::exception& e) {
    said = e.what();
  }
  // Whatever went wrong after a denied call, the denial is the reason.
  if (const std::string denied = import::SandboxDenial(); !denied.empty()) said = denied;
  Say(ErrorLine(said));
  from.reset();
  sqlite3_close(db);
  return kExitUnreadable;
}
