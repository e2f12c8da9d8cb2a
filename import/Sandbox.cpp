#include "import/Sandbox.h"

#include <glib.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <linux/sched.h>
#include <seccomp.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/TextCollation.h"
#include "import/Import.h"

namespace orbisk::import {

namespace {

// What each denied call would have done, in the user's words.
struct Denied {
  const char* name;
  const char* deed;
};
constexpr Denied kDenied[] = {
    {"open", "open a file"},          {"openat", "open a file"},         {"openat2", "open a file"},
    {"creat", "create a file"},       {"open_by_handle_at", "open a file"},
    {"name_to_handle_at", "open a file"},
    {"rename", "rename a file"},      {"renameat", "rename a file"},     {"renameat2", "rename a file"},
    {"unlink", "remove a file"},      {"unlinkat", "remove a file"},     {"rmdir", "remove a file"},
    {"mkdir", "create a file"},       {"mkdirat", "create a file"},      {"mknod", "create a file"},
    {"mknodat", "create a file"},     {"link", "create a file"},         {"linkat", "create a file"},
    {"symlink", "create a file"},     {"symlinkat", "create a file"},    {"truncate", "change a file"},
    {"chmod", "change a file"},       {"fchmodat", "change a file"},     {"chown", "change a file"},
    {"lchown", "change a file"},      {"fchownat", "change a file"},     {"utime", "change a file"},
    {"utimes", "change a file"},      {"futimesat", "change a file"},    {"utimensat", "change a file"},
    {"setxattr", "change a file"},    {"lsetxattr", "change a file"},    {"removexattr", "change a file"},
    {"lremovexattr", "change a file"},
    {"execve", "start a program"},    {"execveat", "start a program"},   {"fork", "start a program"},
    {"vfork", "start a program"},
    {"socket", "open a network connection"},     {"socketpair", "open a network connection"},
    {"connect", "open a network connection"},    {"bind", "open a network connection"},
    {"listen", "open a network connection"},     {"accept", "open a network connection"},
    {"accept4", "open a network connection"},
    {"io_uring_setup", "open a file"},           {"ptrace", "reach another program"},
    {"process_vm_readv", "reach another program"}, {"process_vm_writev", "reach another program"},
    {"mount", "change the file system"},         {"umount2", "change the file system"},
    {"pivot_root", "change the file system"},    {"chroot", "change the file system"},
    {"fsopen", "change the file system"},        {"open_tree", "change the file system"},
    {"move_mount", "change the file system"},
};

// The first call denied (its number), or -1.
volatile std::sig_atomic_t deniedCall = -1;

void OnDenied(int, siginfo_t* info, void* context) {
  if (deniedCall < 0) deniedCall = info->si_syscall;
  // The call is skipped: it returns EPERM, and the library that made it fails as it would on any refusal.
  auto* uc = static_cast<ucontext_t*>(context);
#if defined(__x86_64__)
  uc->uc_mcontext.gregs[REG_RAX] = -EPERM;
#elif defined(__aarch64__)
  uc->uc_mcontext.regs[0] = static_cast<unsigned long long>(-EPERM);
#else
  (void)uc;
  static const char text[] = "\nerror The reader tried to reach a file, which it may not do.\n";
  (void)!::write(4, text, sizeof text - 1);
  ::_exit(1);
#endif
}

void Add(scmp_filter_ctx ctx, uint32_t action, const char* name, unsigned count = 0, scmp_arg_cmp arg = {}) {
  const int nr = seccomp_syscall_resolve_name(name);
  if (nr == __NR_SCMP_ERROR) return;  // not a call of this machine
  const int rc = count ? seccomp_rule_add(ctx, action, nr, 1, arg) : seccomp_rule_add(ctx, action, nr, 0);
  if (rc != 0) throw ImportError(std::string("The reader's sandbox cannot be set up: ") + name + ": " + std::strerror(-rc) + ".");
}

// Everything that would otherwise read files the first time it is used.
void LoadLazyParts() {
  // SQLite's random numbers come from /dev/urandom, read once.
  unsigned char seed[8];
  sqlite3_randomness(sizeof seed, seed);
  // The collation: ICU's data and its tables, built on first use.
  (void)CompareText("\xC3\x89toile", "etoile");
  (void)CompareTextUnicode("Zurich", "\xC3\xA9" "cole");
  // GLib reads its character set aliases when it first prints a message.
  const char* charset = nullptr;
  (void)g_get_charset(&charset);
}

}  // namespace

void EnterSandbox() {
  LoadLazyParts();
#if defined(__SANITIZE_ADDRESS__)
  // The leak check at exit would list threads in /proc and trace them: it runs now instead.
  __lsan_do_leak_check();
#endif
  struct sigaction sa {};
  sa.sa_sigaction = OnDenied;
  sa.sa_flags = SA_SIGINFO;
  sigemptyset(&sa.sa_mask);
  if (::sigaction(SIGSYS, &sa, nullptr) != 0)
    throw ImportError(std::string("The reader's sandbox cannot be set up: ") + std::strerror(errno) + ".");
  scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
  if (!ctx) throw ImportError("The reader's sandbox cannot be set up.");
  struct Release {
    scmp_filter_ctx c;
    ~Release() { seccomp_release(c); }
  } release{ctx};
  for (const Denied& d : kDenied) Add(ctx, SCMP_ACT_TRAP, d.name);
  // Threads may be started (SQLite's sorter may use them); processes may not.
  Add(ctx, SCMP_ACT_TRAP, "clone", 1, SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0));
  // clone3 hides its flags from the filter; the C library then falls back to clone.
  Add(ctx, SCMP_ACT_ERRNO(ENOSYS), "clone3");
  // Signals only to itself.
  const auto self = static_cast<scmp_datum_t>(::getpid());
  Add(ctx, SCMP_ACT_TRAP, "kill", 1, SCMP_A0(SCMP_CMP_NE, self));
  Add(ctx, SCMP_ACT_TRAP, "tgkill", 1, SCMP_A0(SCMP_CMP_NE, self));
  const int rc = seccomp_load(ctx);
  if (rc != 0) throw ImportError(std::string("The reader's sandbox cannot be set up: ") + std::strerror(-rc) + ".");
}

std::string SandboxDenial() {
  const int nr = deniedCall;
  if (nr < 0) return {};
  std::string name = "call " + std::to_string(nr);
  if (char* n = seccomp_syscall_resolve_num_arch(SCMP_ARCH_NATIVE, nr)) {
    name = n;
    std::free(n);
  }
  const char* deed = "make a call";
  for (const Denied& d : kDenied)
    if (name == d.name) deed = d.deed;
  if (name == "clone") deed = "start a program";
  if (name == "kill" || name == "tgkill") deed = "reach another program";
  return std::string("The reader tried to ") + deed + " (" + name + "), which it may not do.";
}

}  // namespace orbisk::import
