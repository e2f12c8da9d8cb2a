#pragma once
// Translation of the Jet SQL dialect of our statements into SQLite. It works on
// tokens and never touches the inside of quoted literals or bracketed names.
//   select top N ...   ->  select ... LIMIT N   (per select, sub-selects too)
// Bracketed names and :name parameters are understood by SQLite as they are.
#include <string>
#include <string_view>

namespace orbisk {

std::string TranslateJetSql(std::string_view sql);

}  // namespace orbisk
