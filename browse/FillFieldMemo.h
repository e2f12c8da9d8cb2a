#pragma once
// The label-and-value text of one query row, as the details and contact windows show it.
#include <functional>
#include <string>
#include <vector>

#include "data/Query.h"

namespace orbisk {

// Replaces `lines` with one "label : value" line per field of the current row
// whose tag is at least `minTag`, each followed by an empty line. The label is
// the field name, its underscores turned into blanks when asked. Each line is
// trimmed of blanks and control characters at both ends, so an empty value
// leaves "label :". Nothing at the end of the data (closed or empty query).
// `labelOf`, when given, turns each label into the one shown (the windows'
// own language).
using LabelText = std::function<std::string(const std::string& label)>;
void FillFieldMemo(const Query& query, std::vector<std::string>& lines, int minTag, bool replaceUnderscores,
                   const LabelText& labelOf = {});

}  // namespace orbisk
