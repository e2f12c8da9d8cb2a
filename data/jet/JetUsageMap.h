#pragma once
// Usage maps: the rows that list the pages a table, an index or a long-value
// column owns (or owns with free space), and the global map of free pages on
// page 1. A map row is either inline (type 0: start page + bitmap) or a
// reference (type 1: pointers to type-5 pages, each a bitmap of 32,736 pages).
#include <cstdint>
#include <vector>

#include "data/jet/JetPageFile.h"

namespace orbisk::jet {

// Pages listed by the usage-map row at `rowPointer`, in ascending order.
std::vector<uint32_t> ReadUsageMap(const PageFile& file, uint32_t rowPointer);

// Rewrites the usage-map row at `rowPointer` in place so that it lists exactly
// `pages` (ascending). The row stays inline while the pages fit its range and
// becomes a reference map otherwise; type-5 pages are allocated as needed.
void WriteUsageMap(PageFile& file, uint32_t rowPointer, const std::vector<uint32_t>& pages);

// Adds pages to the map at `rowPointer`.
void AddToUsageMap(PageFile& file, uint32_t rowPointer, const std::vector<uint32_t>& pages);

// An empty inline usage-map row (69 bytes) as a new table gets them.
std::string EmptyUsageMapRow();

// Takes a page out of the global map of free pages (row 0 of page 1). Pages
// the map does not cover are never listed as free, so they need nothing.
void MarkPageUsed(PageFile& file, uint32_t page);

}  // namespace orbisk::jet
