#pragma once
// Sample directories for the benchmarks. orbisk-gensample writes each size
// once into bench/data/ beside the benchmark programs; later runs reuse it.
// The generator writes through a temporary file, so a file that exists is
// complete.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace orbisk::bench {

inline std::filesystem::path BenchFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// The sample directory of `companies` companies for `seed`, generated on first use.
// 100000 companies take a few seconds and about 150 MB.
inline std::string SampleDirectory(int companies = 100000, uint64_t seed = 1) {
  namespace fs = std::filesystem;
  const fs::path folder = BenchFolder() / "data";
  const fs::path file = folder / ("corpdir-" + std::to_string(companies) + "-s" + std::to_string(seed) + ".mdb");
  if (fs::exists(file)) return file.string();
  fs::create_directories(folder);
  const fs::path generator = BenchFolder().parent_path() / "tools" / "orbisk-gensample";
  const std::string command = "'" + generator.string() + "' --companies " + std::to_string(companies) + " --seed " +
                              std::to_string(seed) + " --output '" + file.string() + "' >/dev/null";
  if (std::system(command.c_str()) != 0 || !fs::exists(file))
    throw std::runtime_error("cannot generate the sample directory: " + command);
  return file.string();
}

}  // namespace orbisk::bench
