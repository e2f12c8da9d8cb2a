#pragma once
// The XML save of a result: the whole row set the statement returned (every
// column, in the statement's order; not the calculated fields) in the rowset
// XML layout that recordset readers know.
#include <string>
#include <string_view>
#include <vector>

#include "data/Query.h"
#include "data/Progress.h"

namespace orbisk {

// Writes the file whole or not at all: an existing file of that name stays
// untouched when the new one cannot be written. Failures throw; progress
// counts the rows written, and answering false stops with ExportCancelled.
void SaveQueryAsXml(const Query& query, const std::string& fileName, const Progress& progress = {});

// Whether a column name can stand as an attribute name (an XML name without
// a colon).
bool IsXmlAttributeName(std::string_view name);
// The attribute name of each column: its own name where that is a legal,
// unused one, else "c<ordinal-1>" (the real name then goes to rs:name).
std::vector<std::string> XmlAttributeNames(const std::vector<ColumnInfo>& columns);

}  // namespace orbisk
