#include "data/DirectoryImport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <vector>

#include "data/ImportProtocol.h"
#include "data/ProgramFiles.h"

extern char** environ;

namespace orbisk {

namespace {

constexpr long long kMb = 1024 * 1024;
// What is kept of the importer's standard error (libmdb may print without end).
constexpr size_t kStderrKept = 4096;
constexpr auto kProgressEvery = std::chrono::milliseconds(50);

struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() {
    if (::pipe2(fd, O_CLOEXEC) != 0) throw ImportFailed(Message{msg::kReaderCannotStart, {std::strerror(errno)}});
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() {
    if (fd[0] >= 0) ::close(fd[0]);
    fd[0] = -1;
  }
  void CloseWrite() {
    if (fd[1] >= 0) ::close(fd[1]);
    fd[1] = -1;
  }
};

// Ends and reaps the importer however the engine leaves RunImporter.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait(0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Reaps the importer if it has ended (flags WNOHANG) or once it ends (0); true once reaped.
  bool Wait(int flags) {
    if (pid_ <= 0) return true;
    int status = 0;
    struct rusage usage {};
    pid_t r;
    do r = ::wait4(pid_, &status, flags, &usage);
    while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    pid_ = 0;
    status_ = status;
    maxRssKb_ = usage.ru_maxrss;
    return true;
  }
  void Kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
  }
  int Status() const { return status_; }
  long MaxRssKb() const { return maxRssKb_; }

 private:
  pid_t pid_;
  int status_ = 0;
  long maxRssKb_ = 0;
};

// A descriptor moved above every number the importer's descriptors take.
struct Moved {
  int fd = -1;
  explicit Moved(int from) {
    fd = ::fcntl(from, F_DUPFD_CLOEXEC, std::max(importer::kSourceFd, importer::kProgressFd) + 1);
    if (fd < 0) throw ImportFailed(std::string("The reader cannot be started: ") + std::strerror(errno) + ".");
  }
  ~Moved() { Close(); }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  Moved(const Moved&) = delete;
  Moved& operator=(const Moved&) = delete;
};

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

ImportLimits ImportLimitsFor(long long fileSize) {
  ImportLimits l;
  const long long mb = std::max(0LL, fileSize) / kMb;
  l.memoryMb = 768 + mb / 2;
  l.seconds = 5 + mb / 4;
#if defined(__SANITIZE_ADDRESS__)
  l.seconds *= 10;  // a sanitizer build's importer runs several times slower
#endif
  l.outputMb = 1024 + 4 * mb;
  return l;
}

std::string ImporterPath() { return ProgramFolder() + "orbisk-import"; }

