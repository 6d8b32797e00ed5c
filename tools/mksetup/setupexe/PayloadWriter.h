#pragma once
// The writing side of the payload container: one entry per source, each cut into
// pieces of kPieceSize bytes, each piece one zlib stream at the fastest level (header 78 01).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "text/Bytes.h"
#include "text/FileFormat.h"

namespace setup::mksetup {

// The content of one entry: a file read piece by piece, or bytes in memory (the licence).
struct PayloadSource {
  std::string path;  // a file when not empty
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;  // the file's size as measured before the build
  std::string what;        // names the source in messages ("script:12 (%SDM.DAT)")
};

struct PayloadSummary {
  std::uint64_t entries = 0;
  std::uint64_t blocks = 0;
  std::uint64_t inflatedBytes = 0;
  std::uint64_t payloadBytes = 0;
};

// One piece compressed by itself: deflate, 32 KiB window, level 1, no dictionary.
std::vector<std::uint8_t> CompressPiece(ByteSpan piece);

// The whole entry (EntryLength, BlockCount, the blocks). A zero-byte source is one empty piece.
// Throws ToolError when the file cannot be read or is not the measured size.
std::vector<std::uint8_t> BuildEntry(const PayloadSource& source);

// Writes the entries in order through write; two entries are compressed at once on two cores.
// Throws ToolError when the payload would pass 2,147,483,647 bytes.
PayloadSummary WritePayload(const std::vector<PayloadSource>& sources,
                            const std::function<void(const std::uint8_t*, std::size_t)>& write);

}  // namespace setup::mksetup
