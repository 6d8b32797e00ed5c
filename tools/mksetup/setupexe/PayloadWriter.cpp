#include "PayloadWriter.h"

#include <zlib.h>

#include <cstdio>
#include <deque>
#include <future>
#include <memory>

#include "io/ToolError.h"

namespace setup::mksetup {
namespace {

constexpr int kLevel = 1, kWindowBits = 15, kMemLevel = 8;

void AppendU32(std::vector<std::uint8_t>& out, std::uint64_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void AppendBlock(std::vector<std::uint8_t>& entry, ByteSpan piece) {
  const std::vector<std::uint8_t> stream = CompressPiece(piece);
  AppendU32(entry, stream.size());
  entry.insert(entry.end(), stream.begin(), stream.end());
}

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

}  // namespace

std::vector<std::uint8_t> CompressPiece(ByteSpan piece) {
  z_stream stream{};
  if (deflateInit2(&stream, kLevel, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw ToolError("zlib cannot start a stream");
  }
  std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(piece.size())));
  stream.next_in = const_cast<Bytef*>(piece.data());
  stream.avail_in = static_cast<uInt>(piece.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw ToolError("zlib cannot compress a piece");
  return out;
}

std::vector<std::uint8_t> BuildEntry(const PayloadSource& source) {
  std::vector<std::uint8_t> entry(8);  // EntryLength and BlockCount, filled in at the end
  std::uint64_t blocks = 0;
  if (source.path.empty()) {
    std::size_t at = 0;
    do {
      const std::size_t size = std::min<std::size_t>(kPieceSize, source.bytes.size() - at);
      AppendBlock(entry, ByteSpan(source.bytes).subspan(at, size));
      at += size;
      ++blocks;
    } while (at < source.bytes.size());
  } else {
    FilePtr file(std::fopen(source.path.c_str(), "rb"), &std::fclose);
    if (!file) throw ToolError(source.what, "cannot read " + source.path);
    std::vector<std::uint8_t> piece(kPieceSize);
    std::uint64_t total = 0;
    do {
      const std::size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
      if (std::ferror(file.get())) throw ToolError(source.what, "cannot read " + source.path);
      total += got;
      if (got == 0 && blocks > 0) break;
      AppendBlock(entry, ByteSpan(piece).first(got));
      ++blocks;
      if (got < piece.size()) break;
    } while (true);
    if (total != source.size) {
      throw ToolError(source.what, source.path + " changed its size during the build");
    }
  }
  if (entry.size() - 4 > kLargestCount) {
    throw ToolError(source.what, "compresses to more than 2,147,483,647 bytes");
  }
  PutU32(entry, 0, entry.size() - 4);
  PutU32(entry, 4, blocks);
  return entry;
}

PayloadSummary WritePayload(const std::vector<PayloadSource>& sources,
                            const std::function<void(const std::uint8_t*, std::size_t)>& write) {
  PayloadSummary summary;
  auto emit = [&](const std::vector<std::uint8_t>& entry, const PayloadSource& source) {
    summary.payloadBytes += entry.size();
    if (summary.payloadBytes > kLargestCount) {
      throw ToolError(source.what, "the payload passes 2,147,483,647 bytes here");
    }
    write(entry.data(), entry.size());
    ++summary.entries;
    summary.blocks +=
        entry[4] | entry[5] << 8 | entry[6] << 16 | static_cast<std::uint64_t>(entry[7]) << 24;
    summary.inflatedBytes += source.path.empty() ? source.bytes.size() : source.size;
  };
  // Entries are compressed ahead on a second thread and written in order: at most two whole
  // compressed entries are held at once.
  std::deque<std::pair<std::future<std::vector<std::uint8_t>>, const PayloadSource*>> pending;
  for (const PayloadSource& source : sources) {
    pending.emplace_back(std::async(std::launch::async, BuildEntry, std::cref(source)), &source);
    if (pending.size() < 2) continue;
    emit(pending.front().first.get(), *pending.front().second);
    pending.pop_front();
  }
  for (auto& [entry, source] : pending) emit(entry.get(), *source);
  return summary;
}

}  // namespace setup::mksetup
