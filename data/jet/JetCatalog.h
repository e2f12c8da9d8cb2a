#pragma once
// The catalog of a Jet 4 database: every object is a row of MSysObjects (whose
// definition is always on page 2), found through its indexes Id and
// ParentIdName, with its permissions as rows of MSysACEs (index ObjectId).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/jet/JetRow.h"
#include "data/jet/JetTableDef.h"

namespace orbisk::jet {

struct CatalogObject {
  int32_t id = 0;
  int32_t parentId = 0;
  int16_t type = 0;
  std::u16string name;
  std::string owner;
};

class Catalog {
 public:
  // Reads MSysObjects and MSysACEs. Throws JetError when they cannot be read.
  static Catalog Load(const PageFile& file);

  const std::vector<CatalogObject>& Objects() const { return objects_; }
  // Whether the Tables container holds an object of that name (ignoring case).
  bool HasTable(std::u16string_view name) const;
  // Throws JetError when a table of that name cannot be added: it exists
  // ("Table '<name>' already exists."), or its name cannot be indexed.
  void CheckNewTable(std::u16string_view name) const;
  // Adds the catalog rows of a new table whose definition starts on page `id`:
  // its MSysObjects row (owned like the database) and its MSysACEs rows (the
  // security ids of the Tables container, full rights), with their index
  // entries and raised row counts. `now` is the creation time (days since 1899-12-30).
  void AddTable(PageFile& file, int32_t id, std::u16string_view name, double now);

 private:
  TableInfo msysObjects_;
  RowLayout objectsLayout_;
  TableInfo msysAces_;
  RowLayout acesLayout_;
  bool hasAces_ = false;
  int32_t tablesId_ = kTablesContainerId;
  std::string ownerSid_;
  std::vector<std::string> tableSids_;
  std::vector<CatalogObject> objects_;
};

// Puts a row into a system table: on one of its data pages with room, or on a
// new page added to its usage maps. Adds an entry to each of its indexes (keys
// from RowIndexKey, which the caller has checked) and raises its row count (and
// an index's count of distinct keys when the key is new) in the definition and
// in `table`. Returns the row pointer.
uint32_t InsertSystemRow(PageFile& file, TableInfo& table, const RowLayout& layout, std::span<const Cell> cells);

}  // namespace orbisk::jet
