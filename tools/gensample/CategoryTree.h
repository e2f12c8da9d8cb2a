#pragma once
// The industry category tree: the main categories are the sectors, below each
// one to six levels of sub-categories. Only the leaves are stored, each with its
// whole path. The tree is the same in every generated directory, whatever the
// seed, as a real directory keeps its taxonomy while its companies change.
#include <string>
#include <vector>

namespace orbisk::gensample {

struct CategoryLevel {
  std::string code;
  std::string text;
};

struct LeafCategory {
  std::string code;                 // SubCat_Code: the code of its own level
  std::string text;                 // SubCat_Text
  bool valid = true;                // IsValid "Y"; a few leaves are withdrawn
  size_t sector = 0;                // index into Sectors()
  std::vector<CategoryLevel> path;  // levels 1..depth; the last is the leaf
  int Level() const { return static_cast<int>(path.size()); }
};

// Deepest level below a main category.
constexpr int kMaxCategoryLevel = 6;
// Codes are held in text(10) columns.
constexpr size_t kMaxCategoryCode = 10;

// "12_3_2_1": the main category's number, then the position at each level,
// joined by "_". Where that is longer than kMaxCategoryCode the separators are
// dropped from the deepest end; positions below the first level stay under 10,
// so a code still names one node.
std::string CategoryCode(const std::vector<int>& positions);

class CategoryTree {
 public:
  static const CategoryTree& Standard();
  const std::vector<LeafCategory>& Leaves() const { return leaves_; }
  // Indexes into Leaves() of the leaves of one sector.
  const std::vector<size_t>& LeavesOf(size_t sector) const { return bySector_[sector]; }

 private:
  CategoryTree();
  std::vector<LeafCategory> leaves_;
  std::vector<std::vector<size_t>> bySector_;
};

}  // namespace orbisk::gensample
