#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>
#include <cstring>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "payload/LicenceText.h"
#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "setupexe/PayloadWriter.h"
#include "test_support.h"

namespace setup {
namespace {

using test::Bytes;
using test::CompressBlock;
using test::EntryBytes;
using test::FileEntry;
using test::PutU32;

Bytes Content(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t state = seed;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<std::uint8_t>((i % 7 == 0) ? (state >> 24) : i % 5);
  }
  return bytes;
}

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Inflate(const PayloadEntry& entry) {
  MemorySink sink;
  entry.InflateTo(sink);
  return sink.bytes;
}

std::string ErrorOf(auto&& action) {
  try {
    action();
  } catch (const SetupError& error) {
    return error.what();
  }
  return "no error";
}

const Bytes kEmptyStream = {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};

TEST(PayloadReader, ReadsEntriesInOrderAndEndsExactlyAtTheEnd) {
  const Bytes licence(reinterpret_cast<const std::uint8_t*>("GERMAN\r\nx\r\n"),
                      reinterpret_cast<const std::uint8_t*>("GERMAN\r\nx\r\n") + 11);
  const Bytes big = Content(4 * 100000 + 123, 7);
  const Bytes exact = Content(3 * 1000, 9);
  const std::vector<Bytes> contents = {licence, {}, big, exact, Content(1, 3)};
  const Bytes payload =
      Concat({FileEntry(licence), EntryBytes({kEmptyStream}), FileEntry(big, 100000),
              FileEntry(exact, 1000), FileEntry(contents[4])});
  PayloadReader reader(payload);
  std::size_t expectedPosition = 0;
  for (const Bytes& content : contents) {
    SCOPED_TRACE(std::to_string(content.size()) + " bytes");
    const PayloadEntry entry = reader.NextEntry();
    // Zero-copy: the entry body lies inside the payload.
    EXPECT_EQ(entry.Body().data(), payload.data() + expectedPosition + 4);
    expectedPosition += 4 + entry.Body().size();
    EXPECT_EQ(reader.Position(), expectedPosition);
    EXPECT_EQ(Inflate(entry), content);
  }
  EXPECT_EQ(reader.Position(), payload.size());
  // Past the end: the empty entry, nothing written, nothing moved.
  const PayloadEntry after = reader.NextEntry();
  EXPECT_TRUE(Inflate(after).empty());
  EXPECT_EQ(reader.Position(), payload.size());
}

TEST(PayloadReader, TheStoredPayloadStart) {
  // EntryLength 2212, BlockCount 1, BlockLength 2204: entry 1 starts at byte 2216.
  Bytes payload = {0xa4, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x9c, 0x08, 0x00, 0x00};
  payload.resize(2216 + 3);
  PayloadReader reader(payload);
  EXPECT_EQ(reader.NextEntry().Body().size(), 2212u);
  EXPECT_EQ(reader.Position(), 2216u);
  EXPECT_TRUE(Inflate(reader.NextEntry()).empty());  // three bytes left: the empty entry
  EXPECT_EQ(reader.Position(), 2216u);
}

TEST(PayloadEntry, BlocksAreInflatedBackToBack) {
  const Bytes a = Content(70000, 1), b = Content(1, 2), c = Content(200000, 3);
  const Bytes overPiece = Content(kPieceSize + 70000, 4);
  const struct {
    const char* name;
    std::vector<Bytes> blocks;
    Bytes content;
  } cases[] = {
      {"no blocks", {}, {}},
      {"empty stream", {kEmptyStream}, {}},
      {"empty streams around data", {kEmptyStream, CompressBlock(a), kEmptyStream}, a},
      {"three blocks", {CompressBlock(a), CompressBlock(b), CompressBlock(c)}, Concat({a, b, c})},
      {"an empty piece compressed", {CompressBlock({}), CompressBlock(b)}, b},
      {"a block inflating to more than a piece",
       {CompressBlock(overPiece), CompressBlock(a)},
       Concat({overPiece, a})},
      {"a second stream after a block's stream is ignored",
       {Concat({CompressBlock(a), CompressBlock(c)}), CompressBlock(b)},
       Concat({a, b})},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const Bytes payload = EntryBytes(test.blocks);
    PayloadReader reader(payload);
    EXPECT_EQ(Inflate(reader.NextEntry()), test.content);
    EXPECT_EQ(reader.Position(), payload.size());
  }
}

TEST(PayloadEntry, DamagedBlocksGiveZlibsShortText) {
  const Bytes good = CompressBlock(Content(5000, 4));
  Bytes badAdler = good;
  badAdler.back() ^= 0x01;
  Bytes badHeader = good;
  badHeader[0] = 0x77;
  Bytes badData = good;
  badData[good.size() / 2] ^= 0xff;
  Bytes dictionary = {0x78, 0xbb, 0, 0, 0, 1};  // FDICT set: no stored stream has one
  Bytes wideWindow = good;                      // CINFO 8: a 64 KiB window, over zlib's 32 KiB
  wideWindow[0] = 0x88;
  wideWindow[1] = 0x1c;
  Bytes bigBadAdler = CompressBlock(Content(kPieceSize + 1, 8));
  bigBadAdler.back() ^= 0x01;
  const struct {
    const char* name;
    Bytes block;
    std::string message;
  } cases[] = {
      {"Adler-32", badAdler, "data error"},
      {"header", badHeader, "data error"},
      {"preset dictionary", dictionary, "data error"},
      {"window over 32 KiB", wideWindow, "data error"},
      {"Adler-32 of a block over a piece", bigBadAdler, "data error"},
      {"Adler-32 cut off", Bytes(good.begin(), good.end() - 4),
       "The setup data is damaged (block at byte 8 ends before its zlib stream does)"},
      {"cut short", Bytes(good.begin(), good.end() - 1),
       "The setup data is damaged (block at byte 8 ends before its zlib stream does)"},
      {"empty block",
       {},
       "The setup data is damaged (block at byte 8 ends before its zlib stream "
       "does)"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const Bytes payload = EntryBytes({test.block});
    PayloadReader reader(payload);
    const PayloadEntry entry = reader.NextEntry();
    EXPECT_EQ(ErrorOf([&] { Inflate(entry); }), test.message);
  }
  // Damaged data may be found only after some output; whatever came before stays written.
  const Bytes first = Content(3000, 5);
  const Bytes payload = EntryBytes({CompressBlock(first), badAdler});
  PayloadReader reader(payload);
  const PayloadEntry entry = reader.NextEntry();
  MemorySink sink;
  EXPECT_EQ(ErrorOf([&] { entry.InflateTo(sink); }), "data error");
  EXPECT_GE(sink.bytes.size(), first.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), sink.bytes.begin()));
}

