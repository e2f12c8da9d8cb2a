#pragma once
// Small helpers shared by the benchmarks: options, timing, child processes and
// a generated directory.
//
// Every benchmark takes --companies N (the size of its directory) and --runs N
// (how often each measurement is repeated); `ctest -L bench` runs each once at
// a tiny size so that a broken benchmark fails there and not on the day of a
// measurement. Data goes to $ORBISK_BENCH_DIR, else /tmp/orbisk-bench.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" char** environ;

namespace bench {

// The value of `--name N`, or `fallback` when the option is absent.
inline long long Option(int argc, char** argv, const char* name, long long fallback) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) != name) continue;
    if (i + 1 >= argc) throw std::runtime_error(std::string(name) + " needs a number");
    char* end = nullptr;
    const long long v = std::strtoll(argv[i + 1], &end, 10);
    if (!end || *end || v <= 0) throw std::runtime_error(std::string(name) + " takes a positive number");
    return v;
  }
  return fallback;
}

// The folder for generated directories and files (made when missing), without a trailing '/'.
inline std::string Folder() {
  const char* env = std::getenv("ORBISK_BENCH_DIR");
  std::string dir = env && env[0] == '/' ? env : "/tmp/orbisk-bench";
  std::filesystem::create_directories(dir);
  return dir;
}

// Where the build puts the programs (orbisk-cli, orbisk-import); benchmarks live elsewhere.
inline std::string ProgramFolder() { return std::string(ORBISK_BUILD_DIR) + "/bin/"; }
inline std::string Importer() { return ProgramFolder() + "orbisk-import"; }

// A whole process: its time and its peak resident size (the child's getrusage).
struct Process {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system time
  long peakKb = 0;
};
// Runs argv with its standard output in `out` (created or truncated); throws
// unless it exits with status 0.
inline Process RunProcess(const std::vector<std::string>& args, const std::string& out) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (started != 0) throw std::runtime_error("could not start " + args[0]);
  int status = 0;
  rusage ru{};
  while (wait4(pid, &status, 0, &ru) < 0)
    if (errno != EINTR) throw std::runtime_error("lost " + args[0]);
  Process r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  r.cpuSeconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                 static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  r.peakKb = ru.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(args[0] + " failed");
  return r;
}

inline double Seconds(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Best of n runs, alternating with the peer so both see the same machine load.
struct Pair {
  double ours = 1e9, peer = 1e9;
};
inline Pair BestOf(int n, const std::function<void()>& ours, const std::function<void()>& peer) {
  Pair p;
  for (int i = 0; i < n; ++i) {
    p.ours = std::min(p.ours, Seconds(ours));
    p.peer = std::min(p.peer, Seconds(peer));
  }
  return p;
}

inline void Report(const char* what, const Pair& p, double target) {
  double ratio = p.ours / p.peer;
  std::printf("%-58s ours %8.1f ms  peer %8.1f ms  ratio %5.2f  (target <= %.2f) %s\n", what, p.ours * 1e3,
              p.peer * 1e3, ratio, target, ratio <= target ? "ok" : "OVER");
}

// A generated directory of `companies` companies, made once and kept in /tmp.
// The generator writes Orbisk's marker, so the engine opens the file in place.
inline std::string GeneratedDirectory(int companies, const std::string& format = "sqlite") {
  const std::string dir = Folder();
  std::string path = dir + "/corpdir-" + std::to_string(companies) + "-" + format + ".mdb";
  if (!std::filesystem::exists(path)) {
    std::string cmd = std::string(ORBISK_BUILD_DIR) + "/tools/orbisk-gensample --companies " +
                      std::to_string(companies) + " --seed 7 --format " + format + " --output " + path + " >/dev/null";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("could not run: " + cmd);
  }
  return path;
}

}  // namespace bench
