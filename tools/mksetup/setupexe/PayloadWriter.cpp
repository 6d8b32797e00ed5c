#include "PayloadWriter.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>
#include <zopfli/deflate.h>
#include <zopfli/zopfli.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "io/ToolError.h"

namespace setup::mksetup {
namespace {

// libdeflate's levels: 1 is its fastest, 12 its smallest.
constexpr int kFastLevel = 1, kSmallLevel = 12;

// zopfli's part: it keeps a match cache of some 28 bytes per input byte of the part it works on,
// 28 MB for its own part of 1,000,000 bytes, once per worker. Parts of 250,000 bytes keep a
// worker under 8 MB and lose nothing here (zopfli splits each part into at most 15 deflate
// blocks, and the products' files change their kind more often than that). One iteration: 15,
// zopfli's default, took 2.2 times as long for 0.2 % fewer bytes on the products measured.
constexpr std::size_t kZopfliPart = 250000;
constexpr int kZopfliIterations = 1;

// The zlib header every block starts with: deflate, 32 KiB window, no dictionary, level bits
// "fastest", whatever the level used (the inflater does not read them; the format fixes them).
constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x01};
// A zero-byte piece, at every level: one final fixed-code block holding only its end code, then
// the Adler-32 of nothing. The container fixes these 8 bytes for an empty file; libdeflate alone
// would write an empty stored block, 3 bytes longer.
constexpr std::uint8_t kEmptyStream[8] = {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};

// How far the readers may run ahead of the writer: the input bytes of the pieces submitted but
// not yet written, per worker. Four whole pieces keep every worker busy behind one slow piece
// at the head and bound memory whatever the files' sizes; the count bounds a run of small files.
constexpr std::uint64_t kBytesAheadPerWorker = 4ull * kPieceSize;
constexpr std::size_t kPiecesAheadPerWorker = 32;

void AppendU32(std::vector<std::uint8_t>& out, std::uint64_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutU32(std::uint8_t* out, std::uint64_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t SizeOf(const PayloadSource& source) {
  return source.path.empty() ? source.bytes.size() : source.size;
}

std::uint32_t PieceCount(std::uint64_t size) {
  return size == 0 ? 1 : static_cast<std::uint32_t>((size + kPieceSize - 1) / kPieceSize);
}

// Compresses pieces one after the other with the state of its level kept between them.
class PieceCompressor {
 public:
  explicit PieceCompressor(Compression compression)
      : compression_(compression),
        deflater_(libdeflate_alloc_compressor(compression == Compression::Fast ? kFastLevel
                                                                               : kSmallLevel)) {
    if (deflater_ == nullptr) throw ToolError("libdeflate cannot start a compressor");
  }
  ~PieceCompressor() { libdeflate_free_compressor(deflater_); }
  PieceCompressor(const PieceCompressor&) = delete;
  PieceCompressor& operator=(const PieceCompressor&) = delete;

  std::vector<std::uint8_t> Compress(ByteSpan piece) {
    if (piece.empty()) return {std::begin(kEmptyStream), std::end(kEmptyStream)};
    raw_.resize(libdeflate_deflate_compress_bound(deflater_, piece.size()));
    const std::size_t size = libdeflate_deflate_compress(deflater_, piece.data(), piece.size(),
                                                         raw_.data(), raw_.size());
    if (size == 0) throw ToolError("libdeflate cannot compress a piece");
    ByteSpan deflated(raw_.data(), size);
    // smallest: zopfli's stream where it is shorter; on a tie libdeflate's, so the choice
    // depends on the bytes alone.
    std::unique_ptr<std::uint8_t, void (*)(void*)> zopfli(nullptr, std::free);
    if (compression_ == Compression::Smallest) {
      ZopfliOptions options;
      ZopfliInitOptions(&options);
      options.numiterations = kZopfliIterations;
      unsigned char bit = 0, *out = nullptr;
      std::size_t outSize = 0;
      std::size_t at = 0;
      do {
        const std::size_t end = std::min(piece.size(), at + kZopfliPart);
        ZopfliDeflatePart(&options, 2, end == piece.size(), piece.data(), at, end, &bit, &out,
                          &outSize);
        at = end;
      } while (at < piece.size());
      zopfli.reset(out);
      if (outSize < size) deflated = ByteSpan(out, outSize);
    }
    std::vector<std::uint8_t> stream(sizeof kZlibHeader + deflated.size() + 4);
    std::copy(std::begin(kZlibHeader), std::end(kZlibHeader), stream.begin());
    std::copy(deflated.begin(), deflated.end(), stream.begin() + sizeof kZlibHeader);
    const std::uint32_t adler = libdeflate_adler32(1, piece.data(), piece.size());
    for (std::size_t i = 0; i < 4; ++i) {
      stream[stream.size() - 4 + i] = static_cast<std::uint8_t>(adler >> (24 - 8 * i));
    }
    return stream;
  }

 private:
  Compression compression_;
  libdeflate_compressor* deflater_;
  std::vector<std::uint8_t> raw_;  // the deflate stream before it is wrapped
};

// One piece of one entry: where it lies in its source, and once a worker is done with it, its
// zlib stream or why it could not be made.
struct Piece {
  const PayloadSource* source = nullptr;
  std::uint32_t index = 0, count = 0;  // of the entry's pieces
  std::uint64_t offset = 0;
  std::size_t length = 0;
  std::vector<std::uint8_t> stream;
  std::exception_ptr error;
  bool done = false;  // guarded by the pool's mutex
};

// The piece's bytes: a slice of the source in memory, or read from its file into buffer. The
// last piece reads one byte more, so that a file that grew is caught as one that shrank is.
ByteSpan ReadPiece(const Piece& piece, std::vector<std::uint8_t>& buffer) {
  const PayloadSource& source = *piece.source;
  if (source.path.empty()) return ByteSpan(source.bytes).subspan(piece.offset, piece.length);
  const int fd = ::open(source.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw ToolError(source.what, "cannot read " + source.path);
  const std::unique_ptr<const int, void (*)(const int*)> closer(&fd,
                                                                [](const int* f) { ::close(*f); });
  const bool last = piece.index + 1 == piece.count;
  buffer.resize(piece.length + (last ? 1 : 0));
  std::size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t read = ::pread(fd, buffer.data() + got, buffer.size() - got,
                                 static_cast<off_t>(piece.offset + got));
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) throw ToolError(source.what, "cannot read " + source.path);
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  if (got != piece.length) {
    throw ToolError(source.what, source.path + " changed its size during the build");
  }
  return ByteSpan(buffer).first(piece.length);
}

// A fixed set of threads that read and compress the pieces handed to them, first come first
// served; each keeps its read buffer and its compressor's state from piece to piece.
class CompressingPool {
 public:
  CompressingPool(unsigned workers, Compression compression) {
    threads_.reserve(workers);
    for (unsigned i = 0; i < workers; ++i) {
      threads_.emplace_back([this, compression] { Work(compression); });
    }
  }
  // Stops after the pieces under way (an error on the way out leaves the rest undone).
  ~CompressingPool() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
      queue_.clear();
    }
    work_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  CompressingPool(const CompressingPool&) = delete;
  CompressingPool& operator=(const CompressingPool&) = delete;

  // A thread is woken only when one waits: on another core a wake-up costs more than a small
  // file's piece takes to compress.
  void Submit(Piece& piece) {
    bool wake = false;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(&piece);
      wake = idle_ != 0;
    }
    if (wake) work_.notify_one();
  }

  void WaitFor(const Piece& piece) {
    std::unique_lock<std::mutex> lock(mutex_);
    awaited_ = &piece;
    done_.wait(lock, [&] { return piece.done; });
    awaited_ = nullptr;
  }

 private:
  void Work(Compression compression) {
    PieceCompressor compressor(compression);
    std::vector<std::uint8_t> buffer;
    while (true) {
      Piece* piece = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ++idle_;
        work_.wait(lock, [&] { return stop_ || !queue_.empty(); });
        --idle_;
        if (stop_) return;
        piece = queue_.front();
        queue_.pop_front();
      }
      try {
        piece->stream = compressor.Compress(ReadPiece(*piece, buffer));
      } catch (...) {
        piece->error = std::current_exception();
      }
      bool awaited = false;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        piece->done = true;
        awaited = awaited_ == piece;
      }
      if (awaited) done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<Piece*> queue_;
  unsigned idle_ = 0;               // workers waiting for a piece
  const Piece* awaited_ = nullptr;  // the piece the writer waits for, if it waits
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

std::optional<Compression> ParseCompression(const std::string& name) {
  if (name == "fast") return Compression::Fast;
  if (name == "small") return Compression::Small;
  if (name == "smallest") return Compression::Smallest;
  return std::nullopt;
}

const char* CompressionName(Compression compression) {
  switch (compression) {
    case Compression::Small:
      return "small";
    case Compression::Smallest:
      return "smallest";
    case Compression::Fast:
      break;
  }
  return "fast";
}

std::vector<std::uint8_t> CompressPiece(ByteSpan piece, Compression compression) {
  return PieceCompressor(compression).Compress(piece);
}

std::vector<std::uint8_t> BuildEntry(const PayloadSource& source, Compression compression) {
  std::vector<std::uint8_t> entry(8);  // EntryLength and BlockCount, filled in at the end
  PieceCompressor compressor(compression);
  std::vector<std::uint8_t> buffer;
  Piece piece;
  piece.source = &source;
  piece.count = PieceCount(SizeOf(source));
  for (; piece.index < piece.count; ++piece.index) {
    piece.offset = std::uint64_t{piece.index} * kPieceSize;
    piece.length = static_cast<std::size_t>(
        std::min<std::uint64_t>(kPieceSize, SizeOf(source) - piece.offset));
    const std::vector<std::uint8_t> stream = compressor.Compress(ReadPiece(piece, buffer));
    AppendU32(entry, stream.size());
    entry.insert(entry.end(), stream.begin(), stream.end());
  }
  if (entry.size() - 4 > kLargestCount) {
    throw ToolError(source.what, "compresses to more than 2,147,483,647 bytes");
  }
  PutU32(entry.data(), entry.size() - 4);
  PutU32(entry.data() + 4, piece.count);
  return entry;
}

PayloadSummary WritePayload(const std::vector<PayloadSource>& sources,
                            const PayloadOptions& options, PayloadOutput& out) {
  const unsigned workers =
      options.workers != 0 ? options.workers : std::max(1u, std::thread::hardware_concurrency());
  // The pieces submitted and not yet written, in payload order. Declared before the pool, so
  // that the workers are gone before the pieces they may still be filling.
  std::deque<std::unique_ptr<Piece>> window;
  CompressingPool pool(workers, options.compression);
  const std::uint64_t bytesLimit = workers * kBytesAheadPerWorker;
  const std::size_t countLimit = workers * kPiecesAheadPerWorker;
  std::uint64_t bytesAhead = 0;

  // The next piece to submit.
  std::size_t nextSource = 0;
  std::uint32_t nextIndex = 0;
  const auto nextLength = [&] {
    const std::uint64_t size = SizeOf(sources[nextSource]);
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(kPieceSize, size - std::uint64_t{nextIndex} * kPieceSize));
  };
  const auto submitNext = [&] {
    auto piece = std::make_unique<Piece>();
    piece->source = &sources[nextSource];
    piece->index = nextIndex;
    piece->count = PieceCount(SizeOf(sources[nextSource]));
    piece->offset = std::uint64_t{nextIndex} * kPieceSize;
    piece->length = nextLength();
    if (++nextIndex == piece->count) {
      nextIndex = 0;
      ++nextSource;
    }
    bytesAhead += piece->length;
    pool.Submit(*piece);
    window.push_back(std::move(piece));
  };

  PayloadSummary summary;
  std::uint64_t entryStart = 0;  // where the entry being written starts in the payload
  bool patchLength = false;      // its length was written as a placeholder
  while (nextSource < sources.size() || !window.empty()) {
    while (nextSource < sources.size() &&
           (window.empty() ||
            (bytesAhead + nextLength() <= bytesLimit && window.size() < countLimit))) {
      submitNext();
    }
    Piece& head = *window.front();
    pool.WaitFor(head);
    if (head.error) std::rethrow_exception(head.error);
    const PayloadSource& source = *head.source;
    std::uint8_t bytes[8];
    if (head.index == 0) {
      // An entry of one piece has its length at hand; a longer one is patched at its end.
      entryStart = summary.payloadBytes;
      patchLength = head.count > 1;
      PutU32(bytes, patchLength ? 0 : 4 + 4 + head.stream.size());
      PutU32(bytes + 4, head.count);
      out.Append(bytes, 8);
      summary.payloadBytes += 8;
    }
    PutU32(bytes, head.stream.size());
    out.Append(bytes, 4);
    out.Append(head.stream.data(), head.stream.size());
    summary.payloadBytes += 4 + head.stream.size();
    bytesAhead -= head.length;
    const bool last = head.index + 1 == head.count;
    const std::uint32_t count = head.count;
    window.pop_front();
    if (!last) continue;

    const std::uint64_t entryLength = summary.payloadBytes - entryStart - 4;
    if (entryLength > kLargestCount) {
      throw ToolError(source.what, "compresses to more than 2,147,483,647 bytes");
    }
    if (summary.payloadBytes > kLargestCount) {
      throw ToolError(source.what, "the payload passes 2,147,483,647 bytes here");
    }
    if (patchLength) {
      PutU32(bytes, entryLength);
      out.Patch(entryStart, bytes, 4);
    }
    summary.blocks += count;
    summary.inflatedBytes += SizeOf(source);
    out.EntryWritten(summary.entries++);
  }
  return summary;
}

}  // namespace setup::mksetup
