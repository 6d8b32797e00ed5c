#pragma once
// The shape of a full-size product: 4,064 files plus the licence, 102,981,126 bytes in all,
// three empty files, 5 files of two 2,000,000-byte blocks, 1 of three, 2 of four, the largest
// 7,999,096 bytes, content that deflates at level 1 in 2,000,000-byte pieces to about 78.5 %
// as real products do. Shared by the sample generator and the benchmarks so that both measure
// the same product.
#include <charconv>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
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

// A file is a run of 4 KiB pieces of three kinds, each kind picked afresh per piece, so that a
// file of 15 KB gets the same mix as one of 8 MB. Out of every 256 pieces on average:
// media (already compressed: random bytes, stored as they are), code (machine code and
// bitmaps: skewed bytes, about 80 % at level 1), text (tables and help: words and numbers,
// about 45 %).
inline constexpr std::uint64_t kPieceBytes = 4096;
inline constexpr std::uint32_t kMediaOf256 = 85, kCodeOf256 = 72;

class ShapeRandom {
 public:
  explicit ShapeRandom(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13, state_ ^= state_ >> 17, state_ ^= state_ << 5;
    return state_;
  }

 private:
  std::uint32_t state_;
};

inline void FillMedia(char* at, char* end, ShapeRandom& random) {
  while (at < end) *at++ = static_cast<char>(random.Next());
}

// Mostly small values (opcodes, palette indexes), now and then any byte.
inline void FillCode(char* at, char* end, ShapeRandom& random) {
  while (at < end) {
    const std::uint32_t r = random.Next();
    *at++ = static_cast<char>((r & 0x300) != 0 ? r & 0x0F : r >> 24);
  }
}

inline void FillText(char* at, char* end, ShapeRandom& random) {
  static constexpr std::string_view kWords[] = {
      "veltro ", "table ", "5107 ",  "row ",   "column ", "value=", "layer ", "net ",
      "pad ",    "via ",   "track ", "width ", "\r\n",    "; ",     "0x",     "part "};
  while (at < end) {
    const std::uint32_t r = random.Next();
    char token[16];
    std::string_view word;
    if ((r & 1) != 0) {
      word = kWords[(r >> 4) & 15];
    } else {
      char* last = std::to_chars(token, token + sizeof token - 1, (r >> 8) % 100000).ptr;
      *last++ = ' ';
      word = std::string_view(token, static_cast<std::size_t>(last - token));
    }
    for (std::size_t i = 0; i < word.size() && at < end; ++i) *at++ = word[i];
  }
}

inline std::string Content(std::uint64_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  ShapeRandom random(seed);
  for (std::uint64_t at = 0; at < size; at += kPieceBytes) {
    char* begin = bytes.data() + at;
    char* end = bytes.data() + (size - at < kPieceBytes ? size : at + kPieceBytes);
    const std::uint32_t kind = random.Next() >> 24;  // 0 to 255
    if (kind < kMediaOf256) {
      FillMedia(begin, end, random);
    } else if (kind < kMediaOf256 + kCodeOf256) {
      FillCode(begin, end, random);
    } else {
      FillText(begin, end, random);
    }
  }
  return bytes;
}

}  // namespace setup::reference
