#pragma once
// The generator's own random numbers: xoshiro256** seeded through splitmix64.
// Only integer arithmetic, so a seed gives the same directory on every
// compiler, library and machine (std:: distributions do not promise that).
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace orbisk::gensample {

inline uint64_t SplitMix64(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

class SampleRandom {
 public:
  // One independent sequence per (seed, stream, index): every table pass and
  // every company draws from its own, so adding a column to one table does
  // not change the rows of another.
  SampleRandom(uint64_t seed, uint64_t stream, uint64_t index) {
    uint64_t mix = seed;
    uint64_t a = SplitMix64(mix) ^ stream * 0xD1342543DE82EF95ull;
    uint64_t b = SplitMix64(a) ^ index * 0x9E3779B97F4A7C15ull;
    for (auto& word : s_) word = SplitMix64(b);
  }

  uint64_t Next() {
    const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
  }

  // Uniform in [0, n); n > 0.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(((Next() >> 32) * n) >> 32); }
  // Uniform in [lo, hi].
  int Between(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<uint32_t>(hi - lo + 1))); }
  // True with a chance of `percent` in 100.
  bool Percent(int percent) { return static_cast<int>(Below(100)) < percent; }
  bool PerMille(int perMille) { return static_cast<int>(Below(1000)) < perMille; }

  // An index chosen with the given relative weights.
  size_t Weighted(std::initializer_list<int> weights) { return WeightedIndex(weights.begin(), weights.size()); }
  size_t Weighted(const std::vector<int>& weights) { return WeightedIndex(weights.data(), weights.size()); }

  template <class List>
  const auto& Pick(const List& list) {
    return list[Below(static_cast<uint32_t>(std::size(list)))];
  }

 private:
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  size_t WeightedIndex(const int* w, size_t n) {
    int total = 0;
    for (size_t i = 0; i < n; ++i) total += w[i];
    int r = static_cast<int>(Below(static_cast<uint32_t>(total)));
    for (size_t i = 0; i < n; ++i) {
      if (r < w[i]) return i;
      r -= w[i];
    }
    return n - 1;
  }

  uint64_t s_[4];
};

}  // namespace orbisk::gensample
