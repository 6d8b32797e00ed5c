// Inflating a payload of the reference shape (4,064 files plus the licence, 102,981,126 bytes,
// 5 files of two blocks, 1 of three, 2 of four, the largest 7,999,096 bytes, 3 empty) through
// PayloadReader and InflateTo into a counting sink, beside a bare zlib loop over the same
// blocks. The payload is written to a file and read through a read-only mapping, as the setup
// program reads it from its image; the resident memory of each reading is measured from the
// same starting point.
#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "BenchSupport.h"
#include "ReferenceShape.h"
#include "payload/PayloadReader.h"
#include "setupexe/PayloadWriter.h"
#include "setupexe/SetupExe.h"

namespace {
using namespace setup;
using namespace setup::mksetup;
using setup::bench::MappedFile;
using setup::bench::StatusKb;

constexpr int kRounds = 3;

// Writes the payload one entry at a time, so that building it holds no more than an entry.
std::uint64_t WritePayloadFile(const std::filesystem::path& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write " + path.string());
  std::uint64_t inflated = 0;
  const std::vector<std::uint64_t> sizes = reference::EntrySizes();
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    PayloadSource source;
    const std::string content = reference::Content(sizes[i], static_cast<std::uint32_t>(i));
    source.bytes.assign(content.begin(), content.end());
    inflated += sizes[i];
    const std::vector<std::uint8_t> entry = BuildEntry(source);
    std::fwrite(entry.data(), 1, entry.size(), out);
  }
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + path.string());
  return inflated;
}

// Called after each entry with the first byte after it.
using AfterEntry = std::function<void(const std::uint8_t*)>;

std::uint64_t ReadWithReader(ByteSpan payload, const AfterEntry& after) {
  PayloadReader reader(payload);
  CountingSink sink;
  while (reader.Position() < reader.Size()) {
    reader.NextEntry().InflateTo(sink);
    after(payload.data() + reader.Position());
  }
  return sink.bytes;
}

std::uint32_t U32(ByteSpan bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint64_t ReadWithBareZlib(ByteSpan payload, const AfterEntry& after) {
  std::vector<std::uint8_t> out(1 << 16);
  std::uint64_t bytes = 0;
  z_stream stream{};
  inflateInit(&stream);
  for (std::size_t at = 0; at < payload.size();) {
    const std::size_t end = at + 4 + U32(payload, at);
    const std::uint32_t blocks = U32(payload, at + 4);
    std::size_t p = at + 8;
    for (std::uint32_t b = 0; b < blocks; ++b) {
      const std::uint32_t length = U32(payload, p);
      inflateReset(&stream);
      stream.next_in = const_cast<Bytef*>(payload.data() + p + 4);
      stream.avail_in = length;
      int result;
      do {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        result = inflate(&stream, Z_NO_FLUSH);
        bytes += out.size() - stream.avail_out;
      } while (result == Z_OK);
      p += 4 + length;
    }
    at = end;
    after(payload.data() + at);
  }
  inflateEnd(&stream);
  return bytes;
}

struct Reading {
  double seconds = 1e9;     // the best of the rounds
  std::uint64_t bytes = 0;  // inflated
  long growthKb = 0;        // the largest rise of the peak resident size over the rounds
  long smallGrowthKb = 0;   // the same over the small files only, after the large ones
  long fileKb = 0;          // pages of the mapping resident at the end
};

// One reading over a fresh mapping; release: pages read are given back behind the reader.
void Measure(const std::filesystem::path& payloadFile,
             std::uint64_t (*read)(ByteSpan, const AfterEntry&), bool release, Reading& figures) {
  MappedFile mapped(payloadFile);
  const ByteSpan payload = mapped.Bytes();
  // The licence, the eight large files and the three empty ones come first; the 4,053 small
  // files (60 MB) after them show whether the peak grows with the amount read.
  constexpr std::size_t kLargeAndEmpty = 12;
  std::size_t entries = 0;
  long peakBeforeSmall = 0, smallBase = 0;
  const AfterEntry after = [&](const std::uint8_t* end) {
    if (release) mapped.ReleaseBefore(end);
    if (++entries != kLargeAndEmpty) return;
    peakBeforeSmall = StatusKb("VmHWM");
    bench::ResetPeak();
    smallBase = StatusKb("VmRSS");
  };
  ::malloc_trim(0);
  bench::ResetPeak();
  const long base = StatusKb("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  figures.bytes = read(payload, after);
  figures.seconds = std::min(figures.seconds, bench::SecondsSince(start));
  const long peak = StatusKb("VmHWM");
  figures.growthKb = std::max(figures.growthKb, std::max(peak, peakBeforeSmall) - base);
  figures.smallGrowthKb = std::max(figures.smallGrowthKb, peak - smallBase);
  figures.fileKb = StatusKb("RssFile");
}

void Print(const char* name, const Reading& r) {
  std::printf(
      "%-34s %.3f s  %llu bytes  peak growth %6ld kB (%6ld kB over the small files)  "
      "mapped pages resident at the end %6ld kB\n",
      name, r.seconds, static_cast<unsigned long long>(r.bytes), r.growthKb, r.smallGrowthKb,
      r.fileKb);
}

}  // namespace

int main() {
  const bench::ScratchFolder scratch(std::filesystem::temp_directory_path() /
                                     ("bench_payload." + std::to_string(::getpid())));
  const std::filesystem::path payloadFile = scratch.Path() / "SetupData";
  const std::uint64_t inflated = WritePayloadFile(payloadFile);
  const std::uint64_t payloadBytes = std::filesystem::file_size(payloadFile);
  std::printf(
      "payload %llu bytes, inflated %llu, ratio %.2f%%; peak resident %ld kB after "
      "building it\n",
      static_cast<unsigned long long>(payloadBytes), static_cast<unsigned long long>(inflated),
      100.0 * payloadBytes / inflated, StatusKb("VmHWM"));

  Reading reader, bare, kept;
  for (int round = 0; round < kRounds; ++round) {
    Measure(payloadFile, ReadWithReader, true, reader);
    Measure(payloadFile, ReadWithBareZlib, true, bare);
  }
  Measure(payloadFile, ReadWithReader, false, kept);
  std::printf("best of %d rounds over a read-only mapping, read pages given back behind:\n",
              kRounds);
  Print("reader (PayloadReader, InflateTo)", reader);
  Print("bare zlib loop", bare);
  std::printf("reader/bare %.3f\n", reader.seconds / bare.seconds);
  std::printf("without giving read pages back (they stay mapped, clean, in the page cache):\n");
  Print("reader", kept);
  const bool complete =
      reader.bytes == inflated && bare.bytes == inflated && kept.bytes == inflated;
  if (!complete) std::printf("inflated byte counts differ from the payload's\n");
  return complete ? 0 : 1;
}
