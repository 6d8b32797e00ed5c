// The reference product that the benchmarks measure: its entry sizes, and content that is
// exact in length, repeatable and compresses like a real product.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "../../sample/ReferenceShape.h"
#include "setupexe/PayloadWriter.h"

namespace setup::reference {
namespace {

using Sizes = std::vector<std::uint64_t>;

std::uint64_t Blocks(std::uint64_t size) {
  return size == 0 ? 1 : (size + kPieceSize - 1) / kPieceSize;
}

std::uint64_t CountIf(const Sizes& sizes, const std::function<bool(std::uint64_t)>& test) {
  return static_cast<std::uint64_t>(std::count_if(sizes.begin(), sizes.end(), test));
}

TEST(ReferenceShape, EntrySizesHaveTheProductsFigures) {
  const Sizes sizes = EntrySizes();
  const Sizes files(sizes.begin() + 1, sizes.end());
  struct Figure {
    const char* name;
    std::function<std::uint64_t()> measure;
    std::uint64_t expected;
  };
  const Figure figures[] = {
      {"entries", [&] { return sizes.size(); }, kFileCount + 1},
      {"licence", [&] { return sizes.front(); }, kLicenceBytes},
      {"total", [&] { return std::accumulate(sizes.begin(), sizes.end(), std::uint64_t{0}); },
       102981126},
      {"largest", [&] { return *std::max_element(files.begin(), files.end()); }, 7999096},
      {"empty", [&] { return CountIf(files, [](auto s) { return s == 0; }); }, 3},
      {"one block", [&] { return CountIf(sizes, [](auto s) { return Blocks(s) == 1; }); }, 4057},
      {"two blocks", [&] { return CountIf(files, [](auto s) { return Blocks(s) == 2; }); }, 5},
      {"three blocks", [&] { return CountIf(files, [](auto s) { return Blocks(s) == 3; }); }, 1},
      {"four blocks", [&] { return CountIf(files, [](auto s) { return Blocks(s) == 4; }); }, 2},
      {"all blocks",
       [&] {
         std::uint64_t blocks = 0;
         for (std::uint64_t s : sizes) blocks += Blocks(s);
         return blocks;
       },
       4078},
      {"exact multiples of a piece",
       [&] { return CountIf(files, [](auto s) { return s > 0 && s % kPieceSize == 0; }); }, 0},
  };
  for (const Figure& figure : figures) EXPECT_EQ(figure.measure(), figure.expected) << figure.name;
}

TEST(ReferenceShape, ContentHasTheSizeAndIsTheSameOnEveryCall) {
  const std::uint64_t sizes[] = {0, 1, 17, 4095, 4096, 4097, 14824, 2000001};
  for (std::uint64_t size : sizes) {
    const std::string first = Content(size, 7);
    EXPECT_EQ(first.size(), size);
    EXPECT_EQ(Content(size, 7), first) << size;
    if (size >= 16) {
      EXPECT_NE(Content(size, 8), first) << size;
    }
    // A longer file of the same seed starts with the same bytes.
    EXPECT_EQ(Content(size + 100, 7).substr(0, size), first) << size;
  }
}

// Every 8th file (two of them large), compressed in pieces as the builder does: the product's
// level-1 ratio of 78.5 % within a point, with each kind of piece present in small files too.
TEST(ReferenceShape, ContentCompressesLikeTheProduct) {
  const Sizes sizes = EntrySizes();
  std::uint64_t inflated = 0, compressed = 0;
  for (std::size_t i = 1; i < sizes.size(); ++i) {
    if (i % 8 != 0) continue;
    const std::string content = Content(sizes[i], static_cast<std::uint32_t>(i));
    const ByteSpan bytes(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    for (std::size_t at = 0; at < bytes.size(); at += kPieceSize) {
      const ByteSpan piece =
          bytes.subspan(at, std::min<std::size_t>(kPieceSize, bytes.size() - at));
      compressed += mksetup::CompressPiece(piece).size();
    }
    inflated += sizes[i];
  }
  const double ratio = static_cast<double>(compressed) / static_cast<double>(inflated);
  EXPECT_GT(ratio, 0.775);
  EXPECT_LT(ratio, 0.795);
}

TEST(ReferenceShape, SmallFilesMixTheKindsOfPieces) {
  // Over the small files, a piece of media deflates to its own size, a piece of text to well
  // under half: both must occur, and in the product's proportion, not by file size.
  const Sizes sizes = EntrySizes();
  std::uint64_t media = 0, text = 0, pieces = 0;
  for (std::size_t i = 12; i < sizes.size(); i += 16) {
    const std::string content = Content(sizes[i], static_cast<std::uint32_t>(i));
    for (std::size_t at = 0; at + kPieceBytes <= content.size(); at += kPieceBytes) {
      const ByteSpan piece(reinterpret_cast<const std::uint8_t*>(content.data()) + at, kPieceBytes);
      const std::size_t size = mksetup::CompressPiece(piece).size();
      media += size > kPieceBytes;
      text += size < kPieceBytes / 2;
      ++pieces;
    }
  }
  ASSERT_GT(pieces, 500u);
  const double mediaShare = static_cast<double>(media) / pieces;
  const double textShare = static_cast<double>(text) / pieces;
  const double mediaExpected = kMediaOf256 / 256.0;
  const double textExpected = (256.0 - kMediaOf256 - kCodeOf256) / 256.0;
  EXPECT_NEAR(mediaShare, mediaExpected, 0.06);
  EXPECT_NEAR(textShare, textExpected, 0.06);
}

}  // namespace
}  // namespace setup::reference
