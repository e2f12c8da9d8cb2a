#pragma once
// The sample directory as rows: companies with their contacts, products and
// category assignments, and the category tree. The rows depend only on the
// company count and the seed; the sink decides the file format.
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "DirectorySink.h"

namespace orbisk::gensample {

struct SampleOptions {
  int companies = 2000;
  uint64_t seed = 1;
};

struct SampleCounts {
  int64_t companies = 0, contacts = 0, products = 0, assignments = 0, mainCategories = 0, leafCategories = 0;
};

// The (table, column) pairs of the directory that get an index (IsIndexedColumn).
std::vector<std::pair<const SchemaTable*, std::string_view>> IndexedColumns();

// Produces every table of the directory into the sink, then the indexes, then
// finishes the sink.
SampleCounts GenerateDirectory(const SampleOptions& options, DirectorySink& sink);

}  // namespace orbisk::gensample
