#include "search/CategoryCondition.h"

#include "strutil/TextUtil.h"

namespace orbisk {

std::string MainCategorySelection(std::string_view code) { return " MainCat_Code='" + DoubleQuotes(code) + "'"; }

std::string SubCategorySelection(std::string_view code) { return " SubCat_Code='" + DoubleQuotes(code) + "'"; }

std::string CategoryConditionText(std::string_view selection) {
  return " Company_ID in (select Company_ID from Company_SubCat where " + std::string(selection) + ")";
}

std::string SubCategoryText(std::string_view mainName, std::string_view leafText) {
  return std::string(mainName) + "/" + std::string(leafText);
}

}  // namespace orbisk
