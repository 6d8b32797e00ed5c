#include "payload/PayloadReader.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "payload/CountedBytes.h"
#include "platform/Error.h"
#include "text/FileFormat.h"

namespace setup {
namespace {

// Larger writes gain nothing: writing the reference product's files under Wine on tmpfs took
// the same in 64 KiB, 256 KiB or 2,000,000-byte calls, with or without SetEndOfFile of the final
// size first, and most files are smaller than one buffer anyway. A block inflated whole reaches
// the sink in the same steps, so a sink sees the same calls whichever inflater made the bytes.
constexpr std::size_t kOutputBufferSize = 64 * 1024;
// The builder's piece size: every block mksetup writes inflates whole into this buffer; a block
// that inflates to more goes to zlib in steps, so the buffer never grows with the payload.
constexpr std::size_t kWholeBlockSize = kPieceSize;
// One give-back call per megabyte of payload, not per entry: 4,000 small files cost ~80 calls.
constexpr std::size_t kGiveBackStep = 1 << 20;

// libdeflate inflates each block whole; zlib inflates again, from the block's start, any block
// libdeflate refuses, so that every error, and what reached the sink before it, is zlib's.
// One per thread, kept for the next entry: its buffer is allocated once, not per file.
class Inflater {
 public:
  Inflater() = default;
  ~Inflater() {
    if (streamReady_) inflateEnd(&stream_);
    if (decompressor_ != nullptr) libdeflate_free_decompressor(decompressor_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Inflates one whole zlib stream into the sink. offset: the block's place, for the message.
  void InflateBlock(ByteSpan block, std::size_t offset, ByteSink& sink) {
    AllocateOutput();
    if (InflateWhole(block, sink)) return;
    InflateInSteps(block, offset, sink);
  }

 private:
  void AllocateOutput() {
    if (output_) return;
    try {
      output_ = std::make_unique_for_overwrite<Bytef[]>(kWholeBlockSize);
      outputSize_ = kWholeBlockSize;
      decompressor_ = libdeflate_alloc_decompressor();
      return;
    } catch (const std::bad_alloc&) {
    }
    // Short of two megabytes: zlib alone, in the buffer it always had.
    try {
      output_ = std::make_unique_for_overwrite<Bytef[]>(kOutputBufferSize);
      outputSize_ = kOutputBufferSize;
    } catch (const std::bad_alloc&) {
      throw SetupError(zError(Z_MEM_ERROR));
    }
  }

  // False, with nothing written, for any block libdeflate does not inflate whole with a matching
  // header and Adler-32 (bytes after the stream are ignored, as zlib ignores them).
  bool InflateWhole(ByteSpan block, ByteSink& sink) {
    if (decompressor_ == nullptr) return false;
    std::size_t used = 0, produced = 0;
    if (libdeflate_zlib_decompress_ex(decompressor_, block.data(), block.size(), output_.get(),
                                      outputSize_, &used, &produced) != LIBDEFLATE_SUCCESS) {
      return false;
    }
    for (std::size_t at = 0; at < produced; at += kOutputBufferSize)
      sink.Append(output_.get() + at, std::min(kOutputBufferSize, produced - at));
    return true;
  }

  void InflateInSteps(ByteSpan block, std::size_t offset, ByteSink& sink) {
    if (!streamReady_) {
      const int result = inflateInit(&stream_);
      if (result != Z_OK) throw SetupError(zError(result));
      streamReady_ = true;
    } else if (inflateReset(&stream_) != Z_OK) {
      throw SetupError(zError(Z_STREAM_ERROR));
    }
    stream_.next_in = const_cast<Bytef*>(block.data());
    stream_.avail_in = static_cast<uInt>(block.size());
    for (;;) {
      stream_.next_out = output_.get();
      stream_.avail_out = kOutputBufferSize;
      const int result = inflate(&stream_, Z_NO_FLUSH);
      const std::size_t produced = kOutputBufferSize - stream_.avail_out;
      if (produced > 0) sink.Append(output_.get(), produced);
      if (result == Z_STREAM_END) return;
      if (result == Z_NEED_DICT) throw SetupError(zError(Z_DATA_ERROR));
      if (result == Z_BUF_ERROR || (result == Z_OK && stream_.avail_in == 0 && produced == 0)) {
        throw SetupError("The setup data is damaged (block at byte " + std::to_string(offset) +
                         " ends before its zlib stream does)");
      }
      if (result != Z_OK) throw SetupError(zError(result));
    }
  }

  std::unique_ptr<Bytef[]> output_;
  std::size_t outputSize_ = 0;
  libdeflate_decompressor* decompressor_ = nullptr;
  z_stream stream_{};
  bool streamReady_ = false;
};

Inflater& ThisThreadsInflater() {
  thread_local Inflater inflater;
  return inflater;
}

}  // namespace

void PayloadEntry::InflateTo(ByteSink& sink) const {
  if (!present_) return;  // the empty entry
  CountedBytesReader reader(body_, offset_);
  const std::uint32_t blockCount = reader.ReadCount("block count");
  if (blockCount == 0) return;
  Inflater& inflater = ThisThreadsInflater();
  for (std::uint32_t i = 0; i < blockCount; ++i) {
    const std::size_t blockOffset = offset_ + reader.Position();
    const ByteSpan block = reader.ReadCountedBytes("block");
    inflater.InflateBlock(block, blockOffset, sink);
    if (reader_ != nullptr) reader_->ReadUpTo(offset_ + reader.Position());
  }
}

void PayloadReader::ReadUpTo(std::size_t end) {
  end = std::min(end, position_);
  if (owner_ == nullptr || end < givenBack_ || end - givenBack_ < kGiveBackStep) return;
  owner_->GiveBack(data_.subspan(givenBack_, end - givenBack_));
  givenBack_ = end;
}

PayloadEntry PayloadReader::NextEntry() {
  ReadUpTo(position_);
  if (data_.size() - position_ < 4) return PayloadEntry();
  CountedBytesReader reader(data_.subspan(position_), position_);
  const ByteSpan body = reader.ReadCountedBytes("entry");
  const PayloadEntry entry(body, position_ + 4, this);
  position_ += reader.Position();
  return entry;
}

std::unique_ptr<PayloadReader> OpenPayload(Resources& resources) {
  const std::optional<ByteSpan> payload = resources.FindRcData(kPayloadResource);
  if (!payload) throw SetupError(std::string("Resource ") + kPayloadResource + " not found");
  return std::make_unique<PayloadReader>(*payload, &resources);
}

void MemorySink::Append(const std::uint8_t* data, std::size_t size) {
  try {
    bytes.insert(bytes.end(), data, data + size);
  } catch (const std::bad_alloc&) {
    throw SetupError("Out of memory while expanding memory stream");
  }
}

}  // namespace setup
