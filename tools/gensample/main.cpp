// orbisk-gensample: writes a deterministic sample directory of any size.
//
//   orbisk-gensample --companies N --seed S --output FILE [--format sqlite|access]
//
// The same count and seed give the same file, byte for byte. The file keeps
// whatever name it is given (the program looks for Database/corpdir.mdb and
// tells the format from the file's first bytes).
#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "AccessSink.h"
#include "SampleModel.h"
#include "SqliteSink.h"

using namespace orbisk::gensample;

namespace {

constexpr int kMaxCompanies = 5'000'000;

const char* const kUsage =
    "Usage: orbisk-gensample --companies N --seed S --output FILE [--format sqlite|access]\n"
    "Writes a sample company directory of N companies (0 to 5000000), the same for the same N and S.\n";

struct Arguments {
  SampleOptions options;
  std::string output;
  std::string format = "sqlite";
};

template <class T>
bool ParseNumber(std::string_view text, T& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Returns an error text, or an empty one when the arguments are good.
std::string Parse(int argc, char** argv, Arguments& args) {
  bool haveCompanies = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view name = argv[i];
    if (name == "--help" || name == "-h") return "help";
    if (i + 1 >= argc) return "missing value after " + std::string(name);
    std::string_view value = argv[++i];
    if (name == "--companies") {
      if (!ParseNumber(value, args.options.companies) || args.options.companies < 0 ||
          args.options.companies > kMaxCompanies)
        return "--companies wants a whole number from 0 to " + std::to_string(kMaxCompanies) + ", not '" +
               std::string(value) + "'";
      haveCompanies = true;
    } else if (name == "--seed") {
      if (!ParseNumber(value, args.options.seed)) return "--seed wants a whole number, not '" + std::string(value) + "'";
    } else if (name == "--output") {
      args.output = value;
    } else if (name == "--format") {
      args.format = value;
      if (args.format != "sqlite" && args.format != "access")
        return "--format is sqlite or access, not '" + args.format + "'";
    } else {
      return "unknown option " + std::string(name);
    }
  }
  if (!haveCompanies) return "--companies is required";
  if (args.output.empty()) return "--output is required";
  return {};
}

std::unique_ptr<DirectorySink> MakeSink(const Arguments& args) {
  if (args.format == "access") return std::make_unique<AccessSink>(args.output);
  return std::make_unique<SqliteSink>(args.output);
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  std::string error = Parse(argc, argv, args);
  if (error == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!error.empty()) {
    std::fprintf(stderr, "orbisk-gensample: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  try {
    auto sink = MakeSink(args);
    SampleCounts n = GenerateDirectory(args.options, *sink);
    std::printf("%s: %lld companies, %lld contacts, %lld products and services, %lld category assignments, "
                "%lld main and %lld leaf categories\n",
                args.output.c_str(), static_cast<long long>(n.companies), static_cast<long long>(n.contacts),
                static_cast<long long>(n.products), static_cast<long long>(n.assignments),
                static_cast<long long>(n.mainCategories), static_cast<long long>(n.leafCategories));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orbisk-gensample: %s\n", e.what());
    return 1;
  }
}
