// Whole processes writing every company of a generated directory as CSV to
// standard output: orbisk-cli (no --export: rows streamed as they are written)
// against the sqlite3 command with -csv running the same statement, once in
// the search's own order and once with Order By "Company Name". Pairs are
// alternated; each side's best time counts. Also the peak resident size of
// our process (the child's getrusage) against the bytes of the CSV.
//
//   bench_cli_csv_stream [--companies N] [--runs N]   (defaults 1,000,000 and 3)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "data/JetSql.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

long LinesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

struct Outcome {
  bool rowsAgree = false;
  bool within = false;
};

Outcome Measure(const std::string& what, const std::vector<std::string>& search, int runs, double target) {
  const std::string folder = bench::Folder();
  std::vector<std::string> sqlArgs = search;
  sqlArgs.push_back("--sql");
  const std::string statementFile = folder + "/stream-statement.txt";
  bench::RunProcess(sqlArgs, statementFile);
  std::string statement = ReadAll(statementFile);
  while (!statement.empty() && (statement.back() == '\n' || statement.back() == '\r')) statement.pop_back();
  const std::vector<std::string> peer = {"sqlite3", "-readonly", "-csv", search[2], orbisk::TranslateJetSql(statement)};

  // The same rows on both sides (ours with its title line).
  const std::string oursOut = folder + "/stream-ours.csv", peerOut = folder + "/stream-peer.csv";
  const bench::Process first = bench::RunProcess(search, oursOut);
  bench::RunProcess(peer, peerOut);
  const long oursRows = LinesOf(oursOut) - 1, peerRows = LinesOf(peerOut);
  const double csvBytes = static_cast<double>(std::filesystem::file_size(oursOut));
  long peakKb = first.peakKb;

  bench::Pair p, cpu;
  for (int i = 0; i < runs; ++i) {
    const bench::Process ours = bench::RunProcess(search, "/dev/null");
    const bench::Process theirs = bench::RunProcess(peer, "/dev/null");
    peakKb = std::max(peakKb, ours.peakKb);
    p.ours = std::min(p.ours, ours.seconds);
    p.peer = std::min(p.peer, theirs.seconds);
    cpu.ours = std::min(cpu.ours, ours.cpuSeconds);
    cpu.peer = std::min(cpu.peer, theirs.cpuSeconds);
  }
  std::printf("rows: ours %ld, sqlite3 %ld\n", oursRows, peerRows);
  bench::Report(what.c_str(), p, target);
  // On a busy machine the processor time of each side tells more than the clock.
  bench::Report("  the same, user + system time", cpu, target);
  const double memoryRatio = peakKb * 1024.0 / csvBytes;
  std::printf("%-58s peak %7.1f MB  CSV %7.1f MB  ratio %5.2f  (target <= 1.30) %s\n",
              "  peak memory of orbisk-cli against the CSV's bytes",
              peakKb / 1024.0, csvBytes / 1048576.0, memoryRatio, memoryRatio <= 1.3 ? "ok" : "OVER");
  std::filesystem::remove(oursOut);
  std::filesystem::remove(peerOut);
  return {oursRows == peerRows && oursRows > 0, p.ours / p.peer <= target && memoryRatio <= 1.3};
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const int companies = static_cast<int>(bench::Option(argc, argv, "--companies", 1000000));
    const int runs = static_cast<int>(bench::Option(argc, argv, "--runs", 3));
    const std::string db = bench::GeneratedDirectory(companies);
    const std::string cli = bench::ProgramFolder() + "orbisk-cli";
    const std::string all = std::to_string(companies) + " companies";
    const std::vector<std::string> own = {cli, "--database", db, "search", "company", "--top", "all"};
    std::vector<std::string> byName = own;
    byName.insert(byName.end(), {"--order-by", "name"});
    const Outcome a = Measure("CSV to stdout, " + all + ", search's order, vs sqlite3 -csv", own, runs, 1.0);
    const Outcome b = Measure("CSV to stdout, " + all + ", Order By Company Name, vs sqlite3 -csv", byName, runs, 1.3);
    // Figures over target are reported, not failed; rows that disagree are a broken benchmark.
    return a.rowsAgree && b.rowsAgree ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
