#pragma once
// A new, empty Access 2000 database laid out as the Jet engine itself creates
// one, in 16 pages:
//   0 header, 1 global usage map, 2-5 definitions of MSysObjects, MSysACEs,
//   MSysQueries and MSysRelationships, 6 their usage maps, 7-13 their index
//   leaves, 14 the MSysObjects rows (the containers Tables, Databases and
//   Relationships, MSysDb and the four system tables), 15 the MSysACEs rows.
#include "data/jet/JetPageFile.h"

namespace orbisk::jet {

// `now`: the creation time in days since 1899-12-30.
PageFile BuildEmptyDatabase(double now);

// The current local time in days since 1899-12-30.
double CurrentOleDate();

}  // namespace orbisk::jet
