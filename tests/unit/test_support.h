#pragma once
// What several test files share: fresh folders under one folder of this test process, removed
// when the process ends, and payload entries laid out as the builder lays them out.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "text/FileFormat.h"

namespace setup::test {

using Bytes = std::vector<std::uint8_t>;

// A new, empty folder NAME under this process's own folder in the temporary folder. ctest runs
// every test as its own process, side by side, so the process id keeps them apart.
std::filesystem::path TempFolder(const std::string& name);

inline Bytes AsBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

inline void PutU32(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One zlib stream, at the builder's level.
inline Bytes CompressBlock(const Bytes& data) {
  uLongf size = compressBound(data.size());
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), data.size(), 1), Z_OK);
  out.resize(size);
  return out;
}

// One entry: EntryLength, BlockCount and the blocks as given.
inline Bytes EntryBytes(const std::vector<Bytes>& blocks) {
  Bytes body;
  PutU32(body, static_cast<std::uint32_t>(blocks.size()));
  for (const Bytes& block : blocks) {
    PutU32(body, static_cast<std::uint32_t>(block.size()));
    body.insert(body.end(), block.begin(), block.end());
  }
  Bytes entry;
  PutU32(entry, static_cast<std::uint32_t>(body.size()));
  entry.insert(entry.end(), body.begin(), body.end());
  return entry;
}

// The builder's rule: pieces of at most pieceSize bytes, each its own stream.
inline Bytes FileEntry(const Bytes& content, std::size_t pieceSize = kPieceSize) {
  std::vector<Bytes> blocks;
  std::size_t at = 0;
  do {
    const std::size_t size = std::min(pieceSize, content.size() - at);
    blocks.push_back(CompressBlock(Bytes(content.begin() + at, content.begin() + at + size)));
    at += size;
  } while (at < content.size());
  return EntryBytes(blocks);
}

}  // namespace setup::test
