#pragma once
// Index pages. An index is a tree: leaf pages (type 4) hold one entry per row,
// node pages (type 3) one entry per child page, namely the child's last entry
// followed by the child's page number. An entry is, per key column, 7F and the
// encoded value, then the row's page (3 bytes, big-endian) and row number.
// Entries sort by their bytes. Page header: free space at 2, owning TDEF page
// at 4, previous/next page of the same level at 12/16, tail page at 20,
// shared-prefix length at 24, a bitmap of entry starts at 27, entries from 0x1E0.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/jet/JetRow.h"
#include "data/jet/JetTableDef.h"

namespace orbisk::jet {

// Key of a Long column: big-endian with the sign bit flipped.
void AppendLongKey(std::string& entry, int32_t value);
// Key of a Text column in the "General" sort order. Only letters, digits, the
// underscore and the blank have known codes; returns false for anything else.
bool AppendTextKey(std::string& entry, std::u16string_view text);
// The key of a row for `index` of `table` (cells by column number), without the
// row pointer; nullopt when a value has no known key code. Throws JetError for
// descending indexes and key columns of other types than Long, Integer, Text.
std::optional<std::string> RowIndexKey(const TableInfo& table, const RealIndexInfo& index,
                                       std::span<const Cell> cells);
// The row an entry points to.
void AppendRowPointer(std::string& entry, uint32_t page, int row);

// Every entry of a leaf or node page, with the shared prefix put back.
std::vector<std::string> ReadIndexPage(const Page& page);
// The leaf entries of a whole tree, in order, starting from its root page.
std::vector<std::string> ReadIndexEntries(const PageFile& file, uint32_t root);

// Writes `entries` (which must fit) as the content of an index page of `type`.
void WriteIndexPage(Page& page, PageType type, uint32_t tdefPage, const std::vector<std::string>& entries,
                    uint32_t prev, uint32_t next);

// Adds `entry` to the tree of `index` of `table`: walks node pages down to the
// leaf, splits pages that overflow (a split root becomes a node over two new
// pages, so the root page never moves) and records new pages in the index's
// usage map. Returns whether the entry's key was new to its leaf.
bool InsertIndexEntry(PageFile& file, const TableInfo& table, const RealIndexInfo& index, const std::string& entry);

}  // namespace orbisk::jet
