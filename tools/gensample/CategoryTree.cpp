#include "CategoryTree.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "DirectorySink.h"
#include "SampleRandom.h"
#include "SampleWords.h"

namespace orbisk::gensample {

namespace {

// The tree's own seed: independent of the companies' seed.
constexpr uint64_t kTreeSeed = 0x0CA7E6027ull;

// Chance, in percent, that a node at a level has children of its own.
constexpr int kBranchPercent[kMaxCategoryLevel + 1] = {0, 75, 35, 12, 8, 6, 0};
// Percent of leaves that are withdrawn (IsValid "N").
constexpr int kWithdrawnPercent = 6;

std::vector<std::string_view> PickDistinct(SampleRandom& rng, std::vector<std::string_view> from, size_t count) {
  for (size_t i = 0; i + 1 < from.size(); ++i)
    std::swap(from[i], from[i + rng.Below(static_cast<uint32_t>(from.size() - i))]);
  from.resize(std::min(count, from.size()));
  return from;
}

class TreeBuilder {
 public:
  TreeBuilder(size_t sector, std::vector<LeafCategory>& leaves, std::set<std::string>& codes)
      : sector_(sector), rng_(kTreeSeed, sector, 0), leaves_(leaves), codes_(codes) {
    // Each main category has one chain of first children reaching a set
    // depth, so every depth from 1 to 6 occurs somewhere in the tree.
    forcedDepth_ = 1 + static_cast<int>(sector % kMaxCategoryLevel);
  }

  void Build() {
    const Sector& s = Sectors()[sector_];
    positions_ = {static_cast<int>(sector_) + 1};
    int position = 0;
    for (auto branch : s.branches) {
      ++position;
      Grow(position, branch, position == 1);
    }
  }

 private:
  void Grow(int position, std::string_view text, bool onForcedChain) {
    positions_.push_back(position);
    path_.push_back({CategoryCode(positions_), std::string(text)});
    if (!codes_.insert(path_.back().code).second)
      throw std::logic_error("category code " + path_.back().code + " is used twice");
    const int level = static_cast<int>(path_.size());
    bool branches = onForcedChain ? level < forcedDepth_ : rng_.Percent(kBranchPercent[level]);
    if (level < kMaxCategoryLevel && branches) {
      int child = 0;
      for (auto name : ChildNames(level)) {
        ++child;
        Grow(child, name, onForcedChain && child == 1);
      }
    } else {
      AddLeaf(onForcedChain);
    }
    path_.pop_back();
    positions_.pop_back();
  }

  std::vector<std::string_view> ChildNames(int level) {
    if (level == 1) return PickDistinct(rng_, Sectors()[sector_].topics, 2 + rng_.Below(4));
    std::vector<std::string_view> unused;
    for (auto facet : CategoryFacets())
      if (std::none_of(path_.begin(), path_.end(), [&](const CategoryLevel& l) { return l.text == facet; }))
        unused.push_back(facet);
    return PickDistinct(rng_, unused, 2 + rng_.Below(2));
  }

  void AddLeaf(bool onForcedChain) {
    LeafCategory leaf;
    leaf.code = path_.back().code;
    leaf.sector = sector_;
    leaf.path = path_;
    // A leaf is named by its path below the first level, which alone is too
    // broad to tell leaves apart: "Cheese - Manufacturing".
    std::string text = path_.size() == 1 ? path_[0].text : path_[1].text;
    for (size_t i = 2; i < path_.size(); ++i) text += " - " + path_[i].text;
    leaf.text = FitText(text, 120);
    leaf.valid = onForcedChain || !rng_.Percent(kWithdrawnPercent);
    leaves_.push_back(std::move(leaf));
  }

  size_t sector_;
  SampleRandom rng_;
  std::vector<LeafCategory>& leaves_;
  std::set<std::string>& codes_;
  int forcedDepth_;
  std::vector<int> positions_;
  std::vector<CategoryLevel> path_;
};

}  // namespace

std::string CategoryCode(const std::vector<int>& positions) {
  std::string code;
  for (size_t i = 0; i < positions.size(); ++i) {
    if (i) code += '_';
    code += std::to_string(positions[i]);
  }
  while (code.size() > kMaxCategoryCode) {
    auto last = code.rfind('_');
    if (last == std::string::npos) break;
    code.erase(last, 1);
  }
  return code;
}

CategoryTree::CategoryTree() {
  std::set<std::string> codes;
  bySector_.resize(Sectors().size());
  for (size_t s = 0; s < Sectors().size(); ++s) {
    size_t first = leaves_.size();
    TreeBuilder(s, leaves_, codes).Build();
    for (size_t i = first; i < leaves_.size(); ++i) bySector_[s].push_back(i);
  }
}

const CategoryTree& CategoryTree::Standard() {
  static const CategoryTree tree;
  return tree;
}

}  // namespace orbisk::gensample
