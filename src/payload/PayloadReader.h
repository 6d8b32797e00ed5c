#pragma once
// The forward-only reader over the SetupData payload and one entry of it.
//
// Format: entries back to back, each a u32 little-endian EntryLength and that many body bytes;
// a body is a u32 BlockCount and that many blocks; a block is a u32 BlockLength and one complete
// zlib stream. Every length and count is read as a signed 32-bit value.
//
// Choices where the format leaves the reader free:
// - The resource and the entries are spans over the loaded image: nothing is copied.
// - NextEntry with fewer than 4 bytes left gives the empty entry (BlockCount 0) and does not move.
//   An entry whose body is too short for its BlockCount is damaged.
// - A length or count past the bytes that are left, or over 2147483647, is a damaged payload:
//   SetupError "The setup data is damaged (... at byte N ...)", N counted from the payload's
//   start. Nothing is ever read past a span.
// - Inflation errors carry zlib's short text for the return code (zError: "data error",
//   "insufficient memory"); a preset-dictionary header, which no stored stream has, is "data
//   error" as well.
// - A block whose zlib stream is not finished when its bytes are used up is damaged:
//   "The setup data is damaged (block at byte N ends before its zlib stream does)". The bytes
//   inflated before that have reached the sink.
// - Bytes after the end of a block's zlib stream, and after the last block of an entry, are
//   ignored.
// - Each block is inflated whole by libdeflate into one buffer of kPieceSize bytes per thread,
//   kept from entry to entry, and reaches the sink from there in the 64 KiB steps zlib writes
//   in. A block libdeflate refuses (header, data, Adler-32, output over the buffer) is inflated
//   again from its start by zlib, straight to the sink, so every error and the bytes written
//   before it are zlib's; an undamaged payload from mksetup never needs it. Why libdeflate:
//   it takes half zlib's time over the same blocks, and inflating is much of a run (the reference
//   product's CPU: mksetup run 0.74 -> 0.52 s, the engine program under 64-bit Wine 1.28 ->
//   0.94 s), for 11 KB of stub. Why zlib behind it: its errors are the ones users were shown.
//   Where the two differ: libdeflate reads the distance codes 30 and 31 as 29 and the length
//   codes 286 and 287 as 285, which zlib refuses, so a block damaged in just such a code (a bit
//   of a fixed-code block, 3 in 200,000 random flips) installs its original bytes where zlib
//   said "data error". Other damage libdeflate gets through changes the bytes, and the Adler-32
//   sends the block to zlib.
// - What is read is done with: once a megabyte of it has gathered, the reader hands it to
//   Resources::GiveBack, so memory stays flat however large the payload and its files. That is
//   the entries before the one asked for, and of an entry being inflated the blocks it has
//   inflated (a file of a gigabyte must not hold a gigabyte of the image). A block is handed back
//   only once it is wholly inflated, so that zlib can inflate it again from its start; an entry
//   is inflated once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Resources.h"
#include "text/Bytes.h"

namespace setup {

class PayloadReader;

// One entry body (the bytes after EntryLength): BlockCount, then the blocks.
class PayloadEntry {
 public:
  PayloadEntry() = default;  // the empty entry: BlockCount 0
  // offset: where the body starts in the payload, for the messages and the give-back; reader:
  // where the blocks inflated are reported as read, none for a body on its own.
  explicit PayloadEntry(ByteSpan body, std::size_t offset = 0, PayloadReader* reader = nullptr)
      : body_(body), offset_(offset), present_(true), reader_(reader) {}
  // Inflates every block in order and appends the output to the sink. Throws SetupError with
  // zlib's short text ("data error", "insufficient memory") or a damaged-payload message.
  void InflateTo(ByteSink& sink) const;
  ByteSpan Body() const { return body_; }

 private:
  ByteSpan body_;
  std::size_t offset_ = 0;
  bool present_ = false;  // false for the empty entry; a present body needs its BlockCount
  PayloadReader* reader_ = nullptr;
};

class PayloadReader {
 public:
  // owner: where consumed bytes are given back; none for a span the caller holds itself.
  explicit PayloadReader(ByteSpan resource, Resources* owner = nullptr)
      : data_(resource), owner_(owner) {}
  // The next entry; an empty one when fewer than 4 bytes remain. Throws SetupError when a
  // length runs past the end of the payload.
  PayloadEntry NextEntry();
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return data_.size(); }
  // The payload's bytes before end are read and will not be read again: handed to the owner
  // once a megabyte has gathered. end never goes past the entry last returned.
  void ReadUpTo(std::size_t end);

 private:
  ByteSpan data_;
  Resources* owner_ = nullptr;
  std::size_t position_ = 0;
  std::size_t givenBack_ = 0;  // bytes from the start already handed to owner_
};

// The reader over the RCDATA resource "SetupData", at position 0. Throws
// SetupError("Resource SetupData not found") when the module has no such resource.
std::unique_ptr<PayloadReader> OpenPayload(Resources& resources);

// A sink that keeps the bytes in memory (the licence text). Throws
// SetupError("Out of memory while expanding memory stream") when the buffer cannot grow.
class MemorySink : public ByteSink {
 public:
  void Append(const std::uint8_t* data, std::size_t size) override;
  std::vector<std::uint8_t> bytes;
};

}  // namespace setup