void RunImporter(const std::string& importerPath, int sourceFd, const std::string& output, const std::string& identityKey,
                 const ImportLimits& limits, const Progress& progress) {
  Pipe report, errors;
  // The importer's descriptors are put in place one after the other; each one
  // given must lie above all of their numbers, or placing one could overwrite
  // another (a program started with a standard descriptor closed gets its
  // files at 0, 1 or 2).
  Moved source(sourceFd), reportEnd(report.fd[1]), errorsEnd(errors.fd[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, errorsEnd.fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errorsEnd.fd, STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&actions, source.fd, importer::kSourceFd);
  posix_spawn_file_actions_adddup2(&actions, reportEnd.fd, importer::kProgressFd);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  using namespace importer;
  const std::vector<std::string> args = {importerPath,
                                         std::string(kSource), "/proc/self/fd/" + std::to_string(kSourceFd),
                                         std::string(kOutput), output,
                                         std::string(kIdentity), identityKey,
                                         std::string(kProgressFdOption), std::to_string(kProgressFd),
                                         std::string(kMemoryMb), std::to_string(limits.memoryMb),
                                         std::string(kSeconds), std::to_string(limits.seconds),
                                         std::string(kOutputMb), std::to_string(limits.outputMb)};
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, importerPath.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) throw ImportFailed(Message{msg::kNamedReaderCannotStart, {importerPath, std::strerror(rc)}});
  Child child(pid);
  report.CloseWrite();
  errors.CloseWrite();
  reportEnd.Close();
  errorsEnd.Close();

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(limits.seconds);
  auto lastReport = Clock::now() - kProgressEvery;
  long long done = 0, total = 0;
  std::string pending, errorText, stderrTail;
  bool timedOut = false;
  auto tell = [&] {
    lastReport = Clock::now();
    Report<LoadCancelled>(progress, {done, total, {}});  // Child ends the importer
  };
  auto takeLine = [&](std::string_view line) {
    ImporterLine said = ParseImporterLine(line);
    if (said.kind == ImporterLine::Progress) {
      done = said.done;
      total = said.total;
    } else if (said.kind == ImporterLine::Error) {
      errorText = std::move(said.text);
    }
  };
  tell();
  char buf[16384];
  for (;;) {
    std::vector<pollfd> fds;
    if (report.fd[0] >= 0) fds.push_back({report.fd[0], POLLIN, 0});
    if (errors.fd[0] >= 0) fds.push_back({errors.fd[0], POLLIN, 0});
    if (fds.empty() && child.Wait(WNOHANG)) break;
    const auto now = Clock::now();
    if (now >= deadline) {
      timedOut = true;
      child.Kill();
      child.Wait(0);
      break;
    }
    const auto wait = std::min(deadline - now, std::chrono::duration_cast<Clock::duration>(fds.empty() ? std::chrono::milliseconds(20) : kProgressEvery));
    const int n = ::poll(fds.data(), fds.size(), static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()) + 1);
    if (n < 0 && errno != EINTR) break;
    for (const pollfd& p : fds) {
      if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t got = ::read(p.fd, buf, sizeof buf);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) {
        (p.fd == report.fd[0] ? report : errors).CloseRead();
        continue;
      }
      if (p.fd == errors.fd[0]) {
        stderrTail.append(buf, static_cast<size_t>(got));
        if (stderrTail.size() > kStderrKept) stderrTail.erase(0, stderrTail.size() - kStderrKept);
        continue;
      }
      pending.append(buf, static_cast<size_t>(got));
      size_t start = 0, nl;
      while ((nl = pending.find('\n', start)) != std::string::npos) {
        takeLine(std::string_view(pending).substr(start, nl - start));
        start = nl + 1;
      }
      pending.erase(0, start);
      if (pending.size() > kLongestLine) pending.clear();  // no line of ours is that long
    }
    if (Clock::now() - lastReport >= kProgressEvery) tell();
  }

  const Message tookTooLong{msg::kReadingTookTooLong, {std::to_string(limits.seconds)}};
  if (timedOut) throw ImportFailed(tookTooLong);
  const int status = child.Status();
  if (WIFEXITED(status) && WEXITSTATUS(status) == kExitDone) {
    done = total = std::max(done, total);
    tell();
    return;
  }
  const Message memoryText{msg::kReadingNeededMemory, {std::to_string(limits.memoryMb)}};
  if (WIFEXITED(status) && WEXITSTATUS(status) == kExitOutOfMemory) throw ImportFailed(memoryText);
  if (WIFEXITED(status) && !errorText.empty()) throw ImportFailed(errorText);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)
    throw ImportFailed(tookTooLong);
  // The sandbox ends the reader itself only when it could not report a denied call.
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) throw ImportFailed(Message{msg::kReaderReachedFile, {}});
  // A failed allocation inside libmdb ends the importer by an abort (GLib) or
  // a fault; either way it came close to its limit, or said so.
  if (child.MaxRssKb() * 4 >= limits.memoryMb * 1024 * 3 || Contains(stderrTail, "failed to allocate") ||
      Contains(stderrTail, "out of memory") || Contains(stderrTail, "std::bad_alloc"))
    throw ImportFailed(memoryText);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ)
    throw ImportFailed(Message{msg::kCopyTooLarge, {std::to_string(limits.outputMb)}});
  if (WIFSIGNALED(status))
    throw ImportFailed(Message{msg::kReaderEndedBySignal, {std::to_string(WTERMSIG(status))}});
  throw ImportFailed(Message{msg::kReaderEndedUnexplained, {std::to_string(WEXITSTATUS(status))}});
}

}  // namespace orbisk
