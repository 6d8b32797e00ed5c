#pragma once
// The writing side of the payload container: one entry per source, each cut into pieces of
// kPieceSize bytes, each piece one zlib stream whose header is 78 01 whatever the level.
#include <cstdint>
#include <optional>
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

// mksetup build --compression: how hard each piece is compressed. The stream's format is the same
// for all of them, so the setup reads each alike.
enum class Compression { Fast, Small, Smallest };

// "fast", "small", "smallest"; nothing for any other word.
std::optional<Compression> ParseCompression(const std::string& name);
const char* CompressionName(Compression compression);

// One piece compressed by itself: a zlib stream (header 78 01, raw deflate, 32 KiB window, no
// dictionary, Adler-32). The same piece and level give the same bytes on every call; a zero-byte
// piece is the 8-byte stream 78 01 03 00 00 00 00 01 at every level.
std::vector<std::uint8_t> CompressPiece(ByteSpan piece,
                                        Compression compression = Compression::Fast);

// The whole entry (EntryLength, BlockCount, the blocks). A zero-byte source is one empty piece.
// Throws ToolError when the file cannot be read or is not the measured size.
std::vector<std::uint8_t> BuildEntry(const PayloadSource& source,
                                     Compression compression = Compression::Fast);

// Where WritePayload puts the payload: bytes appended in order, and an entry's length written
// over its placeholder once its last block is out, so that no entry is held whole.
class PayloadOutput {
 public:
  virtual ~PayloadOutput() = default;
  virtual void Append(const std::uint8_t* data, std::size_t size) = 0;
  virtual void Patch(std::uint64_t offset, const std::uint8_t* data, std::size_t size) = 0;
  // Told after entry index (of the sources) is complete, in order.
  virtual void EntryWritten(std::size_t /*index*/) {}
};

struct PayloadOptions {
  Compression compression = Compression::Fast;
  unsigned workers = 0;  // compressing threads; 0: one per core
};

// Writes the entries in order. The pieces are read and compressed by a fixed pool of workers,
// a few pieces' worth of bytes ahead per worker at most, whatever the files' sizes; the bytes do
// not depend on the number of workers or their timing. Throws ToolError (the first failing entry's,
// in payload order) when a source cannot be read or changed its size, or when the payload would
// pass 2,147,483,647 bytes.
PayloadSummary WritePayload(const std::vector<PayloadSource>& sources,
                            const PayloadOptions& options, PayloadOutput& out);

}  // namespace setup::mksetup
