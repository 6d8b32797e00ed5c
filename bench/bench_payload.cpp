// Inflating a payload of the reference shape (4,064 files plus the licence, 102,981,126 bytes,
// 5 files of two blocks, 1 of three, 2 of four, the largest 7,999,096 bytes, 3 empty) through
// PayloadReader and InflateTo into a counting sink, beside a bare zlib loop over the same blocks.
#include <sys/resource.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "PayloadWriter.h"
#include "ReferenceShape.h"
#include "SetupExe.h"
#include "payload/PayloadReader.h"

namespace {
using namespace setup;
using namespace setup::mksetup;

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main() {
  std::vector<std::uint8_t> payload;
  std::uint64_t inflated = 0;
  const std::vector<std::uint64_t> sizes = reference::EntrySizes();
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    PayloadSource source;
    const std::string content = reference::Content(sizes[i], static_cast<std::uint32_t>(i));
    source.bytes.assign(content.begin(), content.end());
    inflated += sizes[i];
    const std::vector<std::uint8_t> entry = BuildEntry(source);
    payload.insert(payload.end(), entry.begin(), entry.end());
  }
  const long afterBuild = PeakKb();
  using Clock = std::chrono::steady_clock;
  auto t0 = Clock::now();
  PayloadReader reader(payload);
  CountingSink sink;
  for (std::size_t i = 0; i < sizes.size(); ++i) reader.NextEntry().InflateTo(sink);
  const double readerSeconds = std::chrono::duration<double>(Clock::now() - t0).count();

  t0 = Clock::now();
  std::vector<std::uint8_t> out(1 << 16);
  std::uint64_t bare = 0;
  z_stream stream{};
  inflateInit(&stream);
  for (std::size_t at = 0; at < payload.size();) {
    const auto u32 = [&](std::size_t p) {
      return payload[p] | payload[p + 1] << 8 | payload[p + 2] << 16 | payload[p + 3] << 24;
    };
    const std::size_t end = at + 4 + u32(at);
    const std::uint32_t blocks = u32(at + 4);
    std::size_t p = at + 8;
    for (std::uint32_t b = 0; b < blocks; ++b) {
      const std::uint32_t length = u32(p);
      inflateReset(&stream);
      stream.next_in = payload.data() + p + 4;
      stream.avail_in = length;
      int result;
      do {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        result = inflate(&stream, Z_NO_FLUSH);
        bare += out.size() - stream.avail_out;
      } while (result == Z_OK);
      p += 4 + length;
    }
    at = end;
  }
  inflateEnd(&stream);
  const double bareSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
  std::printf("payload %zu bytes, inflated %llu (reader %llu, bare %llu), ratio %.1f%%\n",
              payload.size(), static_cast<unsigned long long>(inflated),
              static_cast<unsigned long long>(sink.bytes), static_cast<unsigned long long>(bare),
              100.0 * payload.size() / inflated);
  std::printf("reader %.3f s, bare zlib loop %.3f s, reader/bare %.3f\n", readerSeconds,
              bareSeconds, readerSeconds / bareSeconds);
  std::printf(
      "peak memory %ld kB (includes the in-memory payload of this benchmark; %ld kB "
      "after building it)\n",
      PeakKb(), afterBuild);
  return 0;
}
