#pragma once
// The forward-only reader over the SetupData payload and one entry of it.
#include <cstdint>
#include <vector>

#include "platform/Bytes.h"
#include "platform/FileSystem.h"

namespace setup {

// One entry body (the bytes after EntryLength): BlockCount, then the blocks.
class PayloadEntry {
 public:
  PayloadEntry() = default;  // the empty entry: BlockCount 0
  explicit PayloadEntry(ByteSpan body) : body_(body) {}
  // Inflates every block in order and appends the output to the sink. Throws SetupError with
  // zlib's short text ("data error", "insufficient memory") or a damaged-payload message.
  void InflateTo(ByteSink& sink) const;
  ByteSpan Body() const { return body_; }

 private:
  ByteSpan body_;
};

class PayloadReader {
 public:
  explicit PayloadReader(ByteSpan resource) : data_(resource) {}
  // The next entry; an empty one when fewer than 4 bytes remain. Throws SetupError when a
  // length runs past the end of the payload.
  PayloadEntry NextEntry();
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return data_.size(); }

 private:
  ByteSpan data_;
  std::size_t position_ = 0;
};

// A sink that keeps the bytes in memory (the licence text).
class MemorySink : public ByteSink {
 public:
  void Append(const std::uint8_t* data, std::size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
  }
  std::vector<std::uint8_t> bytes;
};

}  // namespace setup
