#include "browse/FillFieldMemo.h"

#include "strutil/TextUtil.h"

namespace orbisk {

void FillFieldMemo(const Query& query, std::vector<std::string>& lines, int minTag, bool replaceUnderscores,
                   const LabelText& labelOf) {
  std::vector<std::string> out;
  if (query.Eof() || !query.Active() || query.IsEmpty()) {
    lines = std::move(out);
    return;
  }
  for (const Field& f : query.Fields()) {
    if (f.Tag() < minTag) continue;
    std::string label = replaceUnderscores ? ReplaceAll(f.FieldName(), "_", " ") : f.FieldName();
    std::string line = (labelOf ? labelOf(label) : label) + " : " + f.AsString();
    out.emplace_back(TrimBlanks(line));
    out.emplace_back();
  }
  lines = std::move(out);
}

}  // namespace orbisk
