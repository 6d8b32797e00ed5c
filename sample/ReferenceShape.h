#pragma once
// The shape of a full-size product: 4,064 files plus the licence, 102,981,126 bytes in all,
// three empty files, 5 files of two 2,000,000-byte blocks, 1 of three, 2 of four, the largest
// 7,999,096 bytes, content that deflates at level 1 to about 87 % (the mix is not tuned yet
// to the 78.5 % of real products). Shared by the sample
// generator and the benchmarks so that both measure the same product.
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace setup::reference {

inline constexpr std::uint64_t kTotalBytes = 102981126;
inline constexpr std::size_t kFileCount = 4064;
inline constexpr std::uint64_t kLicenceBytes = 1225;

// Entry sizes in payload order: the licence first, then one per file.
inline std::vector<std::uint64_t> EntrySizes() {
  std::vector<std::uint64_t> sizes{kLicenceBytes};
  const std::uint64_t big[] = {7999096, 7100000, 5300000, 3900000,
                               3800000, 3700000, 3600000, 3500000};
  sizes.insert(sizes.end(), std::begin(big), std::end(big));
  for (int i = 0; i < 3; ++i) sizes.push_back(0);
  std::uint64_t used = 0;
  for (std::uint64_t s : sizes) used += s;
  const std::uint64_t small = kFileCount - 8 - 3, rest = kTotalBytes - used;
  for (std::uint64_t i = 0; i < small; ++i) sizes.push_back(rest / small + (i < rest % small));
  return sizes;
}

// Runs of random bytes (3 of every 10 runs of 4 KiB) between text-like runs: real products mix
// compressed media with tables and text.
inline std::string Content(std::uint64_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::uint64_t i = 0; i < size; ++i) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    bytes[i] = (i / 4096) % 10 < 3 ? static_cast<char>(x) : "veltro table 5107 "[(x >> 8) % 18];
  }
  return bytes;
}

}  // namespace setup::reference