// The builder's zero-byte file, at every level: the 8-byte empty stream, which both inflaters
// behind the reader take as a whole stream of nothing, and which the reader inflates to nothing.
TEST(PayloadEntry, TheBuildersEmptyStreamInflatesToNothingOnBothPaths) {
  using mksetup::Compression;
  for (const Compression level : {Compression::Fast, Compression::Small, Compression::Smallest}) {
    SCOPED_TRACE(mksetup::CompressionName(level));
    const Bytes stream = mksetup::CompressPiece({}, level);
    EXPECT_EQ(stream, kEmptyStream);

    libdeflate_decompressor* deflater = libdeflate_alloc_decompressor();
    ASSERT_NE(deflater, nullptr);
    std::uint8_t out[16];
    std::size_t used = 99, produced = 99;
    EXPECT_EQ(libdeflate_zlib_decompress_ex(deflater, stream.data(), stream.size(), out, sizeof out,
                                            &used, &produced),
              LIBDEFLATE_SUCCESS);
    libdeflate_free_decompressor(deflater);
    EXPECT_EQ(used, stream.size());
    EXPECT_EQ(produced, 0u);

    z_stream zlib{};
    ASSERT_EQ(inflateInit(&zlib), Z_OK);
    zlib.next_in = const_cast<Bytef*>(stream.data());
    zlib.avail_in = static_cast<uInt>(stream.size());
    zlib.next_out = out;
    zlib.avail_out = sizeof out;
    EXPECT_EQ(inflate(&zlib, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(zlib.avail_in, 0u);
    EXPECT_EQ(zlib.total_out, 0u);
    inflateEnd(&zlib);

    // Between two files, so that a reader taking it for more or less than one block is caught.
    const Bytes before = Content(3000, 2), after = Content(20, 3);
    const Bytes payload = Concat({FileEntry(before), EntryBytes({stream}), FileEntry(after)});
    PayloadReader reader(payload);
    EXPECT_EQ(Inflate(reader.NextEntry()), before);
    const std::size_t emptyAt = reader.Position();
    EXPECT_TRUE(Inflate(reader.NextEntry()).empty());
    EXPECT_EQ(reader.Position(), emptyAt + 4 + 4 + 4 + stream.size());
    EXPECT_EQ(Inflate(reader.NextEntry()), after);
    EXPECT_EQ(reader.Position(), payload.size());
  }
}

// What zlib alone writes of one block, in 64 KiB steps, until its stream ends or fails.
Bytes ZlibAloneWrites(const Bytes& block) {
  Bytes out, step(64 * 1024);
  z_stream stream{};
  inflateInit(&stream);
  stream.next_in = const_cast<Bytef*>(block.data());
  stream.avail_in = static_cast<uInt>(block.size());
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = step.data();
    stream.avail_out = static_cast<uInt>(step.size());
    result = inflate(&stream, Z_NO_FLUSH);
    out.insert(out.end(), step.data(), stream.next_out);
    if (result == Z_OK && stream.avail_in == 0 && stream.next_out == step.data()) break;
  }
  inflateEnd(&stream);
  return out;
}

TEST(PayloadEntry, ADamagedBlockWritesWhatZlibWritesBeforeItsError) {
  const Bytes small = Content(5000, 4), large = Content(kPieceSize + 100000, 9);
  auto damaged = [](Bytes block, std::size_t at) {
    block[at] ^= 0x01;
    return block;
  };
  const Bytes smallBlock = CompressBlock(small), largeBlock = CompressBlock(large);
  const struct {
    const char* name;
    Bytes block;
  } cases[] = {
      {"Adler-32", damaged(smallBlock, smallBlock.size() - 1)},
      {"Adler-32, over a piece", damaged(largeBlock, largeBlock.size() - 1)},
      {"data, halfway", damaged(largeBlock, largeBlock.size() / 2)},
      {"cut short", Bytes(smallBlock.begin(), smallBlock.end() - 9)},
      {"cut short, over a piece", Bytes(largeBlock.begin(), largeBlock.end() - 9)},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const Bytes payload = EntryBytes({smallBlock, test.block});
    PayloadReader reader(payload);
    const PayloadEntry entry = reader.NextEntry();
    MemorySink sink;
    EXPECT_NE(ErrorOf([&] { entry.InflateTo(sink); }), "no error");
    EXPECT_EQ(sink.bytes, Concat({small, ZlibAloneWrites(test.block)}));
  }
}

TEST(PayloadReader, TruncatedAtEveryPositionIsDamagedNeverReadPast) {
  const Bytes payload = Concat(
      {FileEntry(Content(3000, 6)), EntryBytes({kEmptyStream, CompressBlock(Content(10, 1))})});
  const std::size_t firstEnd = 4 + payload[0] + (payload[1] << 8);
  for (std::size_t size = 0; size < payload.size(); ++size) {
    // A copy of exactly size bytes, so that the sanitizers see any read past it.
    const Bytes cut(payload.begin(), payload.begin() + size);
    PayloadReader reader(cut);
    const std::string message = ErrorOf([&] {
      while (reader.Position() + 4 <= cut.size()) Inflate(reader.NextEntry());
      Inflate(reader.NextEntry());
    });
    const std::size_t left = size < firstEnd ? size : size - firstEnd;
    if (left < 4) {
      EXPECT_EQ(message, "no error") << size;  // fewer than 4 bytes: the empty entry
    } else {
      const std::string entryAt = size < firstEnd ? "0" : std::to_string(firstEnd);
      EXPECT_EQ(message,
                "The setup data is damaged (entry at byte " + entryAt + " runs past the end)")
          << size;
    }
  }
}

TEST(PayloadEntry, LengthsAndCountsInsideAnEntryAreChecked) {
  const Bytes block = CompressBlock(Content(100, 2));
  auto entryOf = [](const Bytes& body) {
    Bytes entry;
    PutU32(entry, static_cast<std::uint32_t>(body.size()));
    return Concat({entry, body});
  };
  auto body = [](std::uint32_t count, std::uint32_t length, const Bytes& data) {
    Bytes out;
    PutU32(out, count);
    PutU32(out, length);
    return Concat({out, data});
  };
  const struct {
    const char* name;
    Bytes payload;
    std::string message;
  } cases[] = {
      {"entry without BlockCount", entryOf({}),
       "The setup data is damaged (block count at byte 4 runs past the end)"},
      {"BlockCount past the blocks", entryOf(body(2, block.size(), block)),
       "The setup data is damaged (block at byte " + std::to_string(12 + block.size()) +
           " runs past the end)"},
      {"BlockLength past the entry", entryOf(body(1, block.size() + 1, block)),
       "The setup data is damaged (block at byte 8 runs past the end)"},
      {"BlockCount over 2^31-1", entryOf(body(0x80000000u, block.size(), block)),
       "The setup data is damaged (block count at byte 4 has a length of 2147483648, over "
       "2147483647)"},
      {"BlockLength over 2^31-1", entryOf(body(1, 0xffffffffu, block)),
       "The setup data is damaged (block at byte 8 has a length of 4294967295, over "
       "2147483647)"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    PayloadReader reader(test.payload);
    EXPECT_EQ(ErrorOf([&] { Inflate(reader.NextEntry()); }), test.message);
  }
  const Bytes huge = {0xff, 0xff, 0xff, 0x7f, 1, 0, 0, 0};
  PayloadReader reader(huge);
  EXPECT_EQ(ErrorOf([&] { reader.NextEntry(); }),
            "The setup data is damaged (entry at byte 0 runs past the end)");
  const Bytes over = {0x00, 0x00, 0x00, 0x80};
  PayloadReader overReader(over);
  EXPECT_EQ(ErrorOf([&] { overReader.NextEntry(); }),
            "The setup data is damaged (entry at byte 0 has a length of 2147483648, over "
            "2147483647)");
  EXPECT_EQ(overReader.Position(), 0u);
}

// A sink that fails like a full disk: the error passes through unchanged.
class FailingSink : public ByteSink {
 public:
  void Append(const std::uint8_t*, std::size_t) override { throw SetupError("Stream write error"); }
};

TEST(PayloadEntry, SinkErrorsPassThrough) {
  const Bytes payload = FileEntry(Content(1000, 1));
  PayloadReader reader(payload);
  const PayloadEntry entry = reader.NextEntry();
  FailingSink sink;
  EXPECT_EQ(ErrorOf([&] { entry.InflateTo(sink); }), "Stream write error");
}

class OneResource : public Resources {
 public:
  OneResource(std::string name, Bytes data) : name_(std::move(name)), data_(std::move(data)) {}
  std::optional<ByteSpan> FindRcData(const std::string& name) override {
    if (name != name_) return std::nullopt;
    return ByteSpan(data_);
  }

 private:
  std::string name_;
  Bytes data_;
};

TEST(OpenPayload, ReadsTheLicenceFirstAndFailsWithoutTheResource) {
  const std::string licence = "GERMAN\r\nDeutsch\r\nENGLISH\r\nEnglish\r\n";
  const Bytes payload =
      Concat({FileEntry(Bytes(licence.begin(), licence.end())), FileEntry(Content(10, 1))});
  OneResource resources("SetupData", payload);
  const std::unique_ptr<PayloadReader> reader = OpenPayload(resources);
  EXPECT_EQ(ReadLicenceText(*reader), licence);
  EXPECT_EQ(reader->Position(), 4 + payload[0] + 0u);

  OneResource other("SetupInfo", payload);
  EXPECT_EQ(ErrorOf([&] { OpenPayload(other); }), "Resource SetupData not found");
}

// Records what the reader gives back, and spoils it, as Windows may once it is reset: a reader
// that read those bytes again would inflate something else or fail.
class GivingBackResource : public OneResource {
 public:
  using OneResource::OneResource;
  void GiveBack(ByteSpan consumed) override {
    given.push_back(consumed);
    std::memset(const_cast<std::uint8_t*>(consumed.data()), 0xA5, consumed.size());
  }
  std::vector<ByteSpan> given;
};

// Notes at each piece it is given (and at its start) how far the payload was given back by then.
class GivenBackSink : public MemorySink {
 public:
  GivenBackSink(const GivingBackResource& resources, const std::uint8_t* start)
      : resources_(resources), start_(start) {
    Note();
  }
  void Append(const std::uint8_t* data, std::size_t size) override {
    MemorySink::Append(data, size);
    Note();
  }
  const std::uint8_t* givenEnd = nullptr;

 private:
  void Note() {
    const std::vector<ByteSpan>& given = resources_.given;
    givenEnd = given.empty() ? start_ : given.back().data() + given.back().size();
  }
  const GivingBackResource& resources_;
  const std::uint8_t* start_;
};

Bytes Incompressible(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  for (std::uint8_t& byte : bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(seed >> 23);
  }
  return bytes;
}

TEST(OpenPayload, GivesBackWhatWasReadAMegabyteAtATimeNeverWhatIsStillToCome) {
  constexpr std::size_t kMegabyte = 1 << 20;
  struct Row {
    const char* name;
    std::vector<std::size_t> sizes;  // content of the entries after the licence
    std::size_t calls;               // give-back calls over the whole payload
  };
  const Row rows[] = {
      {"under a megabyte in all", {100000, 200000, 300000}, 0},
      {"small files", std::vector<std::size_t>(20, 300000), 5},
      {"one large file first", {3 * kMegabyte, 1000, 1000, 0, 1000}, 2},
      {"large files only", {kMegabyte, 2 * kMegabyte, kMegabyte + 1, 5000}, 3},
      {"one file of many blocks", {1000, 9 * kMegabyte, 1000}, 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<Bytes> contents = {Bytes{'G', 'E', 'R', 'M', 'A', 'N', '\r', '\n'}};
    for (std::size_t i = 0; i < row.sizes.size(); ++i)
      contents.push_back(Incompressible(row.sizes[i], static_cast<std::uint32_t>(i)));
    std::vector<Bytes> entries;
    for (const Bytes& content : contents) entries.push_back(FileEntry(content));
    GivingBackResource resources("SetupData", Concat(entries));
    const std::unique_ptr<PayloadReader> reader = OpenPayload(resources);
    const ByteSpan all = *resources.FindRcData("SetupData");
    std::size_t largest = 0;
    for (const Bytes& content : contents) {
      const PayloadEntry entry = reader->NextEntry();
      largest = std::max(largest, entry.Body().size() + 4);
      // What was given back lies wholly before the entry just returned, which still inflates.
      if (!resources.given.empty()) {
        EXPECT_LE(resources.given.back().data() + resources.given.back().size(),
                  entry.Body().data() - 4);
      }
      GivenBackSink sink(resources, all.data());
      entry.InflateTo(sink);
      EXPECT_EQ(sink.bytes, content);
      // Whatever the file's size, what is held while it inflates is a block and a megabyte.
      EXPECT_LT(entry.Body().data() + entry.Body().size() - sink.givenEnd,
                static_cast<std::ptrdiff_t>(kMegabyte + kPieceSize + 4096));
    }
    reader->NextEntry();  // at the end: what the last entry held is given back too, if enough
    EXPECT_EQ(resources.given.size(), row.calls);
    const std::uint8_t* next = all.data();
    for (const ByteSpan& span : resources.given) {
      EXPECT_EQ(span.data(), next);  // one run from the start, nothing twice
      EXPECT_GE(span.size(), kMegabyte);
      next = span.data() + span.size();
    }
    EXPECT_LT(static_cast<std::size_t>(all.data() + all.size() - next), kMegabyte + largest);
  }
}

}  // namespace
}  // namespace setup
