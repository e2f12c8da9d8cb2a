#pragma once
// The texts of a category choice: the fragment naming one main or leaf
// category, and the sub-select that restricts a search to its companies.
#include <string>
#include <string_view>

namespace orbisk {

// " MainCat_Code='code'" (leading blank). A quote inside the code is doubled
// so that no stored code can end the literal early.
std::string MainCategorySelection(std::string_view code);
// " SubCat_Code='code'" (leading blank), quotes doubled the same way.
std::string SubCategorySelection(std::string_view code);
// " Company_ID in (select Company_ID from Company_SubCat where <selection>)".
std::string CategoryConditionText(std::string_view selection);
// "<main name>/<leaf text>": how a leaf choice reads in the search panel.
std::string SubCategoryText(std::string_view mainName, std::string_view leafText);

}  // namespace orbisk
