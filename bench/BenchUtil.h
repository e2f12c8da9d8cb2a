#pragma once
// Small helpers shared by the benchmarks: timing, and a generated directory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

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
inline std::string GeneratedDirectory(int companies, const std::string& format = "sqlite") {
  std::string dir = "/tmp/orbisk-bench";
  std::filesystem::create_directories(dir);
  std::string path = dir + "/corpdir-" + std::to_string(companies) + "-" + format + ".mdb";
  if (!std::filesystem::exists(path)) {
    std::string cmd = std::string(ORBISK_BUILD_DIR) + "/tools/orbisk-gensample --companies " +
                      std::to_string(companies) + " --seed 7 --format " + format + " --output " + path;
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("could not run: " + cmd);
  }
  return path;
}

}  // namespace bench
