// mksetup: payload writer rules, PE resources written and read back, malformed PE input,
// source mapping, check findings, build refusals and round trips, and the vendor's pictures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "check/Check.h"
#include "check/FindingRules.h"
#include "command/CommandHelp.h"
#include "command/Commands.h"
#include "command/ToolPaths.h"
#include "input/InputText.h"
#include "input/Licence.h"
#include "input/ScriptFile.h"
#include "input/SourceMap.h"
#include "io/FileIo.h"
#include "io/JsonText.h"
#include "io/ToolError.h"
#include "pe/PeChecksum.h"
#include "pe/PeFile.h"
#include "pe/PeWriter.h"
#include "pe/ResourceTree.h"
#include "pe/Signature.h"
#include "platform/Error.h"
#include "platform/sim/SimRegistry.h"
#include "resources/IdentityFile.h"
#include "resources/Manifest.h"
#include "resources/VendorPictures.h"
#include "resources/VersionInfo.h"
#include "setupexe/Build.h"
#include "setupexe/PayloadWriter.h"
#include "setupexe/SetupExe.h"
#include "setupexe/Sign.h"
#include "test_support.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"
#include "wizard/ControlIds.h"

namespace setup::mksetup {
namespace {
namespace fs = std::filesystem;

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A minimal valid image: one .text section, no resources. PE32 for x86; pe32Plus makes its x64
// twin, whose wider image base puts the data directories and the section table 16 bytes on.
std::vector<std::uint8_t> MinimalImage(bool pe32Plus, std::uint16_t machine) {
  const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
  std::vector<std::uint8_t> b(0x400, 0);
  b[0] = 'M', b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  Put32(b, 0x40, 0x00004550);
  Put16(b, 0x44, machine);
  Put16(b, 0x46, 1);
  Put16(b, 0x54, optionalSize);
  Put16(b, 0x56, pe32Plus ? 0x22 : 0x102);
  const std::size_t opt = 0x58;
  Put16(b, opt, pe32Plus ? 0x20B : 0x10B);
  Put32(b, opt + 16, 0x1000);
  if (pe32Plus) {
    Put32(b, opt + 28, 1);  // image base 0x140000000, above 4 GiB as x64 linkers put it
  } else {
    Put32(b, opt + 28, 0x400000);
  }
  Put32(b, opt + 32, 0x1000);
  Put32(b, opt + 36, 0x200);
  Put16(b, opt + 40, pe32Plus ? 6 : 4);
  Put32(b, opt + 56, 0x2000);
  Put32(b, opt + 60, 0x200);
  Put16(b, opt + 68, 2);
  Put32(b, opt + (pe32Plus ? 108 : 92), 16);
  const std::size_t section = opt + optionalSize;
  std::memcpy(&b[section], ".text", 5);
  Put32(b, section + 8, 0x10);
  Put32(b, section + 12, 0x1000);
  Put32(b, section + 16, 0x200);
  Put32(b, section + 20, 0x200);
  Put32(b, section + 36, 0x60000020);
  b[0x200] = 0xC3;
  return b;
}

std::vector<std::uint8_t> MinimalPe() {
  return MinimalImage(false, kMachineX86);
}

std::vector<std::uint8_t> MinimalPe64() {
  return MinimalImage(true, kMachineX64);
}

fs::path TempDir(const std::string& name) {
  return test::TempFolder("mksetup_" + name);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

// A payload written into memory, as mksetup build writes it into its file.
struct MemoryPayload : PayloadOutput {
  std::vector<std::uint8_t> bytes;
  void Append(const std::uint8_t* data, std::size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
  }
  void Patch(std::uint64_t offset, const std::uint8_t* data, std::size_t size) override {
    std::copy(data, data + size, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
  }
};

TEST(MksetupPayload, EntriesFollowTheBuilderRules) {
  struct Case {
    std::size_t size;
    std::uint32_t blocks;
  };
  const Case cases[] = {{0, 1}, {1, 1}, {300000, 1}, {2000000, 1}, {2000001, 2}, {6000001, 4}};
  // smallest runs zopfli, which takes seconds a megabyte: its rows stay under a piece (but over
  // zopfli's part, so that its parts are joined in one stream).
  const Compression levels[] = {Compression::Fast, Compression::Small, Compression::Smallest};
  for (const Compression level : levels) {
    for (const Case& c : cases) {
      if (level == Compression::Smallest && c.size >= 2000000) continue;
      SCOPED_TRACE(std::string(CompressionName(level)) + " " + std::to_string(c.size));
      PayloadSource source;
      source.bytes.assign(c.size, 'x');
      for (std::size_t i = 0; i < c.size; i += 7) source.bytes[i] = static_cast<std::uint8_t>(i);
      source.size = c.size;
      const std::vector<std::uint8_t> entry = BuildEntry(source, level);
      const PayloadEntry parsed(ByteSpan(entry).subspan(4));
      EXPECT_EQ(BlockCount(parsed), c.blocks);
      MemorySink sink;
      parsed.InflateTo(sink);
      EXPECT_EQ(sink.bytes, source.bytes);
      // Every block: a zlib stream with header 78 01; every piece but the last 2,000,000 bytes.
      std::size_t at = 8;
      for (std::uint32_t i = 0; i < c.blocks; ++i) {
        const std::uint32_t length = entry[at] | entry[at + 1] << 8 | entry[at + 2] << 16;
        EXPECT_EQ(entry[at + 4], 0x78);
        EXPECT_EQ(entry[at + 5], 0x01);
        at += 4 + length;
      }
      EXPECT_EQ(at, entry.size());
      // The pool gives the same bytes with one worker or several, twice over: the bytes depend
      // on the input alone, not on which worker took which piece or when. The entry before it
      // makes the pieces finish out of order (two pieces but for zopfli's level).
      PayloadSource before;
      before.bytes.assign(level == Compression::Smallest ? 300000 : 2100000, 'b');
      std::vector<std::uint8_t> expected = BuildEntry(before, level);
      expected.insert(expected.end(), entry.begin(), entry.end());
      for (const unsigned workers : {1u, 3u, 3u}) {
        MemoryPayload payload;
        const PayloadSummary summary = WritePayload({before, source}, {level, workers}, payload);
        EXPECT_EQ(payload.bytes, expected) << workers << " workers";
        EXPECT_EQ(summary.payloadBytes, expected.size());
        EXPECT_EQ(summary.blocks, (before.bytes.size() + kPieceSize - 1) / kPieceSize + c.blocks);
      }
    }
  }
  // A zero-byte file is one block of the 8-byte empty stream at every level, never libdeflate's
  // 11-byte empty stored block or zopfli's own.
  for (const Compression level : levels) {
    SCOPED_TRACE(CompressionName(level));
    EXPECT_EQ(BuildEntry(PayloadSource{}, level),
              (std::vector<std::uint8_t>{16, 0, 0,    0,    1,    0,    0,    0,    8,    0,
                                         0,  0, 0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
  }
}

TEST(MksetupPe, WrittenResourcesReadBack) {
  const fs::path dir = TempDir("pe");
  struct Row {
    const char* name;
    std::vector<std::uint8_t> stub;
    Architecture architecture;
  };
  const Row rows[] = {{"PE32", MinimalPe(), Architecture::X86},
                      {"PE32+", MinimalPe64(), Architecture::X64}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ResourceTree tree;
    tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SetupInfo"), {Bytes("GEF\r\n"), 0});
    tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SetupData"), {Bytes("abc"), 0});
    WriteExecutable(row.stub, "stub", tree, dir / "a.exe");
    const std::vector<std::uint8_t> first = ReadWholeFile(dir / "a.exe");
    ASSERT_EQ(FindRcData(first, "setupinfo", "a").value().size(), 5u);
    const PeLayout layout = ReadPeLayout(first, "a");
    EXPECT_EQ(ArchitectureOf(layout), row.architecture);
    // The resource directory is where the loader looks for it in this format.
    const DataDirectory directory = ReadDataDirectory(first, layout, kResourceDirectory, "a");
    EXPECT_EQ(directory.rva, layout.sections.back().virtualAddress);
    EXPECT_EQ(ReadU32(first, 0x58 + (row.architecture == Architecture::X64 ? 128 : 112), "a"),
              directory.rva);
    // Replacing the resources of a built image keeps one of each name.
    ResourceTree again = ReadResourceTree(first, layout, "a");
    again.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SETUPDATA"), {Bytes("xy"), 0});
    WriteExecutable(first, "a", again, dir / "b.exe");
    const std::vector<std::uint8_t> second = ReadWholeFile(dir / "b.exe");
    const auto data = FindRcData(second, "SetupData", "b");
    ASSERT_TRUE(data);
    EXPECT_EQ(std::string(data->begin(), data->end()), "xy");
    EXPECT_EQ(ListResources(second, ReadPeLayout(second, "b"), "b").size(), 2u);
    // Many names of several types and languages read back each in its place, and only the types
    // asked for when a filter is given.
    ResourceTree many;
    for (const std::uint16_t type : {std::uint16_t{2}, std::uint16_t{3}, kRtRcData}) {
      ResourceType& added = many.types.emplace_back();
      added.id = ResourceId::Number(type);
      for (std::uint16_t i = 1; i <= 300; ++i) {
        const ResourceId id =
            i % 3 ? ResourceId::Number(i) : ResourceId::Name("N" + std::to_string(i));
        added.names.push_back(
            {id, {{ResourceId::Number(1033), {Bytes(std::to_string(type * i)), 0}}}});
        if (i % 7 == 0) {
          added.names.back().languages.push_back({ResourceId::Number(1031), {Bytes("de"), 0}});
        }
      }
    }
    WriteExecutable(row.stub, "stub", many, dir / "many.exe");
    const std::vector<std::uint8_t> manyImage = ReadWholeFile(dir / "many.exe");
    const auto flat = [](const ResourceTree& tree) {
      std::vector<std::tuple<std::string, std::string, std::string, std::string>> leaves;
      for (const ResourceType& type : tree.types) {
        for (const ResourceName& name : type.names) {
          for (const ResourceLeaf& leaf : name.languages) {
            leaves.emplace_back(type.id.Text(), name.id.Text(), leaf.language.Text(),
                                std::string(leaf.data.bytes.begin(), leaf.data.bytes.end()));
          }
        }
      }
      return leaves;
    };
    many.Sort();
    const ResourceTree readBack = ReadResourceTree(manyImage, ReadPeLayout(manyImage, "m"), "m");
    EXPECT_EQ(readBack.types.size(), 3u);
    EXPECT_EQ(flat(readBack), flat(many));
    const ResourceTree icons =
        ReadResourceTree(manyImage, ReadPeLayout(manyImage, "m"), "m",
                         [](const ResourceId& type) { return type == ResourceId::Number(3); });
    ASSERT_EQ(icons.types.size(), 1u);
    EXPECT_EQ(icons.types[0].names.size(), 300u);
    EXPECT_EQ(icons.types[0].id, ResourceId::Number(3));
    // The image keeps its format and machine, and its checksum stands where this format has it
    // (at the same offset in both): the sum of the file with that field read as zeros.
    const PeLayout rewritten = ReadPeLayout(second, "b");
    EXPECT_EQ(rewritten.machine, ReadU16(row.stub, 0x44, "stub"));
    EXPECT_EQ(rewritten.pe32Plus, row.architecture == Architecture::X64);
    const auto expectChecksum = [](const std::vector<std::uint8_t>& image) {
      std::vector<std::uint8_t> zeroed = image;
      const std::size_t checksumAt = ReadPeLayout(image, "b").ChecksumOffset();
      Put32(zeroed, checksumAt, 0);
      PeChecksum checksum;
      checksum.Add(zeroed.data(), zeroed.size());
      EXPECT_EQ(ReadU32(image, checksumAt, "b"), checksum.Finish());
    };
    expectChecksum(second);
    // A streamed resource, appended in odd pieces with zeros written over later, reads back
    // whole beside the others, and the checksum is still the file's.
    ResourceData streamed;
    streamed.streamed = true;
    again.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SETUPDATA"), streamed);
    {
      ExecutableWriter exe(first, "a", again, dir / "c.exe");
      const std::vector<std::uint8_t> appended = {'z', 'z', 'z', 0, 0, 'q', 'r'};
      exe.Append(appended.data(), 3);
      exe.Append(appended.data() + 3, 4);
      exe.Patch(3, Bytes("xy").data(), 2);
      exe.Finish();
    }
    const std::vector<std::uint8_t> third = ReadWholeFile(dir / "c.exe");
    const auto streamedBack = FindRcData(third, "SetupData", "c");
    ASSERT_TRUE(streamedBack);
    EXPECT_EQ(std::string(streamedBack->begin(), streamedBack->end()), "zzzxyqr");
    EXPECT_EQ(FindRcData(third, "SetupInfo", "c").value().size(), 5u);
    expectChecksum(third);
  }
}

// The sum is the same however the bytes are cut into calls, odd cuts included, and equals the
// sum of 16-bit words with each carry folded back at once.
TEST(MksetupPe, ChecksumOfWordsWithCarriesFolded) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::uint32_t sum;  // 0 when the word-by-word sum below is the reference
  };
  std::vector<std::uint8_t> mixed(1000003);
  for (std::size_t i = 0; i < mixed.size(); ++i)
    mixed[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
  const Case cases[] = {
      {{}, 0},
      {{0xFF, 0xFF, 0x01, 0x00}, 0x0001 + 4},        // the carry comes back as 1
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x02}, 0x0002 + 5},  // 0xFFFF + 0xFFFF + 0x0002 folds to 2
      {std::vector<std::uint8_t>(64, 0xFF), 0xFFFF + 64},
      {mixed, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    std::uint32_t reference = c.sum;
    if (reference == 0 && !c.bytes.empty()) {
      std::uint32_t words = 0;
      for (std::size_t i = 0; i < c.bytes.size(); i += 2) {
        words += c.bytes[i] | (i + 1 < c.bytes.size() ? c.bytes[i + 1] << 8 : 0);
        words = (words & 0xFFFF) + (words >> 16);
      }
      reference = words + static_cast<std::uint32_t>(c.bytes.size());
    }
    for (const std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{6}}) {
      PeChecksum checksum;
      const std::size_t first = std::min(cut, c.bytes.size());
      checksum.Add(c.bytes.data(), first);
      checksum.Add(c.bytes.data() + first, c.bytes.size() - first);
      EXPECT_EQ(checksum.Finish(), reference) << "cut after " << first;
      // The two parts summed apart and joined; the first part written as zeros and its bytes
      // put over them later.
      PeChecksum head, rest;
      const std::vector<std::uint8_t> zeros(first, 0);
      head.Add(zeros.data(), first);
      rest.Add(c.bytes.data() + first, c.bytes.size() - first);
      head.Append(rest);
      head.AddOver(0, c.bytes.data(), first);
      EXPECT_EQ(head.Finish(), reference) << "joined after " << first;
    }
  }
}

// Names are found as FindResource finds them: the name looked for upper-cased, the stored one
// taken as it is (resource compilers store names upper-cased; a hand-made tree need not).
TEST(MksetupPe, ResourceNamesMatchAsWindowsMatchesThem) {
  const fs::path dir = TempDir("names");
  struct Case {
    std::u16string stored;
    const char* wanted;
    bool found;
  };
  const Case cases[] = {
      {u"SETUPINFO", "SetupInfo", true},  {u"SETUPINFO", "setupinfo", true},
      {u"setupinfo", "SetupInfo", false}, {u"SetupInfo", "SetupInfo", false},
      {u"SETUPINF", "SetupInfo", false},  {u"SETUPINFO2", "SetupInfo", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wanted + std::string(" in ") + std::string(c.stored.begin(), c.stored.end()));
    ResourceTree tree;
    tree.Set(ResourceId::Number(kRtRcData), ResourceId{true, 0, c.stored}, {Bytes("GEF"), 0});
    WriteExecutable(MinimalPe(), "stub", tree, dir / "a.exe");
    EXPECT_EQ(FindRcData(ReadWholeFile(dir / "a.exe"), c.wanted, "a").has_value(), c.found);
  }
}

// pe with a .reloc section of one relocation block appended behind its last section, as the
// linker places it behind .rsrc; trailing bytes follow it in the file when given.
std::vector<std::uint8_t> WithRelocations(std::vector<std::uint8_t> pe, std::size_t trailing) {
  const PeLayout layout = ReadPeLayout(pe, "pe");
  const std::size_t header = layout.sectionTableOffset + layout.sections.size() * 40;
  const std::uint32_t rva = layout.sizeOfImage;
  const std::uint32_t raw = static_cast<std::uint32_t>(pe.size());
  pe.resize(raw + 0x200 + trailing, 0);
  Put32(pe, raw, 0x1000);      // the page it patches
  Put32(pe, raw + 4, 12);      // the block's size
  Put16(pe, raw + 8, 0x3000);  // one 32-bit address at the page's start
  for (std::size_t i = 0; i < trailing; ++i) pe[raw + 0x200 + i] = 0xEE;
  std::memcpy(&pe[header], ".reloc", 6);
  Put32(pe, header + 8, 12);
  Put32(pe, header + 12, rva);
  Put32(pe, header + 16, 0x200);
  Put32(pe, header + 20, raw);
  Put32(pe, header + 36, 0x42000040);
  Put16(pe, layout.NumberOfSectionsOffset(),
        static_cast<std::uint16_t>(layout.sections.size() + 1));
  Put32(pe, layout.SizeOfImageOffset(), rva + 0x1000);
  Put32(pe, layout.DataDirectoryOffset(kRelocationDirectory), rva);
  Put32(pe, layout.DataDirectoryOffset(kRelocationDirectory) + 4, 12);
  return pe;
}

std::vector<std::string> SectionNames(const PeLayout& layout) {
  std::vector<std::string> names;
  for (const PeSection& section : layout.sections) names.push_back(section.Name());
  return names;
}

TEST(MksetupPe, ResourcesAreReplacedInPlaceBeforeTheRelocations) {
  const fs::path dir = TempDir("reloc");
  ResourceTree pictures;
  pictures.Set(ResourceId::Number(2), ResourceId::Number(200),
               {std::vector<std::uint8_t>(9000, 0x55), 0});
  WriteExecutable(MinimalPe(), "stub", pictures, dir / "pictures.exe");
  WriteExecutable(MinimalPe64(), "stub", pictures, dir / "pictures64.exe");
  const std::vector<std::uint8_t> built = ReadWholeFile(dir / "pictures.exe");
  const std::vector<std::uint8_t> built64 = ReadWholeFile(dir / "pictures64.exe");
  struct Case {
    const char* name;
    std::size_t payload;   // bytes of SetupData: the section shrinks or grows
    std::size_t trailing;  // bytes behind .reloc in the stub
    std::vector<std::string> sections;
    bool signedStub = false;  // a certificate table behind .reloc
    bool pe32Plus = false;
  };
  const std::vector<std::string> inPlace = {".text", ".rsrc", ".reloc"};
  const Case cases[] = {
      {"smaller resources", 3, 0, inPlace},
      {"larger resources", 20000, 0, inPlace},
      {"something behind the relocations", 3, 0x200, {".text", ".rsrc", ".reloc", ".rsrc"}},
      {"a signed stub", 3, 0, inPlace, true},
      {"PE32+, smaller resources", 3, 0, inPlace, false, true},
      {"PE32+, larger resources", 20000, 0, inPlace, false, true},
      {"PE32+, something behind the relocations",
       3,
       0x200,
       {".text", ".rsrc", ".reloc", ".rsrc"},
       false,
       true},
      {"PE32+, a signed stub", 3, 0, inPlace, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> stub = WithRelocations(c.pe32Plus ? built64 : built, c.trailing);
    if (c.signedStub) {
      const PeLayout layout = ReadPeLayout(stub, "stub");
      Put32(stub, layout.DataDirectoryOffset(kSecurityDirectory),
            static_cast<std::uint32_t>(stub.size()));
      Put32(stub, layout.DataDirectoryOffset(kSecurityDirectory) + 4, 16);
      stub.resize(stub.size() + 16, 0xCC);
    }
    const PeLayout before = ReadPeLayout(stub, "stub");
    const PeSection oldRelocations = before.sections[2];
    ResourceTree tree = ReadResourceTree(stub, before, "stub");
    tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SetupData"),
             {std::vector<std::uint8_t>(c.payload, 0x77), 0});
    WriteExecutable(stub, "stub", tree, dir / "a.exe");
    const std::vector<std::uint8_t> out = ReadWholeFile(dir / "a.exe");
    const PeLayout after = ReadPeLayout(out, "a");
    EXPECT_EQ(after.pe32Plus, c.pe32Plus);
    EXPECT_EQ(SectionNames(after), c.sections);
    ASSERT_EQ(FindRcData(out, "SetupData", "a").value().size(), c.payload);
    EXPECT_EQ(ListResources(out, after, "a").size(), 2u);
    EXPECT_EQ(ReadDataDirectory(out, after, kSecurityDirectory, "a").size, 0u);
    // The resource section starts on a page of the file, so a loader can map it from there.
    const DataDirectory resourceDirectory = ReadDataDirectory(out, after, kResourceDirectory, "a");
    for (const PeSection& section : after.sections) {
      if (section.virtualAddress == resourceDirectory.rva) {
        EXPECT_EQ(section.pointerToRawData % 0x1000, 0u);
      }
    }
    if (c.sections != inPlace) continue;
    const PeSection& resources = after.sections[1];
    const PeSection& relocations = after.sections[2];
    EXPECT_EQ(resources.virtualAddress, before.sections[1].virtualAddress);
    EXPECT_EQ(relocations.virtualAddress,
              (resources.virtualAddress + resources.virtualSize + 0xFFF) / 0x1000 * 0x1000);
    EXPECT_EQ(relocations.pointerToRawData, resources.pointerToRawData + resources.sizeOfRawData);
    EXPECT_EQ(out.size(), relocations.pointerToRawData + relocations.sizeOfRawData);
    EXPECT_EQ(after.sizeOfImage, relocations.virtualAddress + 0x1000);
    const DataDirectory directory = ReadDataDirectory(out, after, kRelocationDirectory, "a");
    EXPECT_EQ(directory.rva, relocations.virtualAddress);
    EXPECT_EQ(directory.size, 12u);
    EXPECT_TRUE(std::equal(out.begin() + relocations.pointerToRawData, out.end(),
                           stub.begin() + oldRelocations.pointerToRawData));
    // A built setup.exe as the stub of the next build keeps its three sections.
    WriteExecutable(out, "a", tree, dir / "b.exe");
    const std::vector<std::uint8_t> again = ReadWholeFile(dir / "b.exe");
    EXPECT_EQ(SectionNames(ReadPeLayout(again, "b")), inPlace);
    EXPECT_EQ(again, out);
  }
}

TEST(MksetupPe, MalformedInputIsAClearError) {
  const fs::path dir = TempDir("bad");
  ResourceTree tree;
  tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("X"), {Bytes("1"), 0});
  WriteExecutable(MinimalPe(), "stub", tree, dir / "a.exe");
  WriteExecutable(MinimalPe64(), "stub", tree, dir / "a64.exe");
  const std::vector<std::uint8_t> good = ReadWholeFile(dir / "a.exe");
  const std::vector<std::uint8_t> good64 = ReadWholeFile(dir / "a64.exe");
  const PeLayout layout = ReadPeLayout(good, "a");
  const std::size_t rsrc = layout.sections.back().pointerToRawData;
  const std::size_t rsrc64 = ReadPeLayout(good64, "a").sections.back().pointerToRawData;
  const std::size_t optionalSize = 0x54, opt = 0x58;
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    bool pe32Plus = false;
  };
  const Case cases[] = {
      // Long enough for a PE32 header with one directory, too short for any PE32+ header: read
      // as PE32's, its section table would be found in the directories.
      {"PE32+ optional header of 104 bytes",
       [&](auto& b) {
         Put16(b, optionalSize, 104);
         Put32(b, opt + 108, 0);
       },
       true},
      {"PE32+ optional header of 111 bytes", [&](auto& b) { Put16(b, optionalSize, 111); }, true},
      {"PE32+ directories past its header", [&](auto& b) { Put32(b, opt + 108, 17); }, true},
      {"PE32+ section past the end", [&](auto& b) { b.resize(rsrc64 + 8); }, true},
      {"PE32+ directory loop", [&](auto& b) { Put32(b, rsrc64 + 20, 0x80000000u); }, true},
      {"PE32+ data outside the file", [&](auto& b) { Put32(b, rsrc64 + 72, 0); }, true},
      {"unknown optional header magic", [&](auto& b) { Put16(b, opt, 0x107); }},
      {"truncated headers", [](auto& b) { b.resize(0x60); }},
      {"pe offset out of range", [](auto& b) { Put32(b, 0x3C, 0xFFFFFFF0); }},
      {"section past the end", [&](auto& b) { b.resize(rsrc + 8); }},
      {"directory loop", [&](auto& b) { Put32(b, rsrc + 20, 0x80000000u); }},
      {"entry count too large", [&](auto& b) { Put16(b, rsrc + 14, 0xFFFF); }},
      {"data outside the file", [&](auto& b) { Put32(b, rsrc + 72, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes = c.pe32Plus ? good64 : good;
    ASSERT_TRUE(FindRcData(bytes, "X", "a"));
    c.damage(bytes);
    EXPECT_THROW(FindRcData(bytes, "X", "a"), ToolError);
  }
}

TEST(MksetupSourceMap, MacroLetterIsTheFirstFolderAndCaseIsIgnored) {
  const fs::path dir = TempDir("map");
  WriteFile(dir / "S/DM.DAT", "1");
  WriteFile(dir / "A/Libs/x.lib", "2");
  WriteFile(dir / "S/R\xC3\xA9sum\xC3\xA9.txt", "3");  // a UTF-8 name, as made on Linux
  WriteFile(dir / "S/\xD0\x94\xD0\xBE\xD0\xBA/\xD0\xB4\xD0\xB0.txt", "4");  // Док/да.txt
  WriteFile(dir / "S/caf\xE9.txt", "5");  // Windows-1252 bytes, copied from a Windows disk
  struct Case {
    const char* path;
    const char* found;  // nullptr: not found
  };
  const Case cases[] = {{"%SDM.DAT", "S/DM.DAT"},
                        {"%sdm.dat", "S/DM.DAT"},
                        {"%Alibs\\X.LIB", "A/Libs/x.lib"},
                        {"%Alibs\\y.lib", nullptr},
                        {"%S\\DM.DAT", "S/DM.DAT"},
                        {"%SR\xC3\xA9sum\xC3\xA9.txt", "S/R\xC3\xA9sum\xC3\xA9.txt"},
                        {"%Sr\xC3\x89SUM\xC3\xA9.TXT", "S/R\xC3\xA9sum\xC3\xA9.txt"},
                        {"%S\xD0\xB4\xD0\x9E\xD0\x9A\\\xD0\x94\xD0\x90.TXT",
                         "S/\xD0\x94\xD0\xBE\xD0\xBA/\xD0\xB4\xD0\xB0.txt"},
                        {"%Scaf\xC3\xA9.txt", "S/caf\xE9.txt"},
                        {"%SCAF\xC3\x89.TXT", "S/caf\xE9.txt"},
                        {"%Sre\xCC\x81sume\xCC\x81.txt", nullptr},  // another spelling
                        {"%ALIBS\\x.lib", "A/Libs/x.lib"},
                        {"%Alibs", nullptr},  // a folder
                        {"%Alibs\\x.lib\\y", nullptr}};
  // One finder for all rows, as a check uses it, and a new one per row: the folders it
  // remembers from earlier rows change no answer.
  SourceFinder finder(dir);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const auto found = FindSource(dir, SourceParts(c.path, "t"), "t");
    EXPECT_EQ(finder.Find(SourceParts(c.path, "t"), "t"), found);
    if (c.found) {
      ASSERT_TRUE(found);
      EXPECT_EQ(*found, dir / c.found);
    } else {
      EXPECT_FALSE(found);
    }
  }
  for (const char* bad : {"C:\\x.dat", "%S..\\x", "%S", "%Xa"}) {
    EXPECT_THROW(SourceParts(bad, "t"), ToolError) << bad;
  }
}

// Shared among threads, the look-ups give what one by one in line order gives: each line's
// source or its error, and the links out of the tree.
TEST(MksetupSourceMap, SourcesFoundByThreadsAsOneByOne) {
  const fs::path dir = TempDir("threads");
  std::string text = "GEF\r\nN*P\r\nV1\r\nS0\r\nDsub\\\r\n\r\n\r\n\r\n\r\n";
  for (int i = 0; i < 2500; ++i) {
    const std::string name = "d" + std::to_string(i / 100) + "/f" + std::to_string(i);
    if (i % 500 != 7) WriteFile(dir / "S" / name, std::string(i % 3, 'x'));
    text += "F*%S" + name + (i % 700 == 3 ? "\\.." : "") + "\r\n";
  }
  fs::remove(dir / "S/d9/f999");
  fs::create_symlink("/etc/hostname", dir / "S/d9/f999");  // replaces a file: out of the tree
  fs::remove(dir / "S/d12/f1299");
  fs::create_directory(dir / "S/d12/f1299");  // a folder where a file is named
  const ScriptFile script = ParseScriptFile("i", Bytes(text));
  const std::vector<FileLine> lines = FileLines(script);
  ASSERT_EQ(lines.size(), 2500u);
  const std::vector<FoundSource> found = FindSources(script, lines, dir, std::nullopt, true);
  ASSERT_EQ(found.size(), lines.size());
  SourceFinder finder(dir);
  std::size_t errors = 0, links = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i].path);
    std::string expected, got;
    try {
      const PayloadSource one = SourceFor(script, lines[i], finder, std::nullopt);
      expected = one.path + " " + std::to_string(one.size) + " " + one.what;
    } catch (const ToolError& error) {
      expected = error.what();
    }
    try {
      if (found[i].error) std::rethrow_exception(found[i].error);
      got = found[i].source.path + " " + std::to_string(found[i].source.size) + " " +
            found[i].source.what;
    } catch (const ToolError& error) {
      got = error.what();
      ++errors;
    }
    EXPECT_EQ(got, expected);
    if (found[i].linkOut) ++links;
    EXPECT_EQ(found[i].linkOut.has_value(), lines[i].path == "%Sd9/f999");
  }
  EXPECT_EQ(errors, 5u + 4u + 1u);  // missing, climbing, a folder
  EXPECT_EQ(links, 1u);
}

std::string Script(const std::string& actions) {
  return "GEF\r\nN*P\r\nV1\r\nS0\r\nDsub\\\r\nH%Sp.exe\r\nMG%Sr.txt\r\n\r\n\r\n" + actions;
}

// A product without mistakes: a full header, the start-menu folder, the main program, the
// read-me of every language and the uninstaller. Each row below spoils it in one way.
std::string Clean(const std::string& actions = "") {
  return "GEF\r\nN*P\r\nV1\r\nS0\r\nDsub\\\r\nH%Sp.exe\r\nMG%Sr.txt\r\nME%Sr.txt\r\nMF%Sr.txt\r\n"
         "D*%PVELTRO 5107!\\\r\nF*%Sp.exe\r\nF*%SUnInstall.EXE\r\nF*%Sr.txt\r\n" +
         actions;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string Repeated(const std::string& text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) out += std::string(1, c) + '\0';
  return out;
}

// The vendor mistakes that check must catch before a setup.exe exists, one row a mistake. The
// clean product's first action line after the base is line 14.
TEST(MksetupCheck, CatchesVendorMistakesOnTheirLine) {
  struct Case {
    const char* mistake;
    std::string script;
    std::size_t line;
    const char* code;
    Severity severity;
    VendorIdentity identity = {};  // --identity's
  };
  VendorIdentity acme;
  acme.startMenuFolder = "Acme\\Draw";
  acme.addOnKey = "ACME-ADDON";
  const std::string longName(250, 'n');
  const Case cases[] = {
      {"ill-formed UTF-8 after the byte-order mark", "\xEF\xBB\xBF" + Clean("F*%Sr\xD0(.txt\r\n"),
       14, "encoding", Severity::Error},
      {"product name over 255 UTF-16 units",
       "\xEF\xBB\xBF" +
           Replaced(Clean(), "N*P", "N*" + Repeated("\xD0\x94", 254) + "\xF0\x9F\x98\x80"),
       2, "name-long", Severity::Error},
      {"UTF-16 little-endian", Utf16Le(Clean()), 1, "encoding", Severity::Error},
      {"UTF-8 letters", Clean("FG%SR\xC3\xA9sum\xC3\xA9.txt\r\n"), 14, "encoding", Severity::Error},
      {"lower-case first line", Replaced(Clean(), "GEF", "gef"), 1, "languages", Severity::Error},
      {"preselected language not offered", Replaced(Replaced(Clean(), "GEF", "GE"), "N*P", "NFP"),
       2, "preselect-not-offered", Severity::Error},
      {"typo in the code letter", Clean("G*%Squi.dll\r\n"), 14, "unknown-code", Severity::Error},
      {"blank before the code", Clean(" F*%Sx.dat\r\n"), 14, "leading-blank", Severity::Error},
      {"action line in the header", Replaced(Clean(), "ME%Sr.txt", "F*%Sx.dat"), 8,
       "header-shifted", Severity::Error},
      {"action D line in the header", Replaced(Clean(), "ME%Sr.txt", "D*%Sdata\\"), 8,
       "header-shifted", Severity::Error},
      {"a blank line too many in the header", Replaced(Clean(), "N*P\r\n", "N*P\r\n\r\n"), 10,
       "unknown-code", Severity::Error},
      {"fewer than nine lines", "GEF\r\nN*P\r\nS0\r\n", 3, "header-short", Severity::Error},
      {"no S line", Replaced(Clean(), "S0\r\n", "\r\n"), 4, "no-size-line", Severity::Error},
      {"R value past 32 bits", Clean("R*Software\\P;Code;4006381333931\r\n"), 14, "r-range",
       Severity::Error},
      {"R value below -2^31", Clean("R*Software\\P;Low;-2147483649\r\n"), 14, "r-range",
       Severity::Error},
      {"R key with HKLM", Clean("R*HKLM\\Software\\P;Count;1\r\n"), 14, "r-hive", Severity::Error},
      {"product name of 256", Replaced(Clean(), "N*P", "N*" + std::string(256, 'p')), 2,
       "name-long", Severity::Error},
      {"product name nesting its uninstall key", Replaced(Clean(), "N*P", "N*Vendor\\Tool"), 2,
       "name-backslash", Severity::Error},
      {"R key name of 256", Clean("R*Software\\" + std::string(256, 'k') + "\\P;Count;1\r\n"), 14,
       "r-key-name", Severity::Error},
      {"R value name of 16384", Clean("R*Software\\P;" + std::string(16384, 'v') + ";1\r\n"), 14,
       "r-value-name", Severity::Error},
      {"R key with HKEY_", Clean("R*HKEY_CURRENT_USER\\Software\\P;Name;x\r\n"), 14, "r-hive",
       Severity::Error},
      {"X extension with a dot", Clean("X*.t51;%Sp.exe;Drawing\r\n"), 14, "x-extension",
       Severity::Error},
      {"X extension with a blank", Clean("X* t51;%Sp.exe;Drawing\r\n"), 14, "x-extension",
       Severity::Error},
      {"X without description", Clean("X*t51;%Sp.exe\r\n"), 14, "x-description", Severity::Error},
      {"X of a system file type", Clean("X*txt;%Sp.exe;Text\r\n"), 14, "x-system", Severity::Error},
      {"X of a common file type", Clean("X*pdf;%Sp.exe;Document\r\n"), 14, "x-common",
       Severity::Warning},
      {"main program not installed", Replaced(Clean(), "H%Sp.exe", "H%Sq.exe"), 6, "not-installed",
       Severity::Error},
      {"read-me not installed", Replaced(Clean(), "MF%Sr.txt", "MF%Slisez.txt"), 9, "not-installed",
       Severity::Error},
      {"read-me of another language", Replaced(Clean(), "F*%Sr.txt", "FG%Sr.txt"), 8,
       "not-installed", Severity::Error},
      {"E of a bare program name", Clean("E*notepad.exe %Sr.txt\r\n"), 14, "not-installed",
       Severity::Error},
      {"E of a file not installed", Clean("E*%Saddon.exe /quiet\r\n"), 14, "not-installed",
       Severity::Error},
      {"K into a folder nobody creates", Clean("K*%Sdocs\\Help.lnk;%Sp.exe;\r\n"), 14,
       "shortcut-folder", Severity::Error},
      {"start-menu folder missing", Replaced(Clean(), "D*%PVELTRO 5107!\\\r\n", ""), 10,
       "shortcut-folder", Severity::Error},
      {"K folder of another language", Clean("DG%Sdocs\\\r\nK*%Sdocs\\Help.lnk;%Sp.exe;\r\n"), 15,
       "shortcut-folder", Severity::Error},
      {"no uninstaller", Replaced(Clean(), "F*%SUnInstall.EXE\r\n", ""), 0, "no-uninstaller",
       Severity::Error},
      {"unknown macro in an F path", Clean("F*%Sdata\\%Wx.dat\r\n"), 14, "unknown-macro",
       Severity::Error},
      {"unknown macro in an R value", Clean("R*Software\\P;Dir;%WINDIR%\\x\r\n"), 14,
       "unknown-macro", Severity::Error},
      {"unknown macro in the H line", Replaced(Clean(), "H%Sp.exe", "H%Cp.exe"), 6, "unknown-macro",
       Severity::Error},
      {"device name", Clean("F*%Scon.txt\r\n"), 14, "path-device", Severity::Error},
      {"device name as a folder", Clean("D*%Sdata\\LPT1\\\r\n"), 14, "path-device",
       Severity::Error},
      {"trailing dot", Clean("F*%Sregedit.exe.\r\n"), 14, "path-trailing", Severity::Error},
      {"trailing blank in a folder", Clean("D*%Sdata \\\r\n"), 14, "path-trailing",
       Severity::Error},
      {"K climbing out of the start menu", Clean("K*%P..\\Name.lnk;%Sp.exe;\r\n"), 14,
       "path-leaves", Severity::Error},
      {"a .. segment", Clean("F*%Sa\\..\\b.dat\r\n"), 14, "path-climbs", Severity::Error},
      {"path too long", Clean("F*%S" + longName + ".dat\r\n"), 14, "path-length", Severity::Error},
      {"F without a folder", Clean("F*x.dat\r\n"), 14, "no-folder", Severity::Error},
      {"KORVALT in the wrong case", Clean("T*Korvalt=x\r\n"), 14, "addon-key", Severity::Warning},
      {"start-menu folder not the identity's", Clean(), 11, "shortcut-folder", Severity::Error,
       acme},
      {"identity's add-on key in the wrong case", Clean("T*Acme-Addon=x\r\n"), 14, "addon-key",
       Severity::Warning, acme},
      {"identity's add-on key with a blank", Clean("T*ACME-ADDON =x\r\n"), 14, "addon-key",
       Severity::Warning, acme},
  };
  EXPECT_TRUE(CheckScript(ScriptFromText("s", Clean()), {}).empty());
  {
    // The identity's folder made by its D line is no mistake either.
    CheckOptions options;
    options.identity = acme;
    EXPECT_TRUE(
        CheckScript(ScriptFromText("s", Replaced(Clean(), "VELTRO 5107!", "Acme\\Draw")), options)
            .empty());
  }
  // A script marked as UTF-8 names files in any script; Windows counts UTF-16 units, not bytes.
  EXPECT_TRUE(
      CheckScript(
          ScriptFromText("s", "\xEF\xBB\xBF" + Replaced(Clean("F*%S\xD0\x94\xD0\xBE\xD0\xBA\\"
                                                              "\xE8\xA3\xBD\xE5\x93\x81.txt\r\n"),
                                                        "N*P", "N*" + Repeated("\xD0\x94", 255))),
          {})
          .empty());
  // The longest names Windows takes are no mistake.
  EXPECT_TRUE(
      CheckScript(ScriptFromText("s", Replaced(Clean(), "N*P", "N*" + std::string(255, 'p'))), {})
          .empty());
  EXPECT_TRUE(CheckScript(ScriptFromText("s", Clean("R*Software\\" + std::string(255, 'k') + ";" +
                                                    std::string(16383, 'v') + ";1\r\n")),
                          {})
                  .empty());
  std::size_t caught = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mistake);
    CheckOptions options;
    options.identity = c.identity;
    const auto findings = CheckScript(ScriptFromText("s", c.script), options);
    const auto found = std::find_if(findings.begin(), findings.end(), [&](const Finding& f) {
      return f.code == c.code && f.line == c.line && f.severity == c.severity;
    });
    EXPECT_NE(found, findings.end())
        << findings.size() << " findings, the first "
        << (findings.empty() ? "" : findings[0].code + " " + findings[0].reason);
    caught += found != findings.end();
    EXPECT_TRUE(IsRuleCode(c.code)) << c.code << " is not in the rule table";
  }
  std::printf("check catches %zu of %zu vendor mistakes\n", caught, std::size(cases));
}

// Every rule a finding can carry is explained in docs/findings.md, and nothing else is: --allow
// takes exactly these codes, and a vendor looks them up there.
TEST(MksetupCheck, EveryRuleCodeIsDocumented) {
  std::ifstream in(std::string(SETUP_SOURCE_DIR) + "/docs/findings.md");
  std::set<std::string> documented;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| `", 0) == 0) documented.insert(line.substr(3, line.find('`', 3) - 3));
  }
  const std::set<std::string> codes(RuleCodes().begin(), RuleCodes().end());
  EXPECT_EQ(documented, codes);
  EXPECT_EQ(codes.size(), RuleCodes().size()) << "a code listed twice";
}

// --input-encoding utf-8: the script becomes Windows-1252 when the code page has every character,
// else UTF-8 after the byte-order mark, said in a note; an ill-formed byte is an error at its
// line and column. Either way the setup decodes what is stored into the vendor's text.
TEST(MksetupCheck, Utf8InputIsStoredAsTheSetupReadsIt) {
  struct Case {
    std::string utf8;
    std::string expected;      // as stored
    std::string note;          // part of the note; empty when there is none
    std::size_t line, column;  // of the finding; 0 when none
  };
  const std::string mark = "\xEF\xBB\xBF";
  const Case cases[] = {
      {"R\xC3\xA9sum\xC3\xA9", "R\xE9sum\xE9", "", 0, 0},
      {mark + "GEF\r\n5 \xE2\x82\xAC", "GEF\r\n5 \x80", "", 0, 0},
      {"GEF\r\nab \xE2\x86\x92 c", mark + "GEF\r\nab \xE2\x86\x92 c", "U+2192", 0, 0},
      {"GEF\nx\ny\xF0\x9F\x98\x80", mark + "GEF\nx\ny\xF0\x9F\x98\x80", "U+1F600", 0, 0},
      {mark + "N*\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9",
       mark + "N*\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9", "U+0414", 0, 0},
      // Windows-1252 bytes that begin as the mark does would be read as UTF-8.
      {"\xC3\xAF\xC2\xBB\xC2\xBFx", mark + "\xC3\xAF\xC2\xBB\xC2\xBFx", "UTF-8", 0, 0},
      {"GEF\r\nab\xC3(c", "GEF\r\nab\xEF\xBF\xBD(c", "U+FFFD", 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    const ConvertedText converted = ConvertUtf8Input(Bytes(c.utf8), "s");
    const std::string stored(converted.bytes.begin(), converted.bytes.end());
    if (c.line == 0) {
      EXPECT_EQ(stored, c.expected);
      EXPECT_TRUE(converted.findings.empty());
      std::string text = c.utf8;
      if (text.rfind(mark, 0) == 0) text.erase(0, mark.size());
      EXPECT_EQ(DecodeScriptText(stored), text);
    } else {
      ASSERT_EQ(converted.findings.size(), 1u);
      EXPECT_EQ(converted.findings[0].line, c.line);
      EXPECT_NE(converted.findings[0].reason.find("column " + std::to_string(c.column)),
                std::string::npos)
          << converted.findings[0].reason;
    }
    EXPECT_EQ(converted.note.empty(), c.note.empty()) << converted.note;
    EXPECT_NE(converted.note.find(c.note), std::string::npos) << converted.note;
  }
}

// Every example of docs/script-format.md passes check: a script block by itself, a lines block
// added to the end of the document's first script.
TEST(MksetupCheck, ExamplesOfTheScriptReferencePass) {
  std::ifstream in(fs::path(SETUP_SOURCE_DIR) / "docs/script-format.md");
  ASSERT_TRUE(in);
  std::vector<std::pair<std::string, std::string>> blocks;  // kind, CR LF text
  std::string line, kind, text;
  while (std::getline(in, line)) {
    if (kind.empty() && (line == "```script" || line == "```lines")) {
      kind = line.substr(3);
    } else if (!kind.empty() && line == "```") {
      blocks.emplace_back(kind, text);
      kind.clear(), text.clear();
    } else if (!kind.empty()) {
      text += line + "\r\n";
    }
  }
  ASSERT_GE(blocks.size(), 8u);
  ASSERT_EQ(blocks[0].first, "script");
  for (const auto& [blockKind, block] : blocks) {
    SCOPED_TRACE(block);
    const std::string script = blockKind == "script" ? block : blocks[0].second + block;
    for (const Finding& finding : CheckScript(ScriptFromText("doc", script), {})) {
      ADD_FAILURE() << finding.line << ": " << finding.code << ": " << finding.reason;
    }
  }
}

// Sets an environment variable for one test and gives the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A stand-in for osslsigncode, taken through MKSETUP_OSSLSIGNCODE: the key file's word says
// what it does. "good" writes the input plus SIGNED (refusing an output that exists, as
// osslsigncode does), "partial" writes half a file and fails with osslsigncode's lines, "silent"
// claims success and writes nothing, "setup-fails" is good for a file that is no executable (the
// uninstaller of the test products) and partial for one that is. Every command line is appended
// to calls.log.
fs::path FakeSigner(const fs::path& dir) {
  const fs::path tool = dir / "fake-osslsigncode";
  WriteFile(tool,
            "#!/bin/sh\n"
            "printf '%s\\n' \"$@\" >>'" +
                (dir / "calls.log").string() +
                "'\n"
                "while [ $# -gt 0 ]; do case $1 in -in) in=$2;; -out) out=$2;; -key) key=$2;;"
                " esac; shift; done\n"
                "mode=$(cat \"$key\")\n"
                "[ \"$mode\" = setup-fails ] && mode=good && [ \"$(head -c2 \"$in\")\" = MZ ] &&"
                " mode=partial\n"
                "case $mode in\n"
                "good) [ -e \"$out\" ] && { echo 'Overwriting an existing file is not"
                " supported.'; exit 255; }\n"
                "  cat \"$in\" >\"$out\" && printf SIGNED >>\"$out\"; echo Succeeded;;\n"
                "partial) printf half >\"$out\"; echo 'Enter PEM pass phrase:'\n"
                "  echo 'Failed to read key or certificates'\n"
                "  echo '40C0DE3B777F0000:error:1E08010C:DECODER routines::unsupported' >&2\n"
                "  echo Failed; exit 255;;\n"
                "silent) exit 0;;\n"
                "esac\n");
  fs::permissions(tool, fs::perms::owner_all);
  for (const char* word : {"good", "partial", "silent", "setup-fails"}) WriteFile(dir / word, word);
  WriteFile(dir / "cert.pem", "certificate");
  return tool;
}

struct BuildFixture {
  fs::path dir = TempDir("build");
  BuildOptions options;
  BuildFixture() {
    WriteFile(dir / "src/S/a.txt", "alpha\r\n");
    WriteFile(dir / "src/S/sub/Empty.dat", "");
    std::string big(2500000, 'b');
    for (std::size_t i = 0; i < big.size(); i += 13) big[i] = static_cast<char>(i * 7);
    WriteFile(dir / "src/A/big.bin", big);
    WriteFile(dir / "script.txt",
              Script("FG%Sa.txt\r\nFE%Ssub\\Empty.dat\r\nD*%Sx\\\r\nF*%Abig.bin\r\n"));
    WriteFile(dir / "licence.txt", "german\r\nde\r\nENGLISH\r\nen\r\nFrench\r\nfr\r\n");
    const std::vector<std::uint8_t> stub = MinimalPe();
    std::ofstream(dir / "stub.exe", std::ios::binary)
        .write(reinterpret_cast<const char*>(stub.data()), stub.size());
    options = {dir / "script.txt",    dir / "licence.txt", dir / "src",
               dir / "out/setup.exe", dir / "stub.exe",    std::nullopt};
  }
};

TEST(MksetupBuild, BuildThenExtractGivesTheTreeBack) {
  BuildFixture f;
  std::vector<std::uint64_t> progress;  // inflated bytes done after each entry
  f.options.progress = [&](std::uint64_t done, std::uint64_t total) {
    progress.push_back(done);
    EXPECT_EQ(total, 2500007u + 37u);
  };
  const PayloadSummary summary = BuildSetup(f.options);
  EXPECT_EQ(progress, (std::vector<std::uint64_t>{37, 44, 44, 2500044}));
  EXPECT_EQ(summary.entries, 4u);
  EXPECT_EQ(summary.blocks, 5u);
  const SetupExe exe = OpenSetupExe(f.options.output);
  const std::string info(exe.info.begin(), exe.info.end());
  EXPECT_EQ(info, Script("FG%Sa.txt\r\nFE%Ssub\\Empty.dat\r\nD*%Sx\\\r\nF*%Abig.bin\r\n")
                      .replace(14, 2, "S" + std::to_string(summary.inflatedBytes)));
  const ScriptFile script = ParseScriptFile("i", {exe.info.begin(), exe.info.end()});
  std::vector<std::string> contents;
  EXPECT_EQ(WalkPayload(exe, script,
                        [&](const FileLine*, const PayloadEntry& entry) {
                          MemorySink sink;
                          entry.InflateTo(sink);
                          contents.emplace_back(sink.bytes.begin(), sink.bytes.end());
                        }),
            0u);
  ASSERT_EQ(contents.size(), 4u);
  EXPECT_EQ(contents[0], "german\r\nde\r\nENGLISH\r\nen\r\nFrench\r\nfr\r\n");
  EXPECT_EQ(contents[1], "alpha\r\n");
  EXPECT_EQ(contents[2], "");
  EXPECT_EQ(Bytes(contents[3]), ReadWholeFile(f.dir / "src/A/big.bin"));
}

void WriteImage(const fs::path& path, const std::vector<std::uint8_t>& image) {
  WriteFile(path, std::string(image.begin(), image.end()));
}

// What the setup reads from a built payload, at each level: every entry in order, each block a
// zlib stream of header 78 01 inflating to a whole piece but the last, the zero-byte file the
// 8-byte empty stream, and nothing left after the last entry.
TEST(MksetupBuild, EveryLevelsPayloadReadsBackEntryByEntry) {
  BuildFixture f;
  std::string noise(kPieceSize + 54321, '\0');
  std::uint32_t seed = 11;
  for (char& byte : noise) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<char>(seed >> 23);
  }
  WriteFile(f.dir / "src/A/big.bin", noise);
  const std::vector<std::string> contents = {"german\r\nde\r\nENGLISH\r\nen\r\nFrench\r\nfr\r\n",
                                             "alpha\r\n", "", noise};
  const std::vector<std::uint8_t> emptyBody = {1,    0,    0,    0,    8,    0,    0,    0,
                                               0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
  for (const Compression level : {Compression::Fast, Compression::Small, Compression::Smallest}) {
    SCOPED_TRACE(CompressionName(level));
    f.options.compression = level;
    f.options.output = f.dir / (std::string("out/") + CompressionName(level) + ".exe");
    const PayloadSummary summary = BuildSetup(f.options);
    EXPECT_EQ(summary.blocks, 5u);
    const SetupExe exe = OpenSetupExe(f.options.output);
    PayloadReader reader(exe.data);
    for (const std::string& content : contents) {
      SCOPED_TRACE(std::to_string(content.size()) + " bytes");
      const PayloadEntry entry = reader.NextEntry();
      const ByteSpan body = entry.Body();
      const std::uint32_t blocks = BlockCount(entry);
      EXPECT_EQ(blocks, content.empty() ? 1 : (content.size() + kPieceSize - 1) / kPieceSize);
      std::size_t at = 4;
      for (std::uint32_t i = 0; i < blocks && at + 6 <= body.size(); ++i) {
        const std::size_t length = body[at] | body[at + 1] << 8 | body[at + 2] << 16;
        EXPECT_EQ(body[at + 4], 0x78);
        EXPECT_EQ(body[at + 5], 0x01);
        at += 4 + length;
      }
      EXPECT_EQ(at, body.size());
      if (content.empty()) {
        EXPECT_EQ(std::vector<std::uint8_t>(body.begin(), body.end()), emptyBody);
      }
      MemorySink sink;
      entry.InflateTo(sink);
      EXPECT_EQ(std::string(sink.bytes.begin(), sink.bytes.end()), content);
    }
    EXPECT_EQ(reader.Position(), exe.data.size());
  }
}

// Entry 0 is shown with CR LF line ends only: a licence with lone LF or CR ends is stored with CR
// LF, and check and build both warn at its first such line; one in CR LF is stored as it is.
TEST(MksetupBuild, LicenceLineEndsAreStoredAsCrLf) {
  const std::string stored = "GERMAN\r\nde\r\nENGLISH\r\nen\r\nFRENCH\r\nfr\r\n";
  struct Row {
    const char* name;
    std::string licence;
    std::size_t warnedLine;  // 0: no warning
    const char* said = "";   // of the warning, after "this line"
  };
  const Row rows[] = {
      {"CR LF", stored, 0},
      {"LF", "GERMAN\nde\nENGLISH\nen\nFRENCH\nfr\n", 1, " and 5 more end in a lone LF or CR"},
      {"CR", "GERMAN\rde\rENGLISH\ren\rFRENCH\rfr\r", 1, " and 5 more end"},
      {"one LF among CR LF", "GERMAN\r\nde\r\nENGLISH\r\nen\nFRENCH\r\nfr\r\n", 4,
       " ends in a lone LF or CR"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BuildFixture f;
    for (const char* file : {"p.exe", "r.txt"}) WriteFile(f.dir / "src/S" / file, file);
    WriteImage(f.dir / "src/S/UnInstall.EXE", MinimalPe());
    WriteFile(f.options.script, Clean());
    WriteFile(f.options.licence, row.licence);
    const std::string warning = f.options.licence.string() + ":" + std::to_string(row.warnedLine) +
                                ": warning: this line" + row.said;
    const std::vector<std::string> args = {
        "--script", f.options.script.string(), "--licence", f.options.licence.string(),
        "--source", f.options.source.string(), "-o",        f.options.output.string(),
        "--stub",   f.options.stub.string()};
    for (const bool build : {false, true}) {
      SCOPED_TRACE(build ? "build" : "check");
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      const int exitCode =
          build ? BuildCommand(args)
                : CheckCommand({f.options.script.string(), "--licence", f.options.licence.string(),
                                "--source", f.options.source.string()});
      const std::string said =
          testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
      EXPECT_EQ(exitCode, 0) << said;
      if (row.warnedLine) {
        EXPECT_NE(said.find(warning), std::string::npos) << said;
        EXPECT_NE(said.find("[licence]"), std::string::npos) << said;
      } else {
        EXPECT_EQ(said.find("[licence]"), std::string::npos) << said;
      }
    }
    const SetupExe exe = OpenSetupExe(f.options.output);
    MemorySink licence;
    PayloadReader(exe.data).NextEntry().InflateTo(licence);
    EXPECT_EQ(std::string(licence.bytes.begin(), licence.bytes.end()), stored);
    // The S value counts the licence as stored, and check measures it so too.
    const std::string info(exe.info.begin(), exe.info.end());
    std::uint64_t size = stored.size();
    for (const char* file : {"p.exe", "UnInstall.EXE", "r.txt"})
      size += fs::file_size(f.dir / "src/S" / file);
    const std::string sizeLine = "S" + std::to_string(size);
    EXPECT_NE(info.find("\r\n" + sizeLine + "\r\n"), std::string::npos) << info;
    CheckOptions options;
    options.source = f.options.source;
    options.licence = f.options.licence;
    const auto findings =
        CheckScript(ScriptFromText("s", Replaced(Clean(), "S0", sizeLine)), options);
    EXPECT_TRUE(std::none_of(findings.begin(), findings.end(),
                             [](const Finding& finding) { return finding.code == "size-value"; }));
  }
}

// The builder's one rule for line ends, byte by byte: whatever the setup cuts a line at becomes
// CR LF, and what has no line end keeps none.
TEST(MksetupLicence, LineEndsBecomeCrLf) {
  struct Row {
    const char* name;
    std::string text, stored;
    std::size_t firstLoneLine, loneLines;
  };
  const Row rows[] = {
      {"empty", "", "", 0, 0},
      {"CR LF kept", "a\r\nb\r\n", "a\r\nb\r\n", 0, 0},
      {"no end at all", "abc", "abc", 0, 0},
      {"LF", "a\nb\n", "a\r\nb\r\n", 1, 2},
      {"CR", "a\rb\r", "a\r\nb\r\n", 1, 2},
      {"the last line without an end", "a\r\nb\nc", "a\r\nb\r\nc", 2, 1},
      {"CR before CR LF: two lines", "a\r\r\nb", "a\r\n\r\nb", 1, 1},
      {"LF CR: two lines", "a\n\rb", "a\r\n\r\nb", 1, 2},
      {"a CR at the very end", "a\r\nb\r", "a\r\nb\r\n", 2, 1},
      {"empty lines of LF", "\n\n\n", "\r\n\r\n\r\n", 1, 3},
      {"Windows-1252 letters untouched", "\xC4\xE9\n\xFC", "\xC4\xE9\r\n\xFC", 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const CrLfLicence result = WithCrLfLineEnds(Bytes(row.text));
    EXPECT_EQ(std::string(result.bytes.begin(), result.bytes.end()), row.stored);
    EXPECT_EQ(result.firstLoneLine, row.firstLoneLine);
    EXPECT_EQ(result.loneLines, row.loneLines);
  }
}

TEST(MksetupBuild, RefusalsLeaveNoOutputFile) {
  const fs::path signer = FakeSigner(TempDir("refusal-signer"));
  const ScopedEnv env("MKSETUP_OSSLSIGNCODE", signer.string());
  struct Case {
    const char* name;
    std::function<void(BuildFixture&)> spoil;
    const char* ending = "";  // of the message
  };
  const auto stub = [](std::vector<std::uint8_t> image, std::optional<Architecture> asked) {
    return [image, asked](BuildFixture& f) {
      WriteImage(f.options.stub, image);
      f.options.architecture = asked;
    };
  };
  const Case cases[] = {
      {"missing source", [](BuildFixture& f) { fs::remove(f.dir / "src/S/a.txt"); }},
      {"licence marker", [](BuildFixture& f) { WriteFile(f.dir / "licence.txt", "GERMAN\r\n"); }},
      {"missing stub", [](BuildFixture& f) { fs::remove(f.dir / "stub.exe"); }},
      {"no S line",
       [](BuildFixture& f) {
         WriteFile(f.dir / "script.txt", "GEF\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
       }},
      {"the signing fails",
       [&](BuildFixture& f) {
         f.options.signing = SignOptions{
             signer.parent_path() / "cert.pem", signer.parent_path() / "setup-fails", {}, {}};
       }},
      {"an x64 stub, no --arch", stub(MinimalPe64(), std::nullopt),
       "stub.exe: an x64 (PE32+) program, but --arch is x86 (the default): add --arch x64"},
      {"an x64 stub, --arch x86", stub(MinimalPe64(), Architecture::X86),
       "stub.exe: an x64 (PE32+) program, but --arch is x86"},
      {"an x86 stub, --arch x64", stub(MinimalPe(), Architecture::X64),
       "stub.exe: an x86 (PE32) program, but --arch is x64"},
      {"an ARM64 stub", stub(MinimalImage(true, 0xAA64), Architecture::X64),
       "stub.exe: a PE32+ program for machine 0xAA64; a stub must be an x86 (PE32) or an x64 "
       "(PE32+) program"},
      {"an x64 machine in a PE32 image", stub(MinimalImage(false, kMachineX64), std::nullopt),
       "stub.exe: a PE32 program for machine 0x8664; a stub must be an x86 (PE32) or an x64 "
       "(PE32+) program"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildFixture f;
    c.spoil(f);
    try {
      BuildSetup(f.options);
      ADD_FAILURE() << "built";
    } catch (const ToolError& error) {
      const std::string message = error.what();
      const std::string ending = c.ending;
      EXPECT_TRUE(message.size() >= ending.size() &&
                  message.compare(message.size() - ending.size(), ending.size(), ending) == 0)
          << message;
    }
    EXPECT_TRUE(!fs::exists(f.dir / "out") || fs::is_empty(f.dir / "out"));
  }
}

// A build killed half-way (kill -9) leaves its scratch payload and partial files beside the
// output; the next build of that output removes them, and only them.
TEST(MksetupBuild, TakesAwayWhatAKilledBuildLeft) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);
  const std::string dead = std::to_string(child), live = std::to_string(::getppid());
  struct Left {
    std::string name;
    bool removed;
  };
  const Left left[] = {
      {".setup.exe.scratch-" + dead + "-1", true},
      {".setup.exe.partial-" + dead + "-7", true},
      {"..setup.exe.scratch-" + dead + "-1.partial-" + dead + "-2", true},
      {".setup.exe.scratch-" + live + "-1", false},  // a build that still runs
      {".other.exe.scratch-" + dead + "-1", false},  // another output's
      {".setup.exe.scratch-" + dead, false},         // not a name the build gives
      {".setup.exe.scratch-" + dead + "-1x", false},
      {"..setup.exe.scratch-" + live + "-1.partial-" + dead + "-2", false},
      {"setup.exe.scratch-" + dead + "-1", false},
  };
  BuildFixture f;
  for (const Left& l : left) WriteFile(f.dir / "out" / l.name, "left");
  BuildSetup(f.options);
  for (const Left& l : left) {
    EXPECT_EQ(fs::exists(f.dir / "out" / l.name), !l.removed) << l.name;
  }
  EXPECT_TRUE(fs::exists(f.options.output));
}

// mksetup build runs every check first: an error leaves no setup.exe and an existing one as it
// was; --strict stops on a warning, --allow lets a rule's error pass as a warning.
TEST(MksetupBuild, ChecksFirstAndKeepsAnExistingOutput) {
  BuildFixture f;
  for (const char* file : {"p.exe", "UnInstall.EXE", "r.txt"})
    WriteFile(f.dir / "src/S" / file, file);
  WriteImage(f.dir / "src/S/UnInstall.EXE", MinimalPe());
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> extra;
    int exitCode;
    std::function<void(const fs::path& src)> plant = nullptr;  // into the source tree
    const char* code = "";                                     // the finding the source tree gives
    // The tree's own licence.txt: check takes it without --licence, build is given it.
    bool treeLicence = false;
  };
  const fs::path outside = f.dir / "outside";
  WriteFile(outside / "secret", "the build machine's own");
  fs::permissions(outside / "secret", fs::perms::owner_read | fs::perms::owner_write);
  const auto link = [&](const char* name, const fs::path& target) {
    return [=](const fs::path& src) { fs::create_symlink(target, src / "S" / name); };
  };
  // The identity is checked with the script: a refused value stops the build as its errors do.
  const std::string badIdentity = (f.dir / "bad-identity.txt").string();
  const std::string acmeIdentity = (f.dir / "acme-identity.txt").string();
  WriteFile(badIdentity, "StartMenuFolder = VELTRO 5107!\nVersion = 2.1\n");
  WriteFile(acmeIdentity, "StartMenuFolder = Acme\nVersion = 2.1.0.0\n");
  const Case cases[] = {
      {"clean", Clean(), {}, 0},
      {"an identity value refused", Clean(), {"--identity", badIdentity}, 1},
      {"an identity value refused, allowed",
       Clean(),
       {"--identity", badIdentity, "--allow", "identity-version"},
       0},
      {"the identity's folder not made", Clean(), {"--identity", acmeIdentity}, 1},
      {"the identity's folder made",
       Replaced(Clean(), "VELTRO 5107!", "Acme"),
       {"--identity", acmeIdentity},
       0},
      {"a file linked out of the tree",
       Clean("F*%Slinked.txt\r\n"),
       {},
       1,
       link("linked.txt", outside / "secret"),
       "source-link"},
      {"a folder linked out of the tree",
       Clean("F*%Sout\\secret\r\n"),
       {},
       1,
       link("out", outside),
       "source-link"},
      {"a link out of the tree allowed",
       Clean("F*%Sallowed.txt\r\n"),
       {"--allow", "source-link"},
       0,
       link("allowed.txt", outside / "secret"),
       "source-link"},
      {"the tree's licence linked out of it",
       Clean(),
       {},
       1,
       [&](const fs::path& src) { fs::create_symlink(outside / "secret", src / "licence.txt"); },
       "source-link",
       true},
      {"a link within the tree", Clean("F*%Swithin.txt\r\n"), {}, 0, link("within.txt", "r.txt")},
      {"a link to nothing",
       Clean("F*%Snothing.txt\r\n"),
       {},
       1,
       link("nothing.txt", "missing.txt"),
       "source-kind"},
      {"a named pipe",
       Clean("F*%Spipe\r\n"),
       {},
       1,
       [](const fs::path& src) { ASSERT_EQ(::mkfifo((src / "S/pipe").c_str(), 0600), 0); },
       "source-kind"},
      {"a device", Clean("F*%Sdevice\r\n"), {}, 1, link("device", "/dev/zero"), "source-kind"},
      {"an error", Clean("G*%Squi.dll\r\n"), {}, 1},
      {"an error allowed", Clean("G*%Squi.dll\r\n"), {"--allow", "unknown-code"}, 0},
      {"a warning", Clean("X*pdf;%Sp.exe;Document\r\n"), {}, 0},
      {"a warning, strict", Clean("X*pdf;%Sp.exe;Document\r\n"), {"--strict"}, 1},
      {"UTF-8 without the option", Clean("R*Software\\P;Name;Caf\xC3\xA9\r\n"), {}, 1},
      {"UTF-8 converted",
       Clean("R*Software\\P;Name;Caf\xC3\xA9\r\n"),
       {"--input-encoding", "utf-8"},
       0},
      {"an x86 uninstaller under --arch x64", Clean(), {"--arch", "x64"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(f.dir / "script.txt", c.script);
    WriteFile(f.options.output, "old");
    const fs::path licence = c.treeLicence ? f.options.source / "licence.txt" : f.options.licence;
    std::vector<std::string> args = {
        "--script", f.options.script.string(), "--licence", licence.string(),
        "--source", f.options.source.string(), "-o",        f.options.output.string(),
        "--stub",   f.options.stub.string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    if (c.plant) c.plant(f.options.source);
    if (*c.code) {
      CheckOptions options;
      options.source = f.options.source;
      if (!c.treeLicence) options.licence = f.options.licence;
      const auto findings = CheckScript(ScriptFromText("s", c.script), options);
      // The licence's finding is about the licence file as a whole, an F line's about its line.
      const std::size_t line = c.treeLicence ? 0 : 14;
      const std::string file = c.treeLicence ? licence.string() : "";
      EXPECT_TRUE(std::any_of(findings.begin(), findings.end(), [&](const Finding& finding) {
        return finding.code == c.code && finding.line == line && finding.file == file &&
               finding.severity == Severity::Error;
      }));
      // Read, the secret would also fail the licence's marker check.
      EXPECT_TRUE(std::none_of(findings.begin(), findings.end(),
                               [](const Finding& finding) { return finding.code == "licence"; }));
    }
    EXPECT_EQ(BuildCommand(args), c.exitCode);
    const std::vector<std::uint8_t> out = ReadWholeFile(f.options.output);
    if (c.exitCode) {
      EXPECT_EQ(std::string(out.begin(), out.end()), "old");
    } else {
      const SetupExe exe = OpenSetupExe(f.options.output);
      const std::string info(exe.info.begin(), exe.info.end());
      EXPECT_EQ(info.find("\xC3"), std::string::npos);  // converted: no UTF-8 left
    }
  }
  WriteFile(f.dir / "script.txt", Clean("X*pdf;%Sp.exe;Document\r\nR*HKLM\\x;v;1\r\n"));
  testing::internal::CaptureStdout();
  EXPECT_EQ(CheckCommand({f.options.script.string(), "--json"}), 1);
  const std::string json = testing::internal::GetCapturedStdout();
  EXPECT_NE(json.find("\"schemaVersion\": 1"), std::string::npos) << json;
  EXPECT_NE(json.find("\"line\": 14, \"severity\": \"warning\", \"code\": \"x-common\""),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"line\": 15, \"severity\": \"error\", \"code\": \"r-hive\""),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"errors\": 1,\n  \"warnings\": 1"), std::string::npos) << json;
}

// The text output names each finding's rule, and shows one rule's first findings only; --json
// lists them all. --allow of a code no rule has is a usage error, not a silent no-op.
TEST(MksetupCheck, TextFindingsNameTheirRuleAndRepeatsAreCounted) {
  BuildFixture f;
  std::string lines;
  for (std::size_t i = 0; i < kShownPerRule + 3; ++i)
    lines += "Q*line " + std::to_string(i) + "\r\n";
  WriteFile(f.dir / "script.txt", Clean(lines));
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(CheckCommand({f.options.script.string()}), 1);
  const std::string text =
      testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  std::size_t shown = 0;
  for (std::size_t at = 0; (at = text.find("is ignored [unknown-code]\n", at)) != std::string::npos;
       ++at)
    ++shown;
  EXPECT_EQ(shown, kShownPerRule) << text;
  EXPECT_NE(text.find(f.options.script.string() + ": ... 3 more of the same [unknown-code]\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(": 13 errors, 0 warnings"), std::string::npos) << text;
  testing::internal::CaptureStdout();
  EXPECT_EQ(CheckCommand({f.options.script.string(), "--json"}), 1);
  const std::string json = testing::internal::GetCapturedStdout();
  std::size_t listed = 0;
  for (std::size_t at = 0; (at = json.find("\"unknown-code\"", at)) != std::string::npos; ++at)
    ++listed;
  EXPECT_EQ(listed, kShownPerRule + 3);
  EXPECT_THROW(CheckCommand({f.options.script.string(), "--allow", "unknown-cod"}), UsageError);
  EXPECT_THROW(CheckCommand({f.options.script.string(), "--bogus"}), UsageError);
  EXPECT_THROW(BuildCommand({"--script", f.options.script.string()}), UsageError);
  EXPECT_THROW(BuildCommand({"--script", f.options.script.string(), "--licence",
                             f.options.licence.string(), "--source", f.options.source.string(),
                             "-o", f.options.output.string(), "--compression", "best"}),
               UsageError);
  EXPECT_FALSE(fs::exists(f.options.output));
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(CheckCommand({f.options.script.string(), "--allow", "unknown-code"}), 0);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
}

// The uninstaller removes the registration from the registry view of its own architecture, so
// it must be the setup.exe's; the default destination in the path-length check is the Program
// Files folder that architecture is told.
TEST(MksetupCheck, TheUninstallerAndProgramFilesFollowTheArchitecture) {
  BuildFixture f;
  for (const char* file : {"p.exe", "r.txt"}) WriteFile(f.dir / "src/S" / file, file);
  const std::string longName = std::string(231, 'n') + ".dat";  // 27 + 235 > 259 >= 21 + 235
  WriteFile(f.dir / "src/S" / longName, "x");
  const std::vector<std::uint8_t> x86 = MinimalPe(), x64 = MinimalPe64();
  const std::vector<std::uint8_t> arm64 = MinimalImage(true, 0xAA64);
  const std::vector<std::uint8_t> text = Bytes("not a program");
  struct Row {
    const char* name;
    const std::vector<std::uint8_t>* inTree;  // src/S/UnInstall.EXE; nullptr: none
    const std::vector<std::uint8_t>* given;   // --uninstaller; nullptr: not given
    std::vector<std::string> options;
    const char* finding;  // the rule found on line 12 (14 for path-length); nullptr: none
    std::string actions = "";
  };
  const Row rows[] = {
      {"x86 in x86, --arch not given", &x86, nullptr, {}, nullptr},
      {"x86 in x86", &x86, nullptr, {"--arch", "x86"}, nullptr},
      {"x64 in x64", &x64, nullptr, {"--arch", "x64"}, nullptr},
      {"x86 in x64", &x86, nullptr, {"--arch", "x64"}, "uninstaller-arch"},
      {"x64 in x86, --arch not given", &x64, nullptr, {}, "uninstaller-arch"},
      {"x64 in x86", &x64, nullptr, {"--arch", "x86"}, "uninstaller-arch"},
      {"x86 given by --uninstaller in x64", nullptr, &x86, {"--arch", "x64"}, "uninstaller-arch"},
      {"x64 given by --uninstaller in x64", nullptr, &x64, {"--arch", "x64"}, nullptr},
      {"ARM64 in x64", &arm64, nullptr, {"--arch", "x64"}, "uninstaller-arch"},
      {"no program at all", &text, nullptr, {"--arch", "x64"}, nullptr},
      {"a long path under Program Files (x86)",
       &x86,
       nullptr,
       {},
       "path-length",
       "F*%S" + longName + "\r\n"},
      {"a long path under Program Files",
       &x64,
       nullptr,
       {"--arch", "x64"},
       nullptr,
       "F*%S" + longName + "\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(f.dir / "src/S/UnInstall.EXE");
    if (row.inTree) WriteImage(f.dir / "src/S/UnInstall.EXE", *row.inTree);
    WriteImage(f.dir / "given.exe", row.given ? *row.given : text);
    WriteFile(f.dir / "script.txt", Clean(row.actions));
    std::vector<std::string> args = {f.options.script.string(),  "--source",
                                     f.options.source.string(),  "--licence",
                                     f.options.licence.string(), "--json"};
    if (row.given) args.insert(args.end(), {"--uninstaller", (f.dir / "given.exe").string()});
    args.insert(args.end(), row.options.begin(), row.options.end());
    testing::internal::CaptureStdout();
    const int exitCode = CheckCommand(args);
    const std::string json = testing::internal::GetCapturedStdout();
    EXPECT_EQ(exitCode, row.finding ? 1 : 0) << json;
    if (row.finding) {
      const std::string line = std::string(row.finding) == "path-length" ? "14" : "12";
      EXPECT_NE(json.find("\"line\": " + line + ", \"severity\": \"error\", \"code\": \"" +
                          row.finding + "\""),
                std::string::npos)
          << json;
    }
  }
  EXPECT_THROW(CheckCommand({f.options.script.string(), "--arch", "amd64"}), UsageError);
}

// What extract writes builds the same setup.exe again, byte for byte; a folder that is not empty
// is refused unless --force.
TEST(MksetupBuild, BuildOfExtractIsByteIdentical) {
  BuildFixture f;
  for (const char* file : {"p.exe", "UnInstall.EXE", "r.txt"}) {
    WriteFile(f.dir / "src/S" / file, file);
  }
  WriteFile(f.dir / "src/S/data/R\xC3\xA9sum\xC3\xA9.txt", "a UTF-8 name on disk");
  WriteFile(f.dir / "script.txt", Clean("F*%Sdata\\R\xE9sum\xE9.txt\r\nF*%Ap.exe\r\n"));
  WriteFile(f.dir / "src/A/p.exe", std::string(2100000, 'z'));
  // The vendor's identity in its own order and spelling, with a comment and a character of
  // Windows-1252 beyond ASCII: list shows it, extract writes it back.
  WriteFile(f.dir / "identity.txt",
            "# Acme\npublisher = Acme Gesellschaft f\xC3\xBCr Zeichnungen\n"
            "StartMenuFolder = VELTRO 5107!\nVersion = 2.1.0.7\nAddOnKey = ACME-ADDON\n"
            "DisplayVersion = 2.1\nNoRepair = 1\n");
  const auto build = [&](const fs::path& script, const fs::path& licence, const fs::path& source,
                         const fs::path& output, const fs::path& identity) {
    return BuildCommand({"--script", script.string(), "--licence", licence.string(), "--source",
                         source.string(), "-o", output.string(), "--stub", f.options.stub.string(),
                         "--identity", identity.string()});
  };
  testing::internal::CaptureStdout();
  ASSERT_EQ(build(f.options.script, f.options.licence, f.options.source, f.dir / "first.exe",
                  f.dir / "identity.txt"),
            0);
  ASSERT_EQ(ListCommand({(f.dir / "first.exe").string(), "--json"}), 0);
  ASSERT_EQ(ListCommand({(f.dir / "first.exe").string()}), 0);
  const fs::path out = f.dir / "extracted";
  ASSERT_EQ(ExtractCommand({(f.dir / "first.exe").string(), out.string()}), 0);
  const std::string listed = testing::internal::GetCapturedStdout();
  for (const std::string& part : std::vector<std::string>{
           "\"identity\": {\"StartMenuFolder\": \"VELTRO 5107!\", \"AddOnKey\": \"ACME-ADDON\", "
           "\"Version\": \"2.1.0.7\", \"DisplayVersion\": \"2.1\", \"Publisher\": \"Acme "
           "Gesellschaft f\xC3\xBCr Zeichnungen\", \"NoRepair\": \"1\"}",
           "\"addOnKey\": \"ACME-ADDON\"",
           "\"fileVersion\": \"2.1.0.7\"",
           "\nStart-menu folder      VELTRO 5107!\\\n",
           "\nIdentity               --identity\n  StartMenuFolder      VELTRO 5107!\n",
           "\nVersion resource       file 2.1.0.7, product 2.1.0.7\n",
           "--identity " + out.string() + "/identity.txt",
       }) {
    EXPECT_NE(listed.find(part), std::string::npos) << part << "\n" << listed;
  }
  EXPECT_TRUE(fs::exists(out / "setup.txt"));
  ASSERT_EQ(build(out / "setup.txt", out / "licence.txt", out, f.dir / "second.exe",
                  out / "identity.txt"),
            0);
  EXPECT_EQ(ReadWholeFile(f.dir / "first.exe"), ReadWholeFile(f.dir / "second.exe"));
  // Without the identity the build is another setup.exe: the identity is all in that file.
  ASSERT_EQ(BuildCommand({"--script", (out / "setup.txt").string(), "--licence",
                          (out / "licence.txt").string(), "--source", out.string(), "-o",
                          (f.dir / "third.exe").string(), "--stub", f.options.stub.string()}),
            0);
  EXPECT_NE(ReadWholeFile(f.dir / "first.exe"), ReadWholeFile(f.dir / "third.exe"));
  EXPECT_THROW(ExtractCommand({(f.dir / "first.exe").string(), out.string()}), ToolError);
  EXPECT_EQ(ExtractCommand({(f.dir / "first.exe").string(), out.string(), "--force"}), 0);

  // --force into a folder with a link on the way of a file: refused before anything is written,
  // through the link or beside it, and no staging folder is left.
  const fs::path outside = f.dir / "outside";
  WriteFile(outside / "secret", "kept");
  struct Planted {
    const char* name;
    const char* at;   // below the folder
    fs::path target;  // empty: a plain file
  };
  const Planted planted[] = {
      {"a linked folder", "S", outside},
      {"a linked folder deeper", "S/data", outside},
      {"a linked file", "setup.txt", outside / "secret"},
      {"a linked file deeper", "S/r.txt", outside / "secret"},
      {"a file where a folder goes", "A", {}},
  };
  for (const Planted& p : planted) {
    SCOPED_TRACE(p.name);
    const fs::path forced = f.dir / "forced";
    fs::remove_all(forced);
    fs::create_directories((forced / p.at).parent_path());
    if (p.target.empty()) {
      WriteFile(forced / p.at, "plain");
    } else if (fs::is_directory(p.target)) {
      fs::create_directory_symlink(p.target, forced / p.at);
    } else {
      fs::create_symlink(p.target, forced / p.at);
    }
    EXPECT_THROW(ExtractCommand({(f.dir / "first.exe").string(), forced.string(), "--force"}),
                 ToolError);
    std::vector<fs::path> left;
    for (const auto& entry : fs::recursive_directory_iterator(forced)) left.push_back(entry);
    const fs::path at = p.at;  // only it, and the folders above it
    EXPECT_EQ(left.size(), static_cast<std::size_t>(std::distance(at.begin(), at.end())));
    std::vector<fs::path> outsideNow;
    for (const auto& entry : fs::directory_iterator(outside)) outsideNow.push_back(entry);
    EXPECT_EQ(outsideNow, std::vector<fs::path>{outside / "secret"});
    std::string secret;
    for (const std::uint8_t byte : ReadWholeFile(outside / "secret")) secret += char(byte);
    EXPECT_EQ(secret, "kept");
  }
  std::vector<fs::path> beside;
  for (const auto& entry : fs::directory_iterator(f.dir)) {
    if (entry.path().filename().string().find(".extracting-") != std::string::npos)
      beside.push_back(entry);
  }
  EXPECT_EQ(beside, std::vector<fs::path>{});
}

// A BMP file as paint programs write them: file header, a header of headerSize bytes whose first
// 40 are the BITMAPINFOHEADER, the palette, gap bytes, the pixels (less cut bytes at the end).
struct BmpShape {
  std::int32_t width, height;
  std::uint16_t bits = 24;
  std::uint32_t headerSize = 40, compression = 0, colours = 0, gap = 0;
  std::size_t cut = 0;
  std::uint16_t planes = 1;
};

std::vector<std::uint8_t> Le(std::uint64_t value, int bytes) {
  std::vector<std::uint8_t> out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return out;
}

void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& more) {
  out.insert(out.end(), more.begin(), more.end());
}

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + seed);
  return bytes;
}

std::size_t RowSize(std::int64_t width, int bits) {
  return static_cast<std::size_t>((width * bits + 31) / 32 * 4);
}

// The file, and in packed what a BITMAP resource must hold for it.
std::vector<std::uint8_t> BmpFile(const BmpShape& s, std::vector<std::uint8_t>* packed = nullptr) {
  const std::uint32_t entries = s.bits <= 8 ? (s.colours ? s.colours : 1u << s.bits) : 0;
  const std::vector<std::uint8_t> palette = Pattern(4 * entries, 1);
  const std::vector<std::uint8_t> pixels =
      Pattern(RowSize(s.width, s.bits) * static_cast<std::size_t>(std::abs(s.height)), 2);
  std::vector<std::uint8_t> header;
  for (const auto& [value, size] :
       std::vector<std::pair<std::uint64_t, int>>{{s.headerSize, 4},
                                                  {static_cast<std::uint32_t>(s.width), 4},
                                                  {static_cast<std::uint32_t>(s.height), 4},
                                                  {s.planes, 2},
                                                  {s.bits, 2},
                                                  {s.compression, 4},
                                                  {0, 4},
                                                  {3780, 4},
                                                  {3780, 4},
                                                  {s.colours, 4},
                                                  {0, 4}}) {
    Append(header, Le(value, size));
  }
  header.resize(s.headerSize, 0xAB);  // a V4 or V5 header's colour space
  const std::uint32_t offset = 14 + s.headerSize + 4 * entries + s.gap;
  std::vector<std::uint8_t> file = {'B', 'M'};
  Append(file, Le(offset + pixels.size(), 4));
  Append(file, Le(0, 4));
  Append(file, Le(offset, 4));
  Append(file, header);
  Append(file, palette);
  file.resize(file.size() + s.gap, 0);
  Append(file, pixels);
  file.resize(file.size() - s.cut);
  if (packed) {
    *packed = std::vector<std::uint8_t>(header.begin(), header.begin() + 40);
    Put32(*packed, 0, 40);
    Put32(*packed, 20, static_cast<std::uint32_t>(pixels.size()));
    Put32(*packed, 32, entries);
    Append(*packed, palette);
    Append(*packed, pixels);
  }
  return file;
}

// One image of an ICO file: the size its directory entry gives, the size of its bitmap (or PNG).
struct IcoShape {
  int width, height;
  int bitmapWidth = 0, bitmapHeight = 0;  // 0: as the entry
  std::uint16_t bits = 24;
  bool png = false;
  std::size_t cut = 0;       // bytes missing at the image's end
  std::uint32_t moveBy = 0;  // its offset in the directory this far past the image
};

std::vector<std::uint8_t> IcoImageBytes(const IcoShape& s) {
  const int w = s.bitmapWidth ? s.bitmapWidth : s.width;
  const int h = s.bitmapHeight ? s.bitmapHeight : s.height;
  std::vector<std::uint8_t> image;
  if (s.png) {
    image = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int v : {w, h})
      Append(image,
             {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
    Append(image, Pattern(20, 3));
    return image;
  }
  for (const auto& [value, size] :
       std::vector<std::pair<std::uint64_t, int>>{{40, 4},
                                                  {static_cast<std::uint32_t>(w), 4},
                                                  {static_cast<std::uint32_t>(2 * h), 4},
                                                  {1, 2},
                                                  {s.bits, 2},
                                                  {0, 4},
                                                  {0, 4},
                                                  {0, 4},
                                                  {0, 4},
                                                  {0, 4},
                                                  {0, 4}}) {
    Append(image, Le(value, size));
  }
  const std::uint32_t entries = s.bits <= 8 ? 1u << s.bits : 0;
  Append(image, Pattern(4 * entries + (RowSize(w, s.bits) + RowSize(w, 1)) * h, 4));
  image.resize(image.size() - s.cut);
  return image;
}

std::vector<std::uint8_t> Head(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<std::uint8_t> IcoFile(const std::vector<IcoShape>& shapes, std::uint16_t type = 1) {
  std::vector<std::uint8_t> file = Le(0, 2);
  Append(file, Le(type, 2));
  Append(file, Le(shapes.size(), 2));
  std::vector<std::uint8_t> images;
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * shapes.size());
  for (const IcoShape& s : shapes) {
    const std::vector<std::uint8_t> image = IcoImageBytes(s);
    Append(file, {std::uint8_t(s.width), std::uint8_t(s.height), 0, 0});
    Append(file, Le(s.png ? 0 : 1, 2));
    Append(file, Le(s.png ? 0 : s.bits, 2));
    Append(file, Le(image.size(), 4));
    Append(file, Le(offset + s.moveBy, 4));
    offset += static_cast<std::uint32_t>(image.size());
    Append(images, image);
  }
  Append(file, images);
  return file;
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// A stub that carries pictures as the setup program's does: the banner, the folder picture, the
// XP quick-launch picture and two icon groups (Explorer's and the icon page's) with an image
// each, all in US English.
fs::path StubWithPictures(const fs::path& dir) {
  ResourceTree tree;
  const ResourceId english = ResourceId::Number(0x409);
  const auto put = [&](std::uint16_t type, const ResourceId& name, std::vector<std::uint8_t> b) {
    tree.Set(ResourceId::Number(type), name, {std::move(b), 0});
    for (ResourceType& t : tree.types)
      for (ResourceName& n : t.names)
        if (t.id == ResourceId::Number(type) && n.id == name) n.languages[0].language = english;
  };
  const auto group = [](std::uint16_t id) {
    std::vector<std::uint8_t> dir = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 24, 0};
    Append(dir, Le(8, 4));
    Append(dir, Le(id, 2));
    return dir;
  };
  put(kRtBitmap, ResourceId::Number(controlids::kLogoBitmap), Bytes("stub banner"));
  put(kRtBitmap, ResourceId::Number(controlids::kProgramFolderBitmap), Bytes("stub folder"));
  put(kRtBitmap, ResourceId::Number(controlids::kQuickLaunchBarXPBitmap), Bytes("stub bar"));
  put(kRtIcon, ResourceId::Number(1), Bytes("explorer"));
  put(kRtIcon, ResourceId::Number(2), Bytes("page icon"));
  put(kRtGroupIcon, ResourceId::Name(kExplorerIconGroup), group(1));
  put(kRtGroupIcon, ResourceId::Number(controlids::kProgramIcon), group(2));
  WriteExecutable(MinimalPe(), "stub", tree, dir / "picture-stub.exe");
  return dir / "picture-stub.exe";
}

struct Built {
  int exitCode;
  std::string errors;
};

Built BuildWithPictures(BuildFixture& f, const fs::path& stub,
                        const std::vector<std::string>& extra) {
  for (const char* file : {"p.exe", "UnInstall.EXE", "r.txt"})
    WriteFile(f.dir / "src/S" / file, file);
  WriteFile(f.dir / "script.txt", Clean("F*%Sa.txt\r\nF*%Ssub\\Empty.dat\r\nF*%Abig.bin\r\n"));
  std::vector<std::string> args = {"--script",  f.options.script.string(),
                                   "--licence", f.options.licence.string(),
                                   "--source",  f.options.source.string(),
                                   "-o",        f.options.output.string(),
                                   "--stub",    stub.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int exitCode = BuildCommand(args);
  testing::internal::GetCapturedStdout();
  return {exitCode, testing::internal::GetCapturedStderr()};
}

std::map<std::string, std::vector<std::uint8_t>> ResourcesOf(const fs::path& exe,
                                                             std::set<std::string>* languages) {
  const std::vector<std::uint8_t> file = ReadWholeFile(exe);
  std::map<std::string, std::vector<std::uint8_t>> found;
  for (const ResourceLocation& r : ListResources(file, ReadPeLayout(file, "exe"), "exe")) {
    const ByteSpan bytes = ByteSpan(file).subspan(r.offset, r.size);
    found[r.type.Text() + "/" + r.name.Text()] = {bytes.begin(), bytes.end()};
    if (languages && r.type.Text() != "10") languages->insert(r.language.Text());
  }
  return found;
}

// The pictures given replace the stub's, each in the stub's language; what is not given stays;
// the icon groups name new images and the old ones are gone.
TEST(MksetupPictures, GivenPicturesReplaceTheStubsAndTheRestStay) {
  BuildFixture f;
  const fs::path stub = StubWithPictures(f.dir);
  const fs::path pictures = f.dir / "pictures";
  std::vector<std::uint8_t> banner, folder;
  // As image editors write them: a V5 header and a gap before the pixels; names in any case.
  WriteBytes(pictures / "Logo.BMP", BmpFile({600, 75, 8, 124, 0, 200, 6}, &banner));
  WriteBytes(pictures / "quick-launch-xp.bmp", BmpFile({213, 30, 24, 108}, &folder));
  const std::vector<IcoShape> page = {{16, 16, 0, 0, 4}, {32, 32, 0, 0, 24}};
  const std::vector<IcoShape> explorer = {{48, 48, 0, 0, 32}, {0, 0, 256, 256, 32, true}};
  WriteBytes(pictures / "program.ico", IcoFile(page));
  WriteBytes(f.dir / "setup.ico", IcoFile(explorer));
  const Built built = BuildWithPictures(
      f, stub, {"--pictures", pictures.string(), "--icon", (f.dir / "setup.ico").string()});
  ASSERT_EQ(built.exitCode, 0) << built.errors;
  std::set<std::string> languages;
  const auto resources = ResourcesOf(f.options.output, &languages);
  EXPECT_EQ(languages, (std::set<std::string>{"1033"}));
  EXPECT_EQ(resources.at("2/200"), banner);
  EXPECT_EQ(resources.at("2/206"), folder);
  EXPECT_EQ(resources.at("2/204"), Bytes("stub folder"));
  // The icon page's group takes the place of its old image and one more (2, 3), Explorer's those
  // after (4, 5): the stub's images are gone, each new one holds its own bytes.
  std::set<std::string> icons;
  for (const auto& [key, bytes] : resources)
    if (key.starts_with("3/")) icons.insert(key);
  EXPECT_EQ(icons, (std::set<std::string>{"3/2", "3/3", "3/4", "3/5"}));
  const auto groupOf = [](const std::vector<IcoShape>& shapes, std::uint16_t firstId) {
    std::vector<std::uint8_t> dir = {0, 0, 1, 0, std::uint8_t(shapes.size()), 0};
    for (std::size_t i = 0; i < shapes.size(); ++i) {
      const IcoShape& s = shapes[i];
      Append(dir, {std::uint8_t(s.width), std::uint8_t(s.height), 0, 0, 1, 0});
      Append(dir, Le(s.png ? 32 : s.bits, 2));
      Append(dir, Le(IcoImageBytes(s).size(), 4));
      Append(dir, Le(firstId + i, 2));
    }
    return dir;
  };
  EXPECT_EQ(resources.at("14/207"), groupOf(page, 2));
  EXPECT_EQ(resources.at("14/MAINICON"), groupOf(explorer, 4));
  EXPECT_EQ(resources.at("3/2"), IcoImageBytes(page[0]));
  EXPECT_EQ(resources.at("3/3"), IcoImageBytes(page[1]));
  EXPECT_EQ(resources.at("3/5"), IcoImageBytes(explorer[1]));
  // list tells them from the stub's.
  testing::internal::CaptureStdout();
  ASSERT_EQ(ListCommand({f.options.output.string(), "--stub", stub.string()}), 0);
  const std::string listing = testing::internal::GetCapturedStdout();
  EXPECT_NE(listing.find("\nPictures (against " + stub.string() +
                         ")\n"
                         "  logo.bmp                   the product's own\n"
                         "  program.ico                the product's own\n"
                         "  program-folder.bmp         the stub's\n"
                         "  quick-launch-classic.bmp   missing\n"
                         "  quick-launch-xp.bmp        the product's own\n"
                         "  --icon (Explorer's)        the product's own\n"),
            std::string::npos)
      << listing;
  // extract writes the product's own pictures, and build takes them back to the same bytes.
  const fs::path out = f.dir / "extracted";
  testing::internal::CaptureStdout();
  ASSERT_EQ(ExtractCommand({f.options.output.string(), out.string(), "--stub", stub.string()}), 0);
  const std::string extracted = testing::internal::GetCapturedStdout();
  EXPECT_NE(extracted.find("build takes them back with --pictures " + (out / "pictures").string() +
                           " --icon " + (out / "setup.ico").string() + "\n"),
            std::string::npos)
      << extracted;
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(out / "pictures"))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"logo.bmp", "program.ico", "quick-launch-xp.bmp"}));
  testing::internal::CaptureStdout();
  ASSERT_EQ(BuildCommand({"--script", (out / "setup.txt").string(), "--licence",
                          (out / "licence.txt").string(), "--source", out.string(), "-o",
                          (f.dir / "again.exe").string(), "--stub", stub.string(), "--pictures",
                          (out / "pictures").string(), "--icon", (out / "setup.ico").string()}),
            0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(ReadWholeFile(f.dir / "again.exe"), ReadWholeFile(f.options.output));
}

// Every picture that the dialog could not show as given is refused with its file and reason,
// and no setup.exe is written.
TEST(MksetupPictures, BadPicturesAreRefusedWithTheirReason) {
  struct Case {
    const char* name;
    const char* file;  // in the pictures folder; "--icon" for Explorer's icon
    std::vector<std::uint8_t> bytes;
    std::string reason;
  };
  const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const std::string transparent =
      ": it is drawn transparent, and the dialog replaces the colour of its lower-left pixel in "
      "24-bit pictures only";
  const Case cases[] = {
      {"wrong size", "logo.bmp", BmpFile({599, 75}), "is 599x75; the banner must be 600x75"},
      {"wrong height", "quick-launch-classic.bmp", BmpFile({161, 25}),
       "is 161x25; the classic quick-launch picture must be 161x24"},
      {"wrong depth for the banner", "logo.bmp", BmpFile({600, 75, 16}),
       "has 16 bits per pixel; the banner must have 1, 4, 8 or 24"},
      {"palette picture drawn transparent", "program-folder.bmp", BmpFile({25, 25, 8}),
       "has 8 bits per pixel; the program folder picture must have 24" + transparent},
      {"one bit, drawn transparent", "quick-launch-xp.bmp", BmpFile({213, 30, 1}),
       "has 1 bit per pixel; the XP quick-launch picture must have 24" + transparent},
      {"pixels cut short", "logo.bmp", BmpFile({600, 75, 24, 40, 0, 0, 0, 1}),
       "is truncated: the file has 135053 bytes, 135054 are needed for its 600x75 pixels"},
      {"palette cut short", "logo.bmp", Head(BmpFile({600, 75, 8}), 100),
       "is truncated: the file has 100 bytes, 1078 are needed for its palette of 256 colours"},
      {"header cut short",
       "logo.bmp",
       {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1},
       "is truncated: the file has 19 bytes, 54 are needed for its bitmap header"},
      {"not a BMP", "quick-launch-xp.bmp", png,
       "is not a BMP file (it does not begin with \"BM\")"},
      {"compressed", "logo.bmp", BmpFile({600, 75, 8, 40, 1}),
       "is compressed (RLE8); the dialog shows uncompressed bitmaps only"},
      {"top-down", "logo.bmp", BmpFile({600, -75}),
       "is stored top-down (a negative height); Windows 9x shows only bottom-up bitmaps"},
      {"OS/2 header", "logo.bmp", BmpFile({600, 75, 24, 12}),
       "has an OS/2 bitmap header; save it as a Windows BMP"},
      {"too many colours", "logo.bmp", BmpFile({600, 75, 4, 40, 0, 17}),
       "says it has 17 palette colours; a 4-bit bitmap has at most 16"},
      {"two planes", "logo.bmp", BmpFile({600, 75, 24, 40, 0, 0, 0, 0, 2}),
       "has 2 planes; a bitmap has 1"},
      {"directory and bitmap disagree", "program.ico", IcoFile({{32, 32, 16, 16}}),
       "image 1 (32x32) holds a bitmap of 16x16, not the size its directory entry gives"},
      {"image outside the file", "program.ico", IcoFile({{32, 32, 0, 0, 24, false, 0, 9}}),
       "image 1 (32x32) lies at bytes 31 to 3271, outside the 3262-byte file or inside its "
       "directory"},
      {"directory cut short", "program.ico", Head(IcoFile({{16, 16}, {32, 32}}), 30),
       "is truncated: the file has 30 bytes, 38 are needed for its directory of 2 images"},
      {"image cut short", "program.ico", IcoFile({{32, 32, 0, 0, 24, false, 10}}),
       "image 1 (32x32) has 3230 bytes; its bitmap and mask need 3240"},
      {"image of 16 bits", "program.ico", IcoFile({{32, 32, 0, 0, 16}}),
       "image 1 (32x32) has 16 bits per pixel; an icon image has 1, 4, 8, 24 or 32"},
      {"cursor", "program.ico", IcoFile({{32, 32}}, 2), "is a cursor, not an icon"},
      {"not an icon", "program.ico", Bytes("BM not an icon"),
       "is not an icon file (no ICO header)"},
      {"no image", "program.ico", {0, 0, 1, 0, 0, 0}, "holds no image"},
      {"no 32x32 for the page", "program.ico", IcoFile({{16, 16}, {48, 48}}),
       "has no 32x32 bitmap image, the size the icon page's program icon is shown in (it has "
       "16x16, 48x48)"},
      {"PNG only for Explorer", "--icon", IcoFile({{0, 0, 256, 256, 32, true}}),
       "has PNG images only; Windows before Vista shows only bitmap images of an icon"},
      {"PNG of another size", "--icon", IcoFile({{48, 48, 64, 64, 32, true}}),
       "image 1 (48x48) is a PNG image of 64x64, not the size its directory entry gives"},
      {"unknown name", "banner.bmp", BmpFile({600, 75}),
       "is not a picture mksetup build takes; the names are logo.bmp, program.ico, "
       "program-folder.bmp, quick-launch-classic.bmp, quick-launch-xp.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildFixture f;
    const fs::path pictures = f.dir / "pictures";
    fs::create_directories(pictures);
    const bool icon = std::string(c.file) == "--icon";
    const fs::path file = icon ? f.dir / "setup.ico" : pictures / c.file;
    WriteBytes(file, c.bytes);
    const Built built = BuildWithPictures(
        f, f.options.stub, {icon ? "--icon" : "--pictures", (icon ? file : pictures).string()});
    EXPECT_EQ(built.exitCode, 1);
    EXPECT_NE(built.errors.find(file.string() + ": error: " + c.reason + " [picture]\n"),
              std::string::npos)
        << built.errors;
    EXPECT_FALSE(fs::exists(f.options.output));
  }
  // What is not there, a name given twice, and every bad picture of a folder at once.
  BuildFixture f;
  WriteBytes(f.dir / "pictures/logo.bmp", BmpFile({600, 74}));
  WriteBytes(f.dir / "pictures/program-folder.bmp", BmpFile({25, 25, 4}));
  WriteBytes(f.dir / "pictures/Logo.bmp", BmpFile({600, 75}));
  const Built built = BuildWithPictures(
      f, f.options.stub,
      {"--pictures", (f.dir / "pictures").string(), "--icon", (f.dir / "none.ico").string()});
  EXPECT_EQ(built.exitCode, 1);
  for (const std::string& line :
       {(f.dir / "pictures/program-folder.bmp").string() + ": error: has 4 bits per pixel;",
        (f.dir / "none.ico").string() +
            ": error: cannot be read: No such file or directory [picture]\n",
        (f.dir / "pictures/logo.bmp").string() +
            ": error: is logo.bmp a second time, beside Logo.bmp [picture]\n",
        f.options.script.string() + ": 3 errors, 0 warnings\n"}) {
    EXPECT_NE(built.errors.find(line), std::string::npos) << line << "\n" << built.errors;
  }
  EXPECT_FALSE(fs::exists(f.options.output));
  const Built missing =
      BuildWithPictures(f, f.options.stub, {"--pictures", (f.dir / "nowhere").string()});
  EXPECT_NE(missing.errors.find((f.dir / "nowhere").string() +
                                ": error: the pictures folder does not exist [picture]\n"),
            std::string::npos)
      << missing.errors;
}

// The product init writes is a start a vendor can build on at once: check --strict finds nothing,
// build makes a setup.exe, and a second init never writes over it.
// An installed mksetup (bin/ beside share/morvex-setup/) builds on the programs shipped with it,
// before the environment's and the build tree's; one copied alone finds the build tree's.
// Each value the setup, the registry or the version resource cannot take is an error on its own
// line of the identity file, and the values that passed are kept in the keys' order.
TEST(MksetupIdentity, EveryProblemIsAFindingOnItsLine) {
  struct Case {
    const char* problem;
    std::string text;  // the identity file, UTF-8
    std::size_t line;
    const char* code;
    const char* said = "";  // a part of the reason
  };
  const Case cases[] = {
      {"no equals sign", "# a comment\nStartMenuFolder Acme\n", 2, "identity-syntax"},
      {"no key", "= Acme\n", 1, "identity-syntax"},
      {"misspelt key", "\nPublsher = Acme\n", 2, "identity-key", "(did you mean Publisher?)"},
      {"unknown key", "Colour = blue\n", 1, "identity-key", "unknown key \"Colour\""},
      {"key given twice", "Publisher = A\npublisher = B\n", 2, "identity-twice", "on line 1"},
      {"empty folder", "StartMenuFolder =\n", 1, "identity-empty"},
      {"folder with a leading backslash", "StartMenuFolder = \\Acme\n", 1, "identity-folder"},
      {"folder with a slash", "StartMenuFolder = Acme/Draw\n", 1, "identity-folder"},
      {"folder naming a device", "StartMenuFolder = Acme\\CON\n", 1, "identity-folder", "CON"},
      {"folder ending in a dot", "StartMenuFolder = Acme.\n", 1, "identity-folder"},
      {"folder with a colon", "StartMenuFolder = Acme: Draw\n", 1, "identity-folder"},
      {"folder climbing", "StartMenuFolder = ..\\Startup\n", 1, "identity-folder"},
      {"folder too long", "StartMenuFolder = " + std::string(101, 'f') + "\n", 1, "identity-long"},
      {"lower-case add-on key", "AddOnKey = addon\n", 1, "identity-character"},
      {"add-on key with a blank", "AddOnKey = MY ADDON\n", 1, "identity-character"},
      {"add-on key with =", "AddOnKey = A=B\n", 1, "identity-character"},
      {"add-on key too long", "AddOnKey = " + std::string(33, 'K') + "\n", 1, "identity-long"},
      {"empty caption", "AddOnCaptionFrench =  \n", 1, "identity-empty"},
      {"caption with a tab", "AddOnCaptionGerman = a\tb\n", 1, "identity-character"},
      {"version of three numbers", "Version = 2.1.0\n", 1, "identity-version"},
      {"version of five numbers", "Version = 2.1.0.7.1\n", 1, "identity-version"},
      {"version number past 65535", "Version = 2.65536.0.0\n", 1, "identity-version"},
      {"version with a sign", "Version = 2.-1.0.0\n", 1, "identity-version"},
      {"version with letters", "Version = 2.1.0.7b\n", 1, "identity-version"},
      {"version text too long", "CompanyName = " + std::string(256, 'c') + "\n", 1,
       "identity-long"},
      {"version text with a control character", "LegalCopyright = (c)\x7f\n", 1,
       "identity-character"},
      {"negative size", "EstimatedSize = -1\n", 1, "identity-number"},
      {"size past a signed DWORD", "EstimatedSize = 2147483648\n", 1, "identity-number"},
      {"size with a unit", "EstimatedSize = 20 MB\n", 1, "identity-number"},
      {"address without scheme", "URLInfoAbout = www.acme.example\n", 1, "identity-url"},
      {"address with a blank", "URLInfoAbout = https://acme.example/a b\n", 1, "identity-url"},
      {"flag of 2", "NoModify = 2\n", 1, "identity-choice", "not one of 0, 1"},
      {"flag as a word", "NoRepair = yes\n", 1, "identity-choice"},
      {"empty publisher", "Publisher =\n", 1, "identity-empty"},
      {"icon path too long", "DisplayIcon = %S" + std::string(258, 'i') + "\n", 1, "identity-long"},
      {"caption over 100 UTF-16 units",
       "AddOnCaptionGerman = " + Repeated("\xD0\x94", 99) + "\xF0\x9F\x98\x80\n", 1,
       "identity-long", "101 characters"},
      {"not UTF-8", "Publisher = Acme\nCompanyName = Gr\xFCn\n", 2, "encoding"},
  };
  std::size_t caught = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    std::vector<Finding> findings;
    const Identity identity = ParseIdentity("identity.txt", Bytes(c.text), findings);
    const auto found = std::find_if(findings.begin(), findings.end(), [&](const Finding& f) {
      return f.code == c.code && f.line == c.line && f.severity == Severity::Error &&
             f.file == "identity.txt" && f.reason.find(c.said) != std::string::npos;
    });
    EXPECT_NE(found, findings.end())
        << findings.size() << " findings, the first "
        << (findings.empty() ? "" : findings[0].code + " " + findings[0].reason);
    caught += found != findings.end();
    EXPECT_TRUE(IsRuleCode(c.code)) << c.code << " is not in the rule table";
    // A refused value is not taken, so nothing half-checked reaches the setup (a character
    // the code page lacks stops the build all the same).
    if (std::string(c.code) != "encoding") {
      EXPECT_TRUE(std::none_of(identity.entries.begin(), identity.entries.end(),
                               [&](const IdentityEntry& e) { return e.line == c.line; }));
    }
  }
  std::printf("the identity file's check catches %zu of %zu problems\n", caught, std::size(cases));
  {
    // A refused folder is not built in, but the script is checked against it, as meant; a key
    // refused once and given again is given twice all the same.
    std::vector<Finding> findings;
    const Identity identity = ParseIdentity(
        "identity.txt", Bytes("StartMenuFolder = Acme\\CON\nStartMenuFolder = Acme\n"), findings);
    EXPECT_EQ(SetupIdentityOf(identity).startMenuFolder, "VELTRO 5107!");
    EXPECT_EQ(SetupIdentityOf(identity, true).startMenuFolder, "Acme\\CON");
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[1].code, "identity-twice");
  }

  // Every key at its limit, in any order and letter case, with comments and blanks: no finding,
  // and the values in the keys' own order and spelling.
  std::string all = "\xEF\xBB\xBF# Acme's identity\r\n\r\n  nomodify=1  \r\n";
  all += "StartMenuFolder = Acme Software\\" + std::string(86, 'd') + "\r\n";
  all += "AddOnKey = " + std::string(30, 'K') + "_-\r\n";
  all +=
      "AddOnCaptionGerman = Gr\xC3\xBC"
      "ne Erweiterung installieren\r\n";
  all += "AddOnCaptionEnglish = Install the green add-on\r\n";
  all += "AddOnCaptionFrench = Installer l'extension verte\r\n";
  all += "Version = 65535.0.65535.0\r\nCompanyName =\r\nFileDescription = Acme Setup\r\n";
  all += "FileVersion = 2.1\r\nLegalCopyright = \xC2\xA9 Acme\r\nProductName = Acme Draw\r\n";
  all += "ProductVersion = 2.1 beta\r\nDisplayVersion = 2.1\r\nPublisher = Acme\r\n";
  all += "DisplayIcon = %S" + std::string(257, 'i') + "\r\nEstimatedSize = 2147483647\r\n";
  all += "URLInfoAbout = HTTPS://acme.example/\r\nNoRepair = 0\r\n";
  std::vector<Finding> findings;
  const Identity identity = ParseIdentity("identity.txt", Bytes(all), findings);
  EXPECT_TRUE(findings.empty()) << FormatFinding(findings.at(0), "");
  std::vector<std::string> keys;
  for (const IdentityEntry& entry : identity.entries) keys.push_back(entry.key);
  std::vector<std::string> expected;
  for (const IdentityKey& key : IdentityKeys()) expected.push_back(key.name);
  EXPECT_EQ(keys, expected);
  ASSERT_TRUE(identity.Value("LegalCopyright"));
  EXPECT_EQ(*identity.Value("LegalCopyright"), "\xC2\xA9 Acme");
  EXPECT_EQ(*identity.Value("NoModify"), "1");
  EXPECT_EQ(identity.entries.back().line, 21u);
  const VendorIdentity setup = SetupIdentityOf(identity);
  EXPECT_EQ(setup.StartMenuPath(), "Acme Software\\" + std::string(86, 'd') + "\\");
  EXPECT_EQ(setup.addOnCaptionGerman, "Gr\xC3\xBCne Erweiterung installieren");
  // What Windows-1252 has is stored in it, as before; what it lacks makes the resource UTF-8
  // with the mark, which the setup and extract read back as written.
  const std::vector<std::uint8_t> western = IdentityResourceText(identity);
  EXPECT_NE(std::string(western.begin(), western.end()).find("=Gr\xFCne Erweiterung"),
            std::string::npos);
  {
    std::vector<Finding> found;
    const std::string caption =
        "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 "
        "\xE8\xA3\xBD\xE5\x93\x81\xE2\x84\xA2";
    const Identity wide = ParseIdentity(
        "identity.txt", Bytes("AddOnKey = K\nAddOnCaptionEnglish = " + caption + "\n"), found);
    EXPECT_TRUE(found.empty());
    const std::vector<std::uint8_t> stored = IdentityResourceText(wide);
    EXPECT_TRUE(HasUtf8ByteOrderMark(ByteSpan(stored)));
    EXPECT_EQ(ParseVendorIdentity(ByteSpan(stored)).addOnCaptionEnglish, caption);
    EXPECT_NE(IdentityFileText(ByteSpan(stored)).find("\nAddOnCaptionEnglish = " + caption + "\n"),
              std::string::npos);
  }
  ASSERT_EQ(setup.uninstallValues.size(), 7u);
  EXPECT_EQ(setup.uninstallValues[3].name, "EstimatedSize");
  EXPECT_TRUE(setup.uninstallValues[3].number);
}

fs::path StubWithVersion(const fs::path& dir) {
  ResourceTree tree;
  tree.Set(ResourceId::Number(kRtVersion), ResourceId::Number(kVersionInfoId),
           {WriteVersionInfo(StubVersionInfo()), 0});
  tree.types[0].names[0].languages[0].language = ResourceId::Number(0x407);
  WriteExecutable(MinimalPe(), "stub", tree, dir / "version-stub.exe");
  return dir / "version-stub.exe";
}

// Without --identity the stub's version resource is left as it is; with one, the texts and
// numbers it sets are in the version resource that the PE reader, and wrestool where installed,
// read back, the rest as the stub has them, in the stub's language.
TEST(MksetupIdentity, TheVersionResourceReadsBack) {
  BuildFixture f;
  const fs::path stub = StubWithVersion(f.dir);
  const std::map<std::string, std::vector<std::uint8_t>> stubResources = ResourcesOf(stub, nullptr);
  ASSERT_EQ(BuildWithPictures(f, stub, {}).exitCode, 0);
  std::set<std::string> languages;
  std::map<std::string, std::vector<std::uint8_t>> built =
      ResourcesOf(f.options.output, &languages);
  EXPECT_EQ(built.at("16/1"), stubResources.at("16/1"));
  EXPECT_EQ(built.count("10/SETUPIDENTITY"), 0u);
  EXPECT_FALSE(OpenSetupExe(f.options.output).identity);

  // Only uninstall values: the version resource stays the stub's, the identity is stored.
  WriteFile(f.dir / "uninstall-only.txt", "Publisher = Acme\n");
  ASSERT_EQ(
      BuildWithPictures(f, stub, {"--identity", (f.dir / "uninstall-only.txt").string()}).exitCode,
      0);
  built = ResourcesOf(f.options.output, nullptr);
  EXPECT_EQ(built.at("16/1"), stubResources.at("16/1"));
  EXPECT_EQ(built.at("10/SETUPIDENTITY"), Bytes("Publisher=Acme\r\n"));

  WriteFile(f.dir / "identity.txt",
            "Version = 2.1.0.7\nCompanyName = Acme Gesellschaft f\xC3\xBCr Zeichnungen "
            "\xD0\x94\xF0\x9F\x98\x80\n"
            "ProductVersion = 2.1\n");
  ASSERT_EQ(BuildWithPictures(f, stub, {"--identity", (f.dir / "identity.txt").string()}).exitCode,
            0);
  const std::vector<std::uint8_t> file = ReadWholeFile(f.options.output);
  const std::optional<VersionInfo> read = FindVersionInfo(file, "setup.exe");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->fileVersion, (FourNumbers{2, 1, 0, 7}));
  EXPECT_EQ(read->productVersion, (FourNumbers{2, 1, 0, 7}));
  EXPECT_EQ(read->language, 0x407);
  EXPECT_EQ(read->codePage, 1252);
  VersionInfo expected = StubVersionInfo();
  for (auto& [name, value] : expected.texts) {
    if (name == "CompanyName")
      value = "Acme Gesellschaft f\xC3\xBCr Zeichnungen \xD0\x94\xF0\x9F\x98\x80";
    if (name == "ProductVersion") value = "2.1";
  }
  EXPECT_EQ(read->texts, expected.texts);
  languages.clear();
  ResourcesOf(f.options.output, &languages);
  EXPECT_EQ(languages, std::set<std::string>{"1031"});  // 0x407, as the stub had it
  const std::vector<std::uint8_t> resource = ResourcesOf(f.options.output, nullptr).at("16/1");
  // The blocks' lengths add up: the resource is its root block and its padding, no more.
  EXPECT_EQ(resource[0] | resource[1] << 8, static_cast<int>(resource.size()));
  // The UTF-16 "für" and "Д😀" (a surrogate pair) as Windows reads them.
  const std::vector<std::uint8_t> fuer = {'f', 0, 0xFC, 0, 'r', 0};
  EXPECT_NE(std::search(resource.begin(), resource.end(), fuer.begin(), fuer.end()),
            resource.end());
  const std::vector<std::uint8_t> wide = {0x14, 0x04, 0x3D, 0xD8, 0x00, 0xDE, 0, 0};
  EXPECT_NE(std::search(resource.begin(), resource.end(), wide.begin(), wide.end()),
            resource.end());

  // The texts left out are the stub's own: the version resource of the stub that build takes
  // (where it was built) is the one written for an identity that changes none of them.
  if (const auto real = FindWindowsProgram("MKSETUP_STUB", "setup-stub.exe", Architecture::X86)) {
    const std::vector<std::uint8_t> image = ReadWholeFile(*real);
    const std::map<std::string, std::vector<std::uint8_t>> own = ResourcesOf(*real, nullptr);
    ASSERT_TRUE(own.count("16/1")) << real->string();
    EXPECT_EQ(own.at("16/1"), WriteVersionInfo(StubVersionInfo())) << real->string();
  }

  // Other readers, where installed: wrestool finds the same bytes, 7-Zip reads the numbers and
  // texts out of them.
  const auto installed = [](const char* tool) {
    return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
  };
  if (installed("wrestool")) {
    const fs::path extracted = f.dir / "version.bin";
    const std::string command = "wrestool -x --raw --type=16 --name=1 " +
                                f.options.output.string() + " > " + extracted.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadWholeFile(extracted), resource);
  }
  if (installed("7z")) {
    const fs::path listed = f.dir / "7z.txt";
    const std::string command =
        "7z l -slt " + f.options.output.string() + " > " + listed.string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<std::uint8_t> bytes = ReadWholeFile(listed);
    const std::string text(bytes.begin(), bytes.end());
    for (const char* line : {"\nFileVersion: 2.1.0.7\n", "\nProductVersion: 2.1\n",
                             "\nCompanyName: Acme Gesellschaft f\xC3\xBCr Zeichnungen\n"}) {
      EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
  }
  if (!installed("wrestool") && !installed("7z")) {
    GTEST_SKIP() << "neither wrestool (icoutils) nor 7z (p7zip-full) is installed: the version "
                    "resource was read back by mksetup's own reader only";
  }
}

TEST(MksetupToolPaths, InstalledProgramsComeFirst) {
  const fs::path dir = TempDir("tool_paths");
  const fs::path installed = dir / "usr" / "share" / "morvex-setup" / "setup-stub.exe";
  const fs::path beside = dir / "usr" / "bin" / "setup-stub.exe";
  const fs::path buildTree = dir / "win32" / "bin" / "setup-stub.exe";
  const fs::path installed64 = dir / "usr" / "share" / "morvex-setup" / "x64" / "setup-stub.exe";
  const fs::path beside64 = dir / "usr" / "bin" / "x64" / "setup-stub.exe";
  const fs::path buildTree64 = dir / "win64" / "bin" / "setup-stub.exe";
  const std::vector<fs::path> all = {installed,   beside,   buildTree,
                                     installed64, beside64, buildTree64};
  struct Row {
    const char* name;
    std::vector<fs::path> present;
    const char* env;
    std::optional<fs::path> expected;
    Architecture architecture = Architecture::X86;
  };
  const std::vector<Row> rows = {
      {"installed", {installed, beside, buildTree}, "/env/stub.exe", installed},
      {"beside the binary", {beside, buildTree}, "/env/stub.exe", beside},
      {"environment", {buildTree}, "/env/stub.exe", fs::path("/env/stub.exe")},
      {"empty environment", {buildTree}, "", buildTree},
      {"build tree", {buildTree}, nullptr, buildTree},
      {"nothing", {}, nullptr, std::nullopt},
      {"x86 beside x64 programs", all, nullptr, installed},
      {"x64 installed", all, "/env/stub.exe", installed64, Architecture::X64},
      {"x64 beside the binary",
       {installed, beside64, buildTree64},
       "/env/stub.exe",
       beside64,
       Architecture::X64},
      {"x64 from the environment",
       {installed, beside, buildTree, buildTree64},
       "/env/stub.exe",
       fs::path("/env/stub.exe"),
       Architecture::X64},
      {"x64 build tree", {installed, beside, buildTree64}, nullptr, buildTree64, Architecture::X64},
      {"x64 where only x86 is",
       {installed, beside, buildTree},
       nullptr,
       std::nullopt,
       Architecture::X64},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(dir);
    fs::create_directories(dir / "usr" / "bin");  // where the binary runs from, always there
    for (const fs::path& file : row.present) WriteFile(file, "MZ");
    const auto found =
        FindWindowsProgramFrom(dir / "usr" / "bin", row.env, "setup-stub.exe", row.architecture);
    EXPECT_EQ(found, row.expected);
  }
}

TEST(MksetupInit, WritesAProductThatPassesCheckStrictAndBuilds) {
  BuildFixture f;
  WriteFile(f.dir / "UnInstall.EXE", "the uninstaller as built");
  ::setenv("MKSETUP_UNINSTALLER", (f.dir / "UnInstall.EXE").c_str(), 1);
  const fs::path product = f.dir / "product";
  testing::internal::CaptureStdout();
  const int initialised = InitCommand({product.string()});
  testing::internal::GetCapturedStdout();
  ::unsetenv("MKSETUP_UNINSTALLER");
  ASSERT_EQ(initialised, 0);
  const std::string uninstaller = "the uninstaller as built";
  EXPECT_EQ(ReadWholeFile(product / "tree/S/UnInstall.EXE"),
            std::vector<std::uint8_t>(uninstaller.begin(), uninstaller.end()));
  // The script's program group is the identity's: without it the main program's shortcut has
  // no folder that the script makes.
  const std::vector<std::string> check = {(product / "setup.txt").string(),   "--source",
                                          (product / "tree").string(),        "--licence",
                                          (product / "licence.txt").string(), "--strict"};
  std::vector<std::string> withIdentity = check;
  withIdentity.insert(withIdentity.end(), {"--identity", (product / "identity.txt").string()});
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int checked = CheckCommand(withIdentity);
  const int builtIn = CheckCommand(check);
  const std::string report = testing::internal::GetCapturedStdout();
  const std::string findings = testing::internal::GetCapturedStderr();
  EXPECT_EQ(checked, 0) << report << findings;
  EXPECT_EQ(builtIn, 1);
  EXPECT_NE(report.find("the main program's start-menu shortcut"), std::string::npos) << report;
  testing::internal::CaptureStdout();
  const int built =
      BuildCommand({"--script", (product / "setup.txt").string(), "--licence",
                    (product / "licence.txt").string(), "--source", (product / "tree").string(),
                    "-o", (f.dir / "init.exe").string(), "--stub", f.options.stub.string(),
                    "--strict", "--identity", (product / "identity.txt").string()});
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(built, 0);
  ASSERT_TRUE(fs::exists(f.dir / "init.exe"));
  EXPECT_EQ(OpenSetupExe(f.dir / "init.exe").Identity().StartMenuPath(), "My Product\\");
  const std::vector<std::uint8_t> script = ReadWholeFile(product / "setup.txt");
  EXPECT_THROW(InitCommand({product.string()}), ToolError);
  EXPECT_EQ(ReadWholeFile(product / "setup.txt"), script);
}

std::string TextOf(const fs::path& file) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
  return {bytes.begin(), bytes.end()};
}

// The lines init writes after the start-menu folder's D line, up to the R line it ends with.
std::string TreeLinesOf(const fs::path& script) {
  const std::string text = TextOf(script);
  const std::size_t from = text.find("D*%PMy Product\\\r\n") + 17;
  return text.substr(from, text.find("R*Software") - from);
}

// init --from lists a tree as Windows lists a folder: a folder's D line before its files, in a
// folder its files before its sub-folders, names folded and compared as NTFS does (so "Zebra"
// before "Ärger"); the uninstaller in its place whether the tree has it or not; and check
// --strict passes the product at once.
TEST(MksetupInit, FromATreeListsEveryFileInWindowsOrder) {
  struct Row {
    const char* tree;
    std::vector<std::string> files;
    std::string lines;
    const char* mainProgram;
  };
  const Row rows[] = {
      {"a plain folder is the S part",
       {"b.txt", "C.txt", "Zebra.txt", "\xC3\x84rger.txt", "prog.exe", "d/x.txt", "d/Empty/"},
       "F*%Sb.txt\r\nF*%SC.txt\r\nF*%Sprog.exe\r\nF*%SUnInstall.EXE\r\nF*%SZebra.txt\r\n"
       "F*%S\xC4rger.txt\r\nD*%Sd\\\r\nF*%Sd\\x.txt\r\nD*%Sd\\Empty\\\r\n",
       "H%Sprog.exe"},
      {"S and A parts",
       {"S/uninstall.exe", "S/a.exe", "S/bin/b.exe", "S/bin/deep/d.dat", "A/cfg.ini"},
       "F*%Sa.exe\r\nF*%Suninstall.exe\r\nD*%Sbin\\\r\nF*%Sbin\\b.exe\r\nD*%Sbin\\deep\\\r\n"
       "F*%Sbin\\deep\\d.dat\r\nD*%A\r\nF*%Acfg.ini\r\n",
       "H%Sa.exe"},
      {"no obvious program",
       {"S/one.exe", "S/two.exe"},
       "F*%Sone.exe\r\nF*%Stwo.exe\r\nF*%SUnInstall.EXE\r\n",
       "H%SNAME-THE-MAIN-PROGRAM.exe"},
      // Names Windows-1252 lacks make the script UTF-8 with the byte-order mark.
      {"Cyrillic and CJK names",
       {"\xE8\xA3\xBD\xE5\x93\x81.exe", "Outils vid\xC3\xA9o/a.txt",
        "\xD0\x94\xD0\xBE\xD0\xBA/\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt"},
       "F*%SUnInstall.EXE\r\nF*%S\xE8\xA3\xBD\xE5\x93\x81.exe\r\nD*%SOutils vid\xC3\xA9o\\\r\n"
       "F*%SOutils vid\xC3\xA9o\\a.txt\r\nD*%S\xD0\x94\xD0\xBE\xD0\xBA\\\r\n"
       "F*%S\xD0\x94\xD0\xBE\xD0\xBA\\\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt\r\n",
       "H%S\xE8\xA3\xBD\xE5\x93\x81.exe"},
  };
  const fs::path dir = TempDir("init_from");
  WriteFile(dir / "UnInstall.EXE", "the uninstaller as built");
  const ScopedEnv uninstaller("MKSETUP_UNINSTALLER", (dir / "UnInstall.EXE").string());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tree);
    const fs::path tree = dir / row.tree, product = dir / (std::string(row.tree) + " product");
    for (const std::string& file : row.files) {
      if (file.back() == '/')
        fs::create_directories(tree / file);
      else
        WriteFile(tree / file, file);
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(InitCommand({product.string(), "--from", tree.string()}), 0);
    const std::string said = testing::internal::GetCapturedStdout();
    const std::vector<std::uint8_t> script = ReadWholeFile(product / "setup.txt");
    const bool wide = std::string(row.tree) == "Cyrillic and CJK names";
    EXPECT_EQ(HasUtf8ByteOrderMark(ByteSpan(script)), wide);
    EXPECT_EQ(said.find("UTF-8 with a byte-order mark") != std::string::npos, wide) << said;
    EXPECT_EQ(TreeLinesOf(product / "setup.txt"), row.lines);
    EXPECT_NE(std::string(script.begin(), script.end())
                  .find(std::string("\r\n") + row.mainProgram + "\r\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(product / "tree"));
    testing::internal::CaptureStdout();
    const int checked = CheckCommand({(product / "setup.txt").string(), "--source", tree.string(),
                                      "--licence", (product / "licence.txt").string(), "--identity",
                                      (product / "identity.txt").string(), "--strict"});
    const std::string report = testing::internal::GetCapturedStdout();
    EXPECT_EQ(checked, std::string(row.tree) == "no obvious program" ? 1 : 0) << report;
  }
}

// A name Windows forbids, or cannot tell from another, refuses the whole tree, naming the file,
// and nothing is written: neither a new product nor a refreshed script.
TEST(MksetupInit, RefusesANameNoLineCarriesAndWritesNothing) {
  struct Row {
    const char* name;
    const char* said;
  };
  const Row rows[] = {
      {"a:b.txt", "holds ':'"},
      {"\xC2\x81.txt", "a control character"},  // what Windows-1252's unassigned 0x81 becomes
      {"nul.txt", "that of a device"},
      {"notes.", "ends in a dot or blank"},
      {"100%Sale.txt", "read as a macro"},
      {"X.TXT", "only in letter case"},
      {"\xD0\x94.TXT", "only in letter case"},  // beside "д.txt"
      {"outside", "outside the source tree"},
  };
  const fs::path dir = TempDir("init_refuse");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path tree = dir / "tree";
    fs::remove_all(tree);
    WriteFile(tree / "S/x.txt", "x");
    WriteFile(tree / "S/\xD0\xB4.txt", "x");
    if (std::string(row.name) == "outside") {
      fs::create_symlink(dir / "elsewhere.txt", tree / "S/outside");
      WriteFile(dir / "elsewhere.txt", "a private file");
    } else {
      WriteFile(tree / "S" / row.name, "x");
    }
    testing::internal::CaptureStderr();
    EXPECT_THROW(InitCommand({(dir / "product").string(), "--from", tree.string()}), ToolError);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find((tree / "S").string() + "/"), std::string::npos) << errors;
    EXPECT_NE(errors.find(": error: "), std::string::npos) << errors;
    EXPECT_NE(errors.find(row.said), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(dir / "product"));
    WriteFile(dir / "setup.txt", Clean());
    testing::internal::CaptureStderr();
    EXPECT_THROW(InitCommand({"--refresh", (dir / "setup.txt").string(), "--from", tree.string()}),
                 ToolError);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadWholeFile(dir / "setup.txt"), Bytes(Clean()));
  }
}

// --refresh: the tree lost a.txt and the folder old\ with its files, and gained n.txt and the
// folder new\. Their lines go, and come in the tree's order right after the line of the entry
// before them; every other line stays byte for byte,
// the hand-written D line of a folder outside the tree and an F line of one language included,
// in the script's line break and encoding. A Windows-1252 script that gains a name the code page
// lacks becomes UTF-8 with the byte-order mark, the same text in every line.
TEST(MksetupInit, RefreshKeepsWhatAPersonWroteAndFollowsTheTree) {
  struct Row {
    const char* kind;
    std::string lineBreak;
    std::string name;   // a file name with an umlaut, as the script holds it
    std::string mark;   // what the script begins with
    std::string extra;  // a new file in new\, UTF-8; empty for none
  };
  const std::string bom = "\xEF\xBB\xBF";
  const Row rows[] = {
      {"Windows-1252, CR LF", "\r\n", "\xFC.txt", "", ""},
      {"LF", "\n", "\xFC.txt", "", ""},
      {"UTF-8", "\r\n", "\xC3\xBC.txt", "", ""},
      {"UTF-8 with a byte-order mark", "\r\n", "\xD0\x94.txt", bom, "\xE8\xA3\xBD.txt"},
      {"Windows-1252 gaining a Cyrillic name", "\r\n", "\xFC.txt", "", "\xD0\xB4.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    const fs::path dir = TempDir("init_refresh");
    const auto lines = [&](std::initializer_list<std::string> list) {
      std::string text;
      for (const std::string& line : list) text += line + row.lineBreak;
      return text;
    };
    const std::string header =
        lines({"GE", "N*Acme Draw " + row.name, "V(2.0)", "S0", "DAcme\\Draw\\", "H%Sdraw.exe", "",
               "", "", "D*%PAcme Draw\\", "D*%Sdata\\"});
    const std::string before =
        row.mark + header +
        lines({"F*%Sa.txt", "F*%Sdraw.exe", "F*%SUnInstall.EXE", "FG%S" + row.name, "D*%Sold\\",
               "F*%Sold\\o.txt", "F*%Sold\\p.txt", "D*%Sdocs\\", "F*%SDOCS\\z.txt",
               "K*%Sdocs\\Help.lnk;%Sdocs\\z.txt;", "R*Software\\Acme;Dir;%S",
               "E*%Sdraw.exe /register"});
    std::string after =
        header + lines({"F*%Sdraw.exe", "F*%Sn.txt", "F*%SUnInstall.EXE", "FG%S" + row.name,
                        "D*%Sdocs\\", "F*%SDOCS\\z.txt", "D*%Snew\\", "F*%Snew\\m.txt"});
    if (!row.extra.empty()) after += lines({"F*%Snew\\@"});
    after += lines(
        {"K*%Sdocs\\Help.lnk;%Sdocs\\z.txt;", "R*Software\\Acme;Dir;%S", "E*%Sdraw.exe /register"});
    const bool becomes = row.mark.empty() && !row.extra.empty();
    if (becomes) after = bom + Utf8From1252(after);
    after = row.mark + Replaced(after, "@", row.extra);
    for (const char* file : {"S/draw.exe", "S/n.txt", "S/docs/z.txt", "S/new/m.txt"})
      WriteFile(dir / "tree" / file, "x");
    WriteFile(dir / "tree/S" / row.name, "x");
    if (!row.extra.empty()) WriteFile(dir / "tree/S/new" / row.extra, "x");
    WriteFile(dir / "setup.txt", before);
    const std::vector<std::string> refresh = {"--refresh", (dir / "setup.txt").string(), "--from",
                                              (dir / "tree").string()};
    testing::internal::CaptureStdout();
    EXPECT_EQ(InitCommand(refresh), 0);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(TextOf(dir / "setup.txt"), after);
    EXPECT_NE(said.find(row.extra.empty() ? ": 3 lines added, 4 removed" : ": 4 lines added"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("now UTF-8 with a byte-order mark, since Windows-1252 lacks U+0434") !=
                  std::string::npos,
              becomes)
        << said;
    testing::internal::CaptureStdout();
    EXPECT_EQ(InitCommand(refresh), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find(": 0 lines added, 0 removed"),
              std::string::npos);
    EXPECT_EQ(TextOf(dir / "setup.txt"), after);
  }
}

// check --source warns of each file of the tree that no F line names (in any letter case it is
// named), ten in the text and every one in JSON; a file the script names and the tree lacks is
// an error.
TEST(MksetupCheck, TreeFilesNoLineNamesAreWarnedOf) {
  BuildFixture f;
  for (int i = 0; i < 12; ++i) WriteFile(f.dir / "src/A/extra" / std::to_string(i), "x");
  WriteFile(f.dir / "script.txt",
            Script("FG%SA.TXT\r\nFE%Ssub\\Empty.dat\r\nF*%Abig.bin\r\nF*%Sgone.txt\r\n"));
  const std::vector<std::string> check = {f.options.script.string(), "--source",
                                          f.options.source.string()};
  testing::internal::CaptureStdout();
  CheckCommand(check);
  const std::string text = testing::internal::GetCapturedStdout();
  std::vector<std::string> json = check;
  json.push_back("--json");
  testing::internal::CaptureStdout();
  CheckCommand(json);
  const std::string listed = testing::internal::GetCapturedStdout();
  const auto count = [](const std::string& in, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = in.find(what, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count(text, "warning: no F line names this file"), kShownPerRule) << text;
  EXPECT_NE(text.find(": ... 2 more of the same [unlisted-file]\n"), std::string::npos) << text;
  EXPECT_NE(text.find((f.dir / "src/A/extra/0").string() +
                      ": warning: no F line names this file of the source tree, so setup.exe "
                      "does not install it: add F*%Aextra\\0"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("a.txt: warning"), std::string::npos) << text;
  EXPECT_NE(text.find(":13: error: no source file for \"%Sgone.txt\""), std::string::npos) << text;
  EXPECT_EQ(count(listed, "\"unlisted-file\""), 12u) << listed;
}

// list --json: the schema version, the S value as a number, each file's sizes and hash, and
// every action line after the header.
TEST(MksetupList, JsonShowsEveryActionLineAndEachFile) {
  BuildFixture f;
  for (const char* file : {"p.exe", "UnInstall.EXE"}) WriteFile(f.dir / "src/S" / file, file);
  WriteFile(f.dir / "src/S/r.txt", "abc");
  WriteFile(f.dir / "script.txt", Clean("R*Software\\P;Count;7\r\nX*T5107;%Sp.exe;Drawing\r\n"));
  ASSERT_EQ(BuildCommand({"--script", f.options.script.string(), "--licence",
                          f.options.licence.string(), "--source", f.options.source.string(), "-o",
                          f.options.output.string(), "--stub", f.options.stub.string()}),
            0);
  testing::internal::CaptureStdout();
  ASSERT_EQ(ListCommand({f.options.output.string(), "--json"}), 0);
  const std::string json = testing::internal::GetCapturedStdout();
  const std::string expected[] = {
      "\"schemaVersion\": 1",
      "\"sizeValue\": 58,",  // licence 37 + 5 + 13 + 3
      // 12 bytes of lengths and count, a stream of 14: header, the 3 bytes stored, Adler-32.
      "\"path\": \"%Sr.txt\", \"bytes\": 3, \"compressedBytes\": 26, \"blocks\": 1, \"sha256\": "
      "\"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\"",
      "{\"line\": 10, \"code\": \"D\"",
      "{\"line\": 14, \"code\": \"R\", \"language\": \"*\", \"text\": \"Software\\\\P;Count;7\"",
      "REG_DWORD 7",
      "{\"line\": 15, \"code\": \"X\"",
      "\"signed\": false,\n  \"signer\": null,",
      "\"architecture\": \"x86\",",
  };
  for (const std::string& part : expected)
    EXPECT_NE(json.find(part), std::string::npos) << part << json;
  // The same product on the x64 stub says so in both forms.
  WriteImage(f.dir / "stub64.exe", MinimalPe64());
  ASSERT_EQ(
      BuildCommand({"--script", f.options.script.string(), "--licence", f.options.licence.string(),
                    "--source", f.options.source.string(), "-o", f.options.output.string(),
                    "--stub", (f.dir / "stub64.exe").string(), "--arch", "x64"}),
      0);
  testing::internal::CaptureStdout();
  ASSERT_EQ(ListCommand({f.options.output.string(), "--json"}), 0);
  ASSERT_EQ(ListCommand({f.options.output.string()}), 0);
  const std::string listed = testing::internal::GetCapturedStdout();
  EXPECT_NE(listed.find("\"architecture\": \"x64\","), std::string::npos) << listed;
  EXPECT_NE(listed.find("\nArchitecture           x64\n"), std::string::npos) << listed;
}

// mksetup run carries out a built setup.exe in a simulated Windows: the language filter decides
// which files land, every F line keeps its payload entry, and the log is left beside them.
TEST(MksetupRun, InstallsTheChosenLanguageIntoTheSimulatedWindows) {
  BuildFixture f;
  BuildSetup(f.options);
  struct Case {
    const char* language;
    bool germanFile, englishFile;
    const char* logLanguage;
  };
  const Case cases[] = {{"G", true, false, "LG"}, {"E", false, true, "LE"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    const fs::path root = f.dir / (std::string("root-") + c.language);
    const fs::path dest = root / "C/Inst";
    ASSERT_EQ(RunCommand({f.options.output.string(), "--root", root.string(), "--language",
                          c.language, "--dest", "C:\\Inst"}),
              0);
    EXPECT_EQ(fs::exists(dest / "a.txt"), c.germanFile);
    EXPECT_EQ(fs::exists(dest / "sub/Empty.dat"), c.englishFile);
    const fs::path big = root / "C/Users/Tester/AppData/Roaming/sub/big.bin";
    EXPECT_EQ(ReadWholeFile(big), ReadWholeFile(f.dir / "src/A/big.bin"));
    const std::vector<std::uint8_t> log = ReadWholeFile(dest / "UnInstall.LOG");
    EXPECT_EQ(std::string(log.begin(), log.begin() + 8),
              std::string("NP\r\n") + c.logLanguage + "\r\n");
    EXPECT_TRUE(fs::exists(root / "registry.txt"));
  }
  EXPECT_NE(RunCommand({f.options.output.string(), "--root", (f.dir / "r").string(),
                        "--decline-admin", "--not-admin"}),
            0);
  EXPECT_FALSE(fs::exists(f.dir / "r/C/Program Files/sub/UnInstall.LOG"));
}

// A simulated machine as a text: every file under the root with its bytes (the tool's own
// registry.txt and starts.txt apart) and the registry.
std::string MachineText(const fs::path& root) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path relative = entry.path().lexically_relative(root);
    if (relative == "registry.txt" || relative == "starts.txt") continue;
    std::string line = relative.string();
    if (entry.is_regular_file()) {
      const std::vector<std::uint8_t> bytes = ReadWholeFile(entry.path());
      line += " = " + std::string(bytes.begin(), bytes.end());
    }
    entries.push_back(line);
  }
  std::sort(entries.begin(), entries.end());
  const std::vector<std::uint8_t> registry = ReadWholeFile(root / "registry.txt");
  std::string text(registry.begin(), registry.end());
  for (const std::string& entry : entries) text += entry + "\n";
  return text;
}

constexpr const char* kUninstallKeyText =
    "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall]\r\n";

// mksetup uninstall after mksetup run: the machine is as it was before the installation, and
// every way it can end leaves it as the code says.
TEST(MksetupUninstall, TakesWhatRunInstalledAndNothingElse) {
  struct Case {
    const char* name;
    const char* actions;  // besides those of a clean product
    std::vector<std::string> runOptions;
    std::vector<std::string> uninstallOptions;
    const char* damage;  // the UnInstall.LOG written over the installed one; nullptr: as installed
    int rc;
    bool removed;                    // the machine is as before the installation (else as after it)
    const char* appended = nullptr;  // records added to the installed log
    bool withoutDigest = false;      // the registration's digest of the log taken away
    const char* product = nullptr;   // the log's N record names this product instead
    bool linkedData = false;         // the data folder replaced by a link to C:\Outside
    const char* identity = nullptr;  // build's --identity file; its values are asked for
    std::vector<std::string> installedValues = {};  // in registry.txt after the run
  };
  // Records a rewritten log may add: system and other users' folders and files, the same
  // through an administrative share, a system file type.
  const char* hostile =
      "DC:\\Windows\\\r\nFC:\\Windows\\win.ini\r\nDC:\\Users\\alice\\\r\n"
      "FC:\\Users\\alice\\doc.txt\r\nD\\\\localhost\\C$\\Windows\\\r\n"
      "F\\\\localhost\\C$\\Windows\\win.ini\r\nXexe\r\n";
  const Case cases[] = {
      {"clean product", "", {}, {}, nullptr, 0, true},
      {"file type and data folder",
       "X*T5107;%Sp.exe;Drawing\r\nD*%Sdata\\\r\n",
       {},
       {},
       nullptr,
       0,
       true},
      {"all users", "", {"--all-users"}, {}, nullptr, 0, true},
      {"the log named",
       "",
       {},
       {"--log", "C:\\Program Files\\sub\\UnInstall.LOG"},
       nullptr,
       0,
       true},
      {"answered No", "", {}, {"--no"}, nullptr, 3, false},
      {"damaged log", "", {}, {}, "garbage\r\n", 1, false},
      // The registration vouches for the log as installed: a rewritten one is refused whole.
      {"rewritten log", "", {}, {}, nullptr, 1, false, hostile},
      // Without the digest the records outside the installation are left alone, and the rest
      // goes: the box at the end names what stayed.
      {"rewritten log without its digest", "", {}, {}, nullptr, 4, true, hostile, true},
      // Another product's registration is never the one removed.
      {"another product named",
       "",
       {},
       {"--log", "C:\\Program Files\\sub\\UnInstall.LOG"},
       nullptr,
       4,
       true,
       nullptr,
       true,
       "Other Product"},
      // A folder of the installation that is now a link out of it goes as the link it is;
      // what it points at stays, and the link is named (exit 1).
      {"data folder replaced by a link",
       "D*%Sdata\\\r\n",
       {},
       {},
       nullptr,
       1,
       true,
       nullptr,
       false,
       nullptr,
       true},
      // The uninstall entry's extra values go with its key.
      {"the vendor's identity",
       "",
       {},
       {},
       nullptr,
       0,
       true,
       nullptr,
       false,
       nullptr,
       false,
       "Publisher = Acme Ltd.\nDisplayVersion = 2.1\nEstimatedSize = 2048\nNoModify = 1\n"
       "DisplayIcon = %Sp.exe,0\nURLInfoAbout = https://acme.example/\n",
       {"\"Publisher\"=\"Acme Ltd.\"", "\"DisplayVersion\"=\"2.1\"",
        "\"EstimatedSize\"=dword:00000800", "\"NoModify\"=dword:00000001",
        "\"DisplayIcon\"=\"C:\\\\Program Files\\\\sub\\\\p.exe,0\"",
        "\"URLInfoAbout\"=\"https://acme.example/\""}},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildFixture f;
    for (const char* file : {"p.exe", "UnInstall.EXE", "r.txt"})
      WriteFile(f.dir / "src/S" / file, file);
    // The destination's D line before its files, so that the log names the folder.
    WriteFile(f.dir / "script.txt", Replaced(Clean(c.actions), "F*%Sp.exe", "D*%S\r\nF*%Sp.exe"));
    std::vector<std::string> build = {
        "--script", f.options.script.string(), "--licence", f.options.licence.string(),
        "--source", f.options.source.string(), "-o",        f.options.output.string(),
        "--stub",   f.options.stub.string()};
    if (c.identity) {
      WriteFile(f.dir / "identity.txt", c.identity);
      build.insert(build.end(), {"--identity", (f.dir / "identity.txt").string()});
    }
    ASSERT_EQ(BuildCommand(build), 0);
    const fs::path root = f.dir / ("root" + std::to_string(row++));
    const std::string exe = f.options.output.string();
    WriteFile(root / "C/Windows/win.ini", "[windows]");
    WriteFile(root / "C/Users/alice/doc.txt", "alice's");
    WriteFile(root / "C/Outside/keep.txt", "theirs");
    const std::string otherKey =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\"
        "Other Product]\r\n\"UninstallString\"=\"C:\\\\Other\\\\UnInstall.EXE\"\r\n";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    // The machine before: what a run that installs nothing leaves.
    EXPECT_EQ(RunCommand({exe, "--root", root.string(), "--decline-admin", "--not-admin"}), 3);
    const std::string before = MachineText(root);
    std::vector<std::string> run = {exe, "--root", root.string(), "--language", "E"};
    run.insert(run.end(), c.runOptions.begin(), c.runOptions.end());
    EXPECT_EQ(RunCommand(run), 0);
    const fs::path log = root / "C/Program Files/sub/UnInstall.LOG";
    if (c.damage) WriteFile(log, c.damage);
    if (c.appended) std::ofstream(log, std::ios::binary | std::ios::app) << c.appended;
    if (c.product) {
      const std::vector<std::uint8_t> bytes = ReadWholeFile(log);
      std::string text(bytes.begin(), bytes.end());
      WriteFile(log, "N" + std::string(c.product) + text.substr(text.find('\r')));
      std::ofstream(root / "registry.txt", std::ios::binary | std::ios::app) << otherKey;
    }
    if (c.linkedData) {
      fs::remove(root / "C/Program Files/sub/data");
      fs::create_directory_symlink(root / "C/Outside", root / "C/Program Files/sub/data");
    }
    if (c.withoutDigest) {
      const std::vector<std::uint8_t> text = ReadWholeFile(root / "registry.txt");
      std::string kept;
      for (const std::string& line : SplitScriptLines(std::string(text.begin(), text.end()))) {
        if (line.find(kLogDigestValue) == std::string::npos) kept += line + "\r\n";
      }
      WriteFile(root / "registry.txt", kept);
    }
    const std::string installed = MachineText(root);
    for (const std::string& value : c.installedValues) {
      EXPECT_NE(installed.find(value), std::string::npos) << value << "\n" << installed;
    }
    std::vector<std::string> uninstall = {"--root", root.string()};
    uninstall.insert(uninstall.end(), c.uninstallOptions.begin(), c.uninstallOptions.end());
    const int rc = UninstallCommand(uninstall);
    const std::string out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, c.rc) << out;
    if (c.product) {
      // The files go as the log says; the registration it names belongs to another program.
      const std::vector<std::uint8_t> registry = ReadWholeFile(root / "registry.txt");
      EXPECT_NE(std::string(registry.begin(), registry.end()).find(otherKey), std::string::npos);
      EXPECT_FALSE(fs::exists(root / "C/Program Files/sub/p.exe"));
      continue;
    }
    // The Uninstall key itself stays: every Windows has it, the simulated one gets it with the
    // first registration.
    EXPECT_EQ(Replaced(MachineText(root), kUninstallKeyText, ""),
              Replaced(c.removed ? before : installed, kUninstallKeyText, ""))
        << out;
    if (c.removed) {
      EXPECT_NE(out.find("removed C:\\Program Files\\sub\\p.exe\n"), std::string::npos) << out;
    } else {
      EXPECT_EQ(out.find("removed C:"), std::string::npos) << out;
    }
  }
}

// What mksetup uninstall refuses before it reads a log: a root no run has used, and a machine
// with two registrations when no --log says which.
TEST(MksetupUninstall, RefusesWhatItCannotTellApart) {
  BuildFixture f;
  BuildSetup(f.options);
  const fs::path root = f.dir / "root";
  EXPECT_THROW(UninstallCommand({"--root", root.string()}), UsageError);
  EXPECT_THROW(UninstallCommand({"--root", root.string(), "extra"}), UsageError);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (const char* dest : {"C:\\One", "C:\\Two"}) {
    const std::string product = dest + 3;  // a registration of its own
    WriteFile(f.dir / "script.txt",
              Replaced(Script("FG%Sa.txt\r\nF*%SUnInstall.EXE\r\n"), "N*P", "N*" + product));
    WriteFile(f.dir / "src/S/UnInstall.EXE", "u");
    BuildSetup(f.options);
    EXPECT_EQ(RunCommand({f.options.output.string(), "--root", root.string(), "--language", "G",
                          "--dest", dest}),
              0);
  }
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  try {
    UninstallCommand({"--root", root.string()});
    ADD_FAILURE() << "two registrations taken";
  } catch (const UsageError& error) {
    EXPECT_NE(std::string(error.what()).find("C:\\One\\UnInstall.EXE"), std::string::npos)
        << error.what();
  }
}

// The dry run shows what a user would see: every message box in its order on stderr, the
// languages offered and the first page, shortcuts counted as made, and an exit code per ending.
TEST(MksetupRun, ShowsEveryBoxAndTellsTheEndingsApart) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    const char* script;          // action lines after the header; empty: the fixture's
    int rc;                      // -1: SetupError escapes (exit 1), -2: UsageError (exit 2)
    const char* err;             // the message boxes on stderr, in order
    const char* out;             // a part of stdout
    const char* link = nullptr;  // planted below the root, to the outside folder's file "secret"
                                 // or (ending in "/") to the folder itself; named on stderr
    const char* identity = nullptr;  // the identity file build is given
  };
  const Case cases[] = {
      {"a linked destination folder",
       {},
       "F*%Sx\r\n",
       -1,
       "message box \"Setup\": Cannot create file C:\\Inst\\x. [OK]\n",
       "",
       "C/Inst/"},
      {"a linked file in the destination",
       {},
       "F*%Sx\r\n",
       -1,
       "message box \"Setup\": Cannot create file C:\\Inst\\x. [OK]\n",
       "",
       "C/Inst/x"},
      {"a linked registry", {}, "", 1, "", "", "registry.txt"},
      {"installed", {}, "", 0, "", "0 shortcuts made, 0 not"},
      {"link without its folder",
       {},
       "D*%PVELTRO 5107!\\\r\nF*%Sp.exe\r\nK*%Sno\\x.lnk;%Sp.exe;\r\n",
       0,
       "message box \"SETUP.EXE\": Problems with link \n     \"C:\\Inst\\no\\x.lnk\"! [OK]\n",
       "2 shortcuts made, 1 not"},
      // Without the rights, what only administrators may write fails as on Windows: the
      // registration under HKEY_LOCAL_MACHINE, and any file in a program files folder.
      {"rights accepted",
       {"--not-admin"},
       "",
       -1,
       "message box \"Administrator privileges missing\": Try to install in spite of that? [OK]\n"
       "message box \"Setup\": Failed to set data for 'DisplayName' [OK]\n",
       ""},
      {"rights accepted, into Program Files",
       {"--not-admin", "--dest", "C:\\Program Files\\P"},
       "D*%PVELTRO 5107!\\\r\nF*%Sp.exe\r\n",
       -1,
       "message box \"Administrator privileges missing\": Try to install in spite of that? [OK]\n"
       "message box \"Setup\": Cannot create file C:\\Program Files\\P\\p.exe. [OK]\n",
       ""},
      {"rights declined",
       {"--not-admin", "--decline-admin"},
       "",
       3,
       "message box \"Administrator privileges missing\": Try to install in spite of that? "
       "[Cancel]\n",
       "nothing was installed"},
      {"error box",
       {},
       "D*%Sx\\\r\nF*%Sx\r\n",
       -1,
       "message box \"Setup\": Cannot create file C:\\Inst\\x. [OK]\n",
       ""},
      {"main shortcut in the identity's folder",
       {},
       "D*%PAcme\\Draw\\\r\nF*%Sp.exe\r\n",
       0,
       "",
       "2 shortcuts made, 0 not",
       nullptr,
       "StartMenuFolder = Acme\\Draw\n"},
      {"identity's folder not made",
       {},
       "D*%PVELTRO 5107!\\\r\nF*%Sp.exe\r\n",
       0,
       "message box \"SETUP.EXE\": Problems with link \n     "
       "\"C:\\Users\\Tester\\AppData\\Roaming\\"
       "Microsoft\\Windows\\Start Menu\\Programs\\Acme\\Draw\\P.lnk\"! [OK]\n",
       "1 shortcuts made, 1 not",
       nullptr,
       "StartMenuFolder = Acme\\Draw\n"},
      {"identity's add-on program, box ticked",
       {"--addon"},
       "D*%PVELTRO 5107!\\\r\nF*%Sp.exe\r\nE*%Sp.exe /acme-addon\r\n",
       0,
       "",
       "; 1 program starts",
       nullptr,
       "AddOnKey = ACME-ADDON\n"},
      {"identity's add-on program, box not ticked",
       {},
       "D*%PVELTRO 5107!\\\r\nF*%Sp.exe\r\nE*%Sp.exe /acme-addon\r\n",
       0,
       "",
       "; 0 program starts",
       nullptr,
       "AddOnKey = ACME-ADDON\n"},
      {"built-in add-on key no longer the add-on's",
       {},
       "D*%PVELTRO 5107!\\\r\nF*%Sp.exe\r\nE*%Sp.exe /korvalt\r\n",
       0,
       "",
       "; 1 program starts",
       nullptr,
       "AddOnKey = ACME-ADDON\n"},
      {"unknown option", {"--bogus"}, "", -2, "", ""},
      {"no such language", {"--language", "Q"}, "", -2, "", ""},
      {"destination without a drive",
       {"--dest", "Inst"},
       "",
       -2,
       "message box \"Invalid destination directory\": Please enter a directory with a drive "
       "letter (C:\\...) or a network path (\\\\server\\share). [OK]\n",
       ""},
      // The setup's texts are Windows-1252; a terminal takes UTF-8.
      {"German box in UTF-8",
       {"--language", "G", "--dest", "Inst"},
       "",
       -2,
       "message box \"Ung\xC3\xBCltiges Zielverzeichnis\": Bitte geben Sie ein Verzeichnis mit "
       "Laufwerksbuchstaben (C:\\...) oder einen Netzwerkpfad (\\\\Server\\Freigabe) an. "
       "[OK]\n",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildFixture f;
    if (*c.script) {
      WriteFile(f.dir / "src/S/p.exe", "program");
      WriteFile(f.dir / "src/S/x", "x");
      WriteFile(f.dir / "script.txt", Script(c.script));
    }
    if (c.identity) {
      std::vector<Finding> findings;
      f.options.identity = ParseIdentity("identity.txt", Bytes(c.identity), findings);
      ASSERT_TRUE(findings.empty());
    }
    BuildSetup(f.options);
    const fs::path root = f.dir / "root", outside = f.dir / "outside";
    WriteFile(outside / "secret", "kept");
    if (c.link) {
      const fs::path at = root / c.link;
      fs::create_directories(at.parent_path().parent_path());
      if (at.filename().empty()) {
        fs::create_directory_symlink(outside, at.parent_path());
      } else {
        fs::create_directories(at.parent_path());
        fs::create_symlink(outside / "secret", at);
      }
    }
    std::vector<std::string> args = {f.options.output.string(), "--root", root.string(), "--dest",
                                     "C:\\Inst"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int rc = 0;
    try {
      rc = RunCommand(args);
    } catch (const UsageError&) {
      rc = -2;
    } catch (const SetupError&) {
      rc = -1;
    }
    const std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, c.rc);
    // The progress line is written with carriage returns; the boxes start on lines of their own.
    std::string boxes;
    std::size_t at = 0;
    while ((at = err.find("message box ", at)) != std::string::npos) {
      const std::size_t end = err.find(" [", at);
      const std::size_t close = err.find("]\n", end);
      boxes += err.substr(at, close + 2 - at);
      EXPECT_TRUE(at == 0 || err[at - 1] == '\n') << err;
      at = close;
    }
    EXPECT_EQ(boxes, c.err) << err;
    // Captured, stderr is no terminal: no carriage-return progress fills a log.
    EXPECT_EQ(err.find('\r'), std::string::npos) << err;
    EXPECT_NE(out.find(c.out), std::string::npos) << out;
    if (c.link) {
      const fs::path link = (root / c.link).parent_path() / (root / c.link).filename();
      const std::string named =
          (fs::path(c.link).filename().empty() ? link.parent_path() : link).string() +
          ": error: a symbolic link, not followed";
      EXPECT_NE(err.find(named), std::string::npos) << err;
      std::vector<fs::path> there;
      for (const auto& entry : fs::directory_iterator(outside)) there.push_back(entry);
      EXPECT_EQ(there, std::vector<fs::path>{outside / "secret"});
      EXPECT_EQ(ReadWholeFile(outside / "secret"), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));
    }
    if (c.rc != -2 && c.rc != 1) {  // 1: nothing ran
      EXPECT_NE(out.find("setup.exe offers German, English, French; the wizard opens on "
                         "LanguagePage"),
                std::string::npos)
          << out;
    }
  }
}

// The dry run walks the wizard's pages, so it refuses what the wizard refuses and installs
// nothing then.
TEST(MksetupRun, RefusesALanguageTheScriptDoesNotOffer) {
  BuildFixture f;
  WriteFile(f.dir / "script.txt", "GE" + Script("FG%Sa.txt\r\n").substr(3));
  BuildSetup(f.options);
  const fs::path root = f.dir / "root-F";
  try {
    RunCommand({f.options.output.string(), "--root", root.string(), "--language", "F"});
    ADD_FAILURE() << "French was not refused";
  } catch (const ToolError& error) {
    EXPECT_STREQ(error.what(),
                 "the script does not offer French (its first line offers German, English)");
  }
  EXPECT_FALSE(fs::exists(root / "C/Program Files/sub/a.txt"));
  EXPECT_EQ(RunCommand({f.options.output.string(), "--root", (f.dir / "root-G").string(),
                        "--language", "G"}),
            0);
  EXPECT_TRUE(fs::exists(f.dir / "root-G/C/Program Files/sub/a.txt"));
}

// --drive D=DIR gives the machine a drive D: in a host folder of its own, so that --dest D:\...
// installs there; a value that names no drive and folder is refused before anything runs.
TEST(MksetupRun, InstallsOntoADriveGivenItsFolder) {
  BuildFixture f;
  WriteFile(f.dir / "script.txt", Script("D*%S\r\nF*%Sa.txt\r\n"));
  BuildSetup(f.options);
  const fs::path root = f.dir / "root", drive = f.dir / "drive-d";
  fs::create_directories(drive);
  const std::string exe = f.options.output.string();
  EXPECT_EQ(RunCommand({exe, "--root", root.string(), "--language", "E", "--drive",
                        "d=" + drive.string(), "--dest", "D:\\Inst"}),
            0);
  EXPECT_EQ(ReadWholeFile(drive / "Inst/a.txt"), ReadWholeFile(f.dir / "src/S/a.txt"));
  const std::vector<std::uint8_t> log = ReadWholeFile(drive / "Inst/UnInstall.LOG");
  EXPECT_NE(std::string(log.begin(), log.end()).find("FD:\\Inst\\a.txt\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(root / "D"));

  const std::string missing = (f.dir / "missing").string();
  const std::vector<std::string> refused[] = {
      {"--drive", "D"},
      {"--drive", "D="},
      {"--drive", "DE=" + drive.string()},
      {"--drive", "1=" + drive.string()},
      {"--drive", "C=" + drive.string()},
      {"--drive", "D=" + missing},
      {"--drive", "D=" + drive.string(), "--drive", "d=" + drive.string()},
      {"--drive"},
      {"--profile", "Users\\x"},
      {"--profile", "C:\\"},
      {"--profile", "C:\\Users\\a:b"},
      {"--profile", "C:\\Users\\CON"},
      {"--profile", "C:\\Users\\x."},
      {"--profile", "C:\\Users\\\xD0\x94\xC3("},  // no UTF-8
  };
  for (const auto& options : refused) {
    SCOPED_TRACE(options.back());
    const fs::path fresh = f.dir / "fresh";
    std::vector<std::string> args = {exe, "--root", fresh.string(), "--dest", "D:\\Inst"};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_THROW(RunCommand(args), UsageError);
    EXPECT_FALSE(fs::exists(fresh));
  }
}

// A product's tree in any script goes through init --from, check --strict, build, list, run and
// extract whole: Windows-1252 names in a Windows-1252 script as before, others in one of UTF-8
// with the byte-order mark; the run lands every file under its name, the per-user ones in the
// profile --profile gives; and extract writes the tree back as it was.
TEST(MksetupInit, ATreeInAnyScriptComesBackWhole) {
  struct Row {
    const char* kind;
    std::vector<std::string> files;
    bool utf8;                     // the script init writes
    std::vector<std::string> run;  // the profile's options
    std::string profile;           // where its folder lies below the root
    std::string windowsProfile;    // and on the simulated Windows
  };
  const std::string dmitri = "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9";
  const std::string omega = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";
  const Row rows[] = {
      {"Western",
       {"S/prog.exe", "S/UnInstall.EXE", "S/Outils vid\xC3\xA9o/a.txt", "A/r\xC3\xA9glages.ini"},
       false,
       {},
       "C/Users/Tester",
       "C:\\Users\\Tester"},
      {"Cyrillic and CJK",
       {"S/" + dmitri + ".exe", "S/UnInstall.EXE", "S/Outils vid\xC3\xA9o/a.txt",
        "S/\xE8\xA3\xBD\xE5\x93\x81/\xE8\xAA\xAC\xE6\x98\x8E.txt",
        "A/\xD0\x9D\xD0\xB0\xD1\x81/x.ini"},
       true,
       {"--profile", "C:\\Users\\" + dmitri},
       "C/Users/" + dmitri,
       "C:\\Users\\" + dmitri},
      {"Greek, the profile on drive D:",
       {"S/" + omega + ".exe", "S/UnInstall.EXE", "A/" + omega + "/x.ini"},
       true,
       {"--profile", "D:\\Profiles\\" + omega + "\\"},
       "D/Profiles/" + omega,
       "D:\\Profiles\\" + omega},
  };
  const fs::path dir = TempDir("init_whole");
  const std::vector<std::uint8_t> stub = MinimalPe();
  WriteFile(dir / "stub.exe", std::string(stub.begin(), stub.end()));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    const fs::path base = dir / row.kind, tree = base / "tree", product = base / "product";
    for (const std::string& file : row.files) WriteFile(tree / file, "bytes of " + file);
    const std::string script = (product / "setup.txt").string();
    const std::string licence = (product / "licence.txt").string();
    const std::string identity = (product / "identity.txt").string();
    testing::internal::CaptureStdout();
    ASSERT_EQ(InitCommand({product.string(), "--from", tree.string()}), 0);
    EXPECT_EQ(HasUtf8ByteOrderMark(ByteSpan(ReadWholeFile(script))), row.utf8);
    EXPECT_EQ(CheckCommand({script, "--source", tree.string(), "--licence", licence, "--identity",
                            identity, "--strict"}),
              0);
    const fs::path exe = base / "setup.exe";
    testing::internal::CaptureStderr();
    ASSERT_EQ(
        BuildCommand({"--script", script, "--licence", licence, "--source", tree.string(), "-o",
                      exe.string(), "--stub", (dir / "stub.exe").string(), "--identity", identity}),
        0);
    const std::string built = testing::internal::GetCapturedStderr();
    EXPECT_EQ(built.find("error"), std::string::npos) << built;
    ASSERT_EQ(ListCommand({exe.string(), "--json"}), 0);
    ASSERT_EQ(ListCommand({exe.string()}), 0);
    const std::string listed = testing::internal::GetCapturedStdout();
    // The names come through decoded once: neither as Windows-1252 bytes nor decoded twice.
    for (const std::string& file : row.files) {
      std::string path = "%" + file.substr(0, 1) + file.substr(2);
      std::replace(path.begin(), path.end(), '/', '\\');
      EXPECT_NE(listed.find("  " + path + "\n"), std::string::npos) << path << "\n" << listed;
      EXPECT_NE(listed.find("\"path\": " + JsonUtf8(path)), std::string::npos) << path;
    }

    const fs::path root = base / "sim";
    std::vector<std::string> run = {exe.string(), "--root", root.string(), "--language", "E"};
    run.insert(run.end(), row.run.begin(), row.run.end());
    if (row.profile.rfind("D/", 0) == 0) fs::create_directories(root / "D");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int ran = RunCommand(run);
    testing::internal::GetCapturedStderr();
    const std::string said = testing::internal::GetCapturedStdout();
    ASSERT_EQ(ran, 0) << said;
    const fs::path profile = root / row.profile;
    for (const std::string& file : row.files) {
      const fs::path installed =
          file[0] == 'S' ? root / "C/Program Files/My Company/My Product" / file.substr(2)
                         : profile / "AppData/Roaming/My Company/My Product" / file.substr(2);
      EXPECT_EQ(TextOf(installed), "bytes of " + file) << installed;
    }
    for (const char* folder : {"Desktop", "AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
                               "AppData/Roaming/Microsoft/Internet Explorer/Quick Launch"}) {
      EXPECT_TRUE(fs::is_directory(profile / folder)) << folder;
    }
    // The profile is the account's: its shell folders, and its name on the wizard's page.
    std::string desktop = "\"Desktop\"=\"" + row.windowsProfile + "\\Desktop\"";
    for (std::size_t at = desktop.find('\\'); at != std::string::npos;
         at = desktop.find('\\', at + 2))
      desktop.insert(at, "\\");
    EXPECT_NE(TextOf(root / "registry.txt").find(desktop), std::string::npos) << desktop;

    const fs::path out = base / "extracted";
    testing::internal::CaptureStdout();
    ASSERT_EQ(ExtractCommand({exe.string(), out.string()}), 0);
    testing::internal::GetCapturedStdout();
    const std::string diff = "diff -r -x setup.txt -x licence.txt -x identity.txt '" +
                             tree.string() + "' '" + out.string() + "'";
    EXPECT_EQ(std::system(diff.c_str()), 0) << diff;
    // The script as stored, in its encoding; only build's S value differs.
    const ScriptFile written = LoadScriptFile(script), back = LoadScriptFile(out / "setup.txt");
    EXPECT_EQ(back.utf8, row.utf8);
    ASSERT_EQ(back.lines.size(), written.lines.size());
    for (std::size_t i = 0; i < back.lines.size(); ++i) {
      if (back.lines[i].text[0] != 'S') EXPECT_EQ(back.lines[i].text, written.lines[i].text);
    }
  }
}

// A second run into the same root starts from the registry the first one left: a reinstallation
// keeps the other values, a second X line overwrites the association, the starts add up; a
// damaged registry text is named by its line and nothing runs.
TEST(MksetupRun, ASecondRunStartsFromTheRegistryTheFirstLeft) {
  BuildFixture f;
  const fs::path root = f.dir / "root";
  const auto run = [&](const std::string& actions) {
    WriteFile(f.dir / "script.txt", Script("D*%S\r\n" + actions));
    BuildSetup(f.options);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int rc = -1;
    try {
      rc = RunCommand({f.options.output.string(), "--root", root.string(), "--language", "E",
                       "--dest", "C:\\Inst"});
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
    }
    const std::string out = testing::internal::GetCapturedStdout();
    return std::make_tuple(rc, out, testing::internal::GetCapturedStderr());
  };
  const auto text = [](const fs::path& file) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
    return std::string(bytes.begin(), bytes.end());
  };
  const std::string earlierLine = "the registry is the one an earlier run left in ";
  {
    const auto [rc, out, err] = run("R*Software\\P;v;1\r\nX*T5107;C:\\p.exe;First\r\nE*one\r\n");
    ASSERT_EQ(rc, 0) << err;
    EXPECT_EQ(out.find(earlierLine), std::string::npos) << out;
  }
  // What the second run finds is what the text says, not what a first run would write.
  WriteFile(root / "registry.txt",
            Replaced(text(root / "registry.txt"),
                     "\"AppData\"=\"C:\\\\Users\\\\Tester\\\\AppData\\\\Roaming\"",
                     "\"AppData\"=\"C:\\\\Elsewhere\""));
  WriteFile(f.dir / "src/A/data.txt", "data");
  WriteFile(f.dir / "src/S/new.txt", "new");
  const auto [rc, out, err] =
      run("R*Software\\P;w;2\r\nX*T5107;C:\\p.exe;Second\r\nE*two\r\nF*%Adata.txt\r\n");
  ASSERT_EQ(rc, 0) << err;
  EXPECT_EQ(out.rfind(earlierLine + (root / "registry.txt").string() + "\n", 0), 0u) << out;
  SimRegistry registry;
  registry.LoadText(text(root / "registry.txt"));
  EXPECT_EQ(registry.Find(RegistryRoot::CurrentUser, "Software\\P", "v")->number, 1u);
  EXPECT_EQ(registry.Find(RegistryRoot::CurrentUser, "Software\\P", "w")->number, 2u);
  EXPECT_EQ(registry.Find(RegistryRoot::ClassesRoot, ".T5107", "Content Type")->text, "Second");
  EXPECT_EQ(registry.Find(RegistryRoot::ClassesRoot, "T5107file", "")->text, "Second");
  EXPECT_EQ(text(root / "C/Elsewhere/sub/data.txt"), "data");
  EXPECT_EQ(text(root / "starts.txt"), "one\r\ntwo\r\n");

  // One damaged line: the file and the line are named, and neither the registry, the starts nor
  // the drive changes.
  const std::string damaged = text(root / "registry.txt") + "[HKEY_CURRENT_USER\\Q\\R]\r\n";
  WriteFile(root / "registry.txt", damaged);
  const std::size_t line = std::count(damaged.begin(), damaged.end(), '\n');
  const auto [rc2, out2, err2] = run("F*%Snew.txt\r\nE*three\r\n");
  EXPECT_EQ(rc2, 1);
  EXPECT_EQ(err2, (root / "registry.txt").string() + ":" + std::to_string(line) +
                      ": error: the key's parent key must come before it\n");
  EXPECT_EQ(out2, "");
  EXPECT_EQ(text(root / "registry.txt"), damaged);
  EXPECT_EQ(text(root / "starts.txt"), "one\r\ntwo\r\n");
  EXPECT_FALSE(fs::exists(root / "C/Inst/new.txt"));
}

// What the setup cannot carry out ends the dry run with a clear error, the run's own first.
TEST(MksetupRun, EndsWithTheRunsOwnErrorFirst) {
  struct Case {
    const char* name;
    std::function<void(BuildFixture&, const fs::path& root)> spoil;
    const char* message;  // how the error begins, after "setup.exe: " where ofExe
    bool ofExe;
  };
  const Case cases[] = {
      {"licence past 16 MB",
       [](BuildFixture& f, const fs::path&) {
         WriteFile(f.dir / "licence.txt",
                   "GERMAN\r\nENGLISH\r\nFRENCH\r\n" + std::string((16u << 20) - 23, 'x'));
       },
       "its licence text inflates to more than 16 MB", true},
      {"a file that cannot be made",
       [](BuildFixture&, const fs::path& root) {
         // A link the sim will not write through, and a registry.txt that cannot be written
         // either.
         fs::create_directories(root / "C/Inst");
         fs::create_symlink("/dev/full", root / "C/Inst/a.txt");
         fs::create_directories(root / "registry.txt");
       },
       "Cannot create file C:\\Inst\\a.txt; ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildFixture f;
    const fs::path root = f.dir / "root";
    c.spoil(f, root);
    BuildSetup(f.options);
    const std::string out = f.options.output.string();
    try {
      RunCommand({out, "--root", root.string(), "--language", "G", "--dest", "C:\\Inst"});
      ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
      const std::string begins = (c.ofExe ? out + ": " : std::string()) + c.message;
      EXPECT_EQ(std::string(error.what()).rfind(begins, 0), 0u) << error.what();
    }
  }
}

// --- Authenticode: the signer read from a certificate table, and signing through osslsigncode.

using Blob = std::vector<std::uint8_t>;

Blob Cat(std::initializer_list<Blob> parts) {
  Blob out;
  for (const Blob& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}
// DER built up from its parts (every value here is shorter than 64 KB).
Blob Der(std::uint8_t tag, std::initializer_list<Blob> parts) {
  const Blob content = Cat(parts);
  Blob out(content.size() < 0x80 ? 2 : 4, 0x82);
  out[0] = tag;
  if (out.size() == 4) out[2] = static_cast<std::uint8_t>(content.size() >> 8);
  out.back() = static_cast<std::uint8_t>(content.size());
  out.insert(out.end(), content.begin(), content.end());
  return out;
}
Blob Seq(std::initializer_list<Blob> parts) {
  return Der(0x30, parts);
}
// A Name: (attribute type's last byte, DER string) per RDN; 3 is the common name.
Blob Name(std::initializer_list<std::pair<std::uint8_t, Blob>> parts) {
  Blob rdns;
  for (const auto& [type, value] : parts) {
    const Blob rdn = Der(0x31, {Seq({Der(0x06, {{0x55, 0x04, type}}), value})});
    rdns.insert(rdns.end(), rdn.begin(), rdn.end());
  }
  return Der(0x30, {rdns});
}
Blob Cn(const std::string& text, std::uint8_t tag = 0x0C) {
  return Name({{3, Der(tag, {Bytes(text)})}});
}
Blob Certificate(std::uint8_t serial, const Blob& issuer, const Blob& subject) {
  const Blob algorithm = Seq({Der(0x06, {{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 1, 1, 0x0B}})});
  const Blob validity = Seq({Der(0x17, {Bytes("260101000000Z")}), Der(0x17, {Bytes("270101Z")})});
  return Seq({Seq({Der(0xA0, {Der(0x02, {{2}})}), Der(0x02, {{serial}}), algorithm, issuer,
                   validity, subject, Seq({algorithm, Der(0x03, {{0, 1}})})}),
              algorithm, Der(0x03, {{0, 9}})});
}
// A SignedData whose one signer is named by sid (issuer and serial number, or a key id).
Blob SignedData(std::initializer_list<Blob> certificates, const Blob& sid) {
  const Blob content = Seq({Der(0x06, {{0x2B, 6, 1, 4, 1, 0x82, 0x37, 2, 1, 4}})});
  const Blob signerInfo = Seq({Der(0x02, {{1}}), sid, Der(0x04, {{1, 2}})});
  return Seq({Der(0x06, {{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 1, 7, 2}}),
              Der(0xA0, {Seq({Der(0x02, {{1}}), Der(0x31, {}), content, Der(0xA0, certificates),
                              Der(0x31, {signerInfo})})})});
}
Blob Sid(const Blob& issuer, std::uint8_t serial) {
  return Seq({issuer, Der(0x02, {{serial}})});
}
Blob SelfSigned(const Blob& name) {
  return SignedData({Certificate(3, name, name)}, Sid(name, 3));
}
// One WIN_CERTIFICATE entry, padded to 8 bytes as the table keeps them.
Blob Entry(const Blob& der, std::uint16_t type = 2) {
  Blob entry(8, 0);
  Put32(entry, 0, static_cast<std::uint32_t>(8 + der.size()));
  Put16(entry, 4, 0x0200);
  Put16(entry, 6, type);
  entry.insert(entry.end(), der.begin(), der.end());
  entry.resize((entry.size() + 7) / 8 * 8, 0);
  return entry;
}
// image with table after its last byte, named by the security directory as a signer adds it.
Blob WithCertificateTable(Blob image, const Blob& table, std::uint32_t extraSize = 0) {
  const PeLayout layout = ReadPeLayout(image, "image");
  image.resize((image.size() + 7) / 8 * 8, 0);
  Put32(image, layout.DataDirectoryOffset(kSecurityDirectory),
        static_cast<std::uint32_t>(image.size()));
  Put32(image, layout.DataDirectoryOffset(kSecurityDirectory) + 4,
        static_cast<std::uint32_t>(table.size()) + extraSize);
  image.insert(image.end(), table.begin(), table.end());
  return image;
}

// Who signed: the certificate that the signer info names by issuer and serial number, wherever
// it stands among the certificates; what cannot be read is a reason, never a wrong name.
TEST(MksetupSignature, TheSignerIsTheCertificateTheSignerInfoNames) {
  const Blob root = Cn("Veltro Root CA");
  const Blob vendor =
      Name({{0x0A, Der(0x13, {Bytes("Veltro GmbH")})}, {3, Der(0x13, {Bytes("Veltro Software")})}});
  // The same serial number under another issuer comes before the signer's certificate.
  const Blob chain = SignedData(
      {Certificate(1, root, root), Certificate(7, vendor, Cn("x")), Certificate(7, root, vendor)},
      Sid(root, 7));
  Blob ber = chain, cut(chain.begin(), chain.begin() + chain.size() / 2), longer = Entry(chain);
  ber[1] = 0x80;
  Put32(longer, 0, static_cast<std::uint32_t>(longer.size() + 8));
  struct Case {
    const char* name;
    Blob table;  // none: not signed
    std::string signer, issuer, problem;
    std::uint32_t extraSize = 0;  // the directory claims more than the file has
  };
  const std::string mu = "M\xC3\xBC\xE2\x82\xAC";  // a BMPString's U+00FC and U+20AC as UTF-8
  const Case cases[] = {
      {"not signed", {}, "", "", ""},
      {"self-signed", Entry(SelfSigned(Cn("Me"))), "Me", "Me", ""},
      {"a chain", Entry(chain), "Veltro Software", "Veltro Root CA", ""},
      {"an X.509 entry first", Cat({Entry(Bytes("x509"), 1), Entry(chain)}), "Veltro Software",
       "Veltro Root CA", ""},
      {"a BMPString", Entry(SelfSigned(Cn(std::string("\0M\0\xFC\x20\xAC", 6), 0x1E))), mu, mu, ""},
      {"a control character", Entry(SelfSigned(Cn("a\x1B[2Jb"))), "a?[2Jb", "a?[2Jb", ""},
      {"past the end", Entry(chain), "", "", "its certificate table lies past the end of the file",
       0x10000},
      {"an entry too long", longer, "", "", "an entry of its certificate table has a wrong length"},
      {"only X.509", Entry(Bytes("x509"), 1), "", "",
       "its certificate table holds no Authenticode signature"},
      {"no signer's certificate", Entry(SignedData({Certificate(1, root, root)}, Sid(root, 7))), "",
       "", "it does not carry the signer's certificate"},
      {"a key identifier", Entry(SignedData({}, Der(0x80, {{1, 2}}))), "", "",
       "its signer is named by a key identifier"},
      {"cut short", Entry(cut), "", "", "its PKCS#7 data ends inside an element"},
      {"an indefinite length", Entry(ber), "", "", "its PKCS#7 data is not DER"},
      {"no common name", Entry(SelfSigned(Name({{0x0A, Der(0x13, {Bytes("O")})}}))), "", "",
       "a certificate's name has no common name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Blob image =
        c.table.empty() ? MinimalPe() : WithCertificateTable(MinimalPe(), c.table, c.extraSize);
    const SignatureInfo signature = ReadSignature(image, "setup.exe");
    EXPECT_EQ(signature.present, !c.table.empty());
    EXPECT_EQ(signature.signer, c.signer);
    EXPECT_EQ(signature.issuer, c.issuer);
    EXPECT_EQ(signature.problem, c.problem);
  }
}

// The sign options as osslsigncode takes them, and the combinations that are refused.
TEST(MksetupSign, OptionsBecomeOsslsigncodesCommandLine) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> command;  // empty: no signing
    bool usageError;
    std::optional<std::string> description = {};  // what build and sign give a setup.exe
  };
  const std::vector<std::string> base = {"/t", "sign", "-certs", "c", "-key", "k"};
  const auto with = [&](std::vector<std::string> middle) {
    std::vector<std::string> command = base;
    command.insert(command.end(), middle.begin(), middle.end());
    command.insert(command.end(), {"-h", "sha256", "-in", "in.exe", "-out", "out.exe"});
    return command;
  };
  const Case cases[] = {
      {{}, {}, false},
      {{"--sign-cert", "c", "--sign-key", "k"}, with({}), false},
      {{"--sign-key", "k", "--sign-cert", "c", "--sign-pass", "p"},
       with({"-readpass", "p"}),
       false},
      {{"--sign-cert", "c", "--sign-key", "k", "--timestamp", "http://ts.example/"},
       with({"-ts", "http://ts.example/"}),
       false},
      {{"--sign-cert", "c", "--sign-key", "k", "--sign-pass", "p", "--timestamp", "u"},
       with({"-readpass", "p", "-ts", "u"}),
       false},
      {{"--sign-cert", "c", "--sign-key", "k", "--timestamp", "u"},
       with({"-ts", "u", "-n", "Veltro 5 \xC3\xA9"}),
       false,
       "Veltro 5 \xC3\xA9"},
      {{"--sign-cert", "c"}, {}, true},
      {{"--sign-key", "k"}, {}, true},
      {{"--sign-pass", "p"}, {}, true},
      {{"--timestamp", "u"}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const Arguments parsed =
        ParseArguments(c.args, {"--sign-cert", "--sign-key", "--sign-pass", "--timestamp"}, {});
    if (c.usageError) {
      EXPECT_THROW(SignOptionsFrom(parsed), UsageError);
      continue;
    }
    std::optional<SignOptions> options = SignOptionsFrom(parsed);
    ASSERT_EQ(options.has_value(), !c.command.empty());
    if (options) {
      options->description = c.description;
      EXPECT_EQ(SignCommandLine("/t", *options, "in.exe", "out.exe"), c.command);
    }
  }
  const fs::path dir = TempDir("find-signer");
  const fs::path tool = FakeSigner(dir);
  {
    const ScopedEnv env("MKSETUP_OSSLSIGNCODE", tool.string());
    EXPECT_EQ(FindOsslsigncode(), tool);
  }
  for (const fs::path& bad : {dir / "absent", dir / "good"}) {  // missing; not executable
    SCOPED_TRACE(bad.string());
    const ScopedEnv env("MKSETUP_OSSLSIGNCODE", bad.string());
    EXPECT_THROW(FindOsslsigncode(), ToolError);
  }
}

// A failed signing leaves no setup.exe (an old one as it was), and mksetup sign leaves the file
// as it was; a good one signs the uninstaller in the payload and then the setup.exe itself.
TEST(MksetupSign, FailedSigningLeavesNothingAndGoodSigningSignsBoth) {
  BuildFixture f;
  for (const char* file : {"p.exe", "r.txt"}) WriteFile(f.dir / "src/S" / file, file);
  WriteFile(f.dir / "src/S/UnInstall.EXE", "the uninstaller");
  WriteFile(f.dir / "script.txt", Clean());
  const fs::path tool = FakeSigner(f.dir);
  const ScopedEnv env("MKSETUP_OSSLSIGNCODE", tool.string());
  const auto build = [&](const std::string& key) {
    return BuildCommand({"--script", f.options.script.string(), "--licence",
                         f.options.licence.string(), "--source", f.options.source.string(), "-o",
                         f.options.output.string(), "--stub", f.options.stub.string(),
                         "--sign-cert", (f.dir / "cert.pem").string(), "--sign-key",
                         (f.dir / key).string()});
  };
  const auto leftovers = [&] {
    std::vector<std::string> names;
    for (const fs::path& folder : {f.dir / "out", f.dir / "src/S"}) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.') names.push_back(name);
      }
    }
    return names;
  };
  struct Case {
    const char* key;
    const char* reason;
  };
  const Case failures[] = {
      {"partial", "signing failed: Failed to read key or certificates"},
      {"setup-fails", "signing failed: Failed to read key or certificates"},
      {"silent", "signing failed: osslsigncode wrote no signed file"},
      {"absent", "the signing key does not exist"},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.key);
    fs::remove(f.options.output);
    try {
      build(c.key);
      ADD_FAILURE() << "built";
    } catch (const ToolError& error) {
      EXPECT_EQ(error.Reason(), c.reason);
    }
    EXPECT_FALSE(fs::exists(f.options.output));
    WriteFile(f.options.output, "old");
    EXPECT_THROW(build(c.key), ToolError);
    EXPECT_EQ(ReadWholeFile(f.options.output), Bytes("old"));
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
  }

  // The unsigned build, for what signing adds to it.
  ASSERT_EQ(BuildCommand({"--script", f.options.script.string(), "--licence",
                          f.options.licence.string(), "--source", f.options.source.string(), "-o",
                          (f.dir / "unsigned.exe").string(), "--stub", f.options.stub.string()}),
            0);
  fs::remove(f.dir / "calls.log");
  ASSERT_EQ(build("good"), 0);
  // The uninstaller first, from the source tree; then the setup.exe.
  const Blob log = ReadWholeFile(f.dir / "calls.log");
  const std::string calls(log.begin(), log.end());
  EXPECT_EQ(calls.find("-in\n" + (f.dir / "src/S/UnInstall.EXE").string() + "\n"),
            calls.find("-in\n"));
  EXPECT_NE(calls.rfind("-in\n"), calls.find("-in\n")) << "two signings";
  const std::size_t named = calls.find("-n\nP\n");  // setup.exe only, by the product's name
  EXPECT_NE(named, std::string::npos);
  EXPECT_EQ(calls.find("-n\n"), named);
  EXPECT_GT(named, calls.find("-in\n"));
  const std::vector<std::uint8_t> unsignedExe = ReadWholeFile(f.dir / "unsigned.exe");
  const std::vector<std::uint8_t> signedExe = ReadWholeFile(f.options.output);
  ASSERT_EQ(signedExe.size(), unsignedExe.size() + 6);
  EXPECT_EQ(std::string(signedExe.end() - 6, signedExe.end()), "SIGNED");
  const SetupExe exe = OpenSetupExe(f.options.output);
  const ScriptFile script = ParseScriptFile("i", {exe.info.begin(), exe.info.end()});
  std::map<std::string, std::string> contents;
  WalkPayload(exe, script, [&](const FileLine* line, const PayloadEntry& entry) {
    MemorySink sink;
    entry.InflateTo(sink);
    contents[line ? line->path : "licence"] = std::string(sink.bytes.begin(), sink.bytes.end());
  });
  EXPECT_EQ(contents["%SUnInstall.EXE"], "the uninstallerSIGNED");
  EXPECT_EQ(contents["%Sp.exe"], "p.exe");
  const SetupExe plain = OpenSetupExe(f.dir / "unsigned.exe");
  const auto sizeValue = [](ByteSpan info) {
    const std::string text(info.begin(), info.end());
    return std::stoull(text.substr(text.find("\r\nS") + 3));
  };
  EXPECT_EQ(sizeValue(exe.info), sizeValue(plain.info) + 6)
      << "the S value counts the signed uninstaller";
  EXPECT_EQ(leftovers(), std::vector<std::string>{});

  // mksetup sign in place: a failure leaves the file's bytes, a success adds the signature.
  const fs::path file = f.dir / "unsigned.exe";
  const auto sign = [&](const std::string& key) {
    return SignCommand({file.string(), "--sign-cert", (f.dir / "cert.pem").string(), "--sign-key",
                        (f.dir / key).string()});
  };
  for (const char* key : {"partial", "silent", "absent"}) {
    SCOPED_TRACE(std::string("sign ") + key);
    EXPECT_THROW(sign(key), ToolError);
    EXPECT_EQ(ReadWholeFile(file), unsignedExe);
  }
  EXPECT_THROW(SignCommand({file.string(), "--sign-cert", "c"}), UsageError);
  EXPECT_THROW(
      SignCommand({f.options.licence.string(), "--sign-cert", (f.dir / "cert.pem").string(),
                   "--sign-key", (f.dir / "good").string()}),
      ToolError)
      << "not a Windows executable";
  EXPECT_EQ(sign("good"), 0);
  std::vector<std::uint8_t> expected = unsignedExe;
  for (char c : std::string("SIGNED")) expected.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(ReadWholeFile(file), expected);
}

// list and run read a signed setup.exe: the certificate table after the last section is no
// part of the image, and list names the signer.
TEST(MksetupSign, ListAndRunReadASignedSetup) {
  BuildFixture f;
  BuildSetup(f.options);
  const Blob image = WithCertificateTable(ReadWholeFile(f.options.output),
                                          Entry(SelfSigned(Cn("Veltro Software"))));
  std::ofstream(f.options.output, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  for (const bool json : {false, true}) {
    SCOPED_TRACE(json);
    testing::internal::CaptureStdout();
    ASSERT_EQ(ListCommand(json ? std::vector<std::string>{f.options.output.string(), "--json"}
                               : std::vector<std::string>{f.options.output.string()}),
              0);
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_NE(text.find(json ? "\"signed\": true,\n  \"signer\": \"Veltro Software\",\n  "
                               "\"signerIssuer\": \"Veltro Software\",\n"
                             : "Signature              signed by \"Veltro Software\" "
                               "(issued by \"Veltro Software\")\n"),
              std::string::npos)
        << text;
  }
  EXPECT_EQ(RunCommand({f.options.output.string(), "--root", (f.dir / "root").string(),
                        "--language", "E", "--dest", "C:\\Inst"}),
            0);
  EXPECT_EQ(ReadWholeFile(f.dir / "root/C/Users/Tester/AppData/Roaming/sub/big.bin"),
            ReadWholeFile(f.dir / "src/A/big.bin"));
}

// --execution-level rewrites only the level's value, in whatever form the manifest writes the
// attribute; a manifest without one is refused, not given one.
TEST(MksetupManifest, ExecutionLevelIsReplacedInPlace) {
  const struct {
    const char* manifest;
    const char* level;    // as found; nullptr for none
    const char* changed;  // with requireAdministrator; nullptr when refused
  } cases[] = {
      {R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)", "asInvoker",
       R"(<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>)"},
      {R"(<requestedExecutionLevel uiAccess='false' level = 'highestAvailable'/>)",
       "highestAvailable",
       R"(<requestedExecutionLevel uiAccess='false' level = 'requireAdministrator'/>)"},
      {"<a/>\r\n<requestedExecutionLevel\r\n  level=\"asInvoker\"/>\r\n<b level=\"x\"/>",
       "asInvoker",
       "<a/>\r\n<requestedExecutionLevel\r\n  level=\"requireAdministrator\"/>\r\n<b "
       "level=\"x\"/>"},
      {R"(<requestedExecutionLevel uiAccesslevel="x" level="asInvoker"/>)", "asInvoker",
       R"(<requestedExecutionLevel uiAccesslevel="x" level="requireAdministrator"/>)"},
      {R"(<requestedExecutionLevel uiAccess="false"/><x level="asInvoker"/>)", nullptr, nullptr},
      {R"(<requestedExecutionLevel level=asInvoker/>)", nullptr, nullptr},
      {R"(<requestedPrivileges/>)", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.manifest);
    const std::optional<std::string> level = RequestedExecutionLevel(c.manifest);
    EXPECT_EQ(level.has_value(), c.level != nullptr);
    if (c.level) {
      EXPECT_EQ(*level, c.level);
    }
    if (c.changed) {
      EXPECT_EQ(WithExecutionLevel(c.manifest, ExecutionLevel::RequireAdministrator, "m"),
                c.changed);
    } else {
      EXPECT_THROW(WithExecutionLevel(c.manifest, ExecutionLevel::AsInvoker, "m"), ToolError);
    }
  }
  for (const char* name : {"asInvoker", "highestAvailable", "requireAdministrator"})
    EXPECT_STREQ(ExecutionLevelName(*ParseExecutionLevel(name)), name);
  EXPECT_FALSE(ParseExecutionLevel("HighestAvailable"));

  // Every language of the manifest resource changes, and its language stays.
  ResourceTree tree;
  const std::string manifest = R"(<requestedExecutionLevel level="highestAvailable"/>)";
  ResourceData data;
  data.bytes.assign(manifest.begin(), manifest.end());
  tree.types.push_back({ResourceId::Number(kRtManifest),
                        {{ResourceId::Number(1),
                          {{ResourceId::Number(1033), data}, {ResourceId::Number(1031), data}}}}});
  SetExecutionLevel(tree, ExecutionLevel::AsInvoker, "p");
  for (const ResourceLeaf& leaf : tree.types[0].names[0].languages)
    EXPECT_EQ(RequestedExecutionLevel({leaf.data.bytes.begin(), leaf.data.bytes.end()}),
              "asInvoker");
  EXPECT_EQ(tree.types[0].names[0].languages[1].language, ResourceId::Number(1031));
  ResourceTree none;
  EXPECT_THROW(SetExecutionLevel(none, ExecutionLevel::AsInvoker, "p"), ToolError);
}

// The man page is the command table: every command has its section and every option its entry,
// and the help texts reach roff with their backslashes and minus signs escaped (C:\..., --arch),
// so that man shows them as --help does.
TEST(MksetupHelp, ManPageIsTheCommandTable) {
  const std::string page = ManPage();
  EXPECT_NE(page.find(std::string("\"mksetup ") + kVersion + "\""), std::string::npos);
  auto roff = [](std::string text) {
    std::string out;
    for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
  };
  for (const CommandHelp& command : AllCommands()) {
    const std::size_t section = page.find(std::string(".SS\nmksetup ") + command.name + " ");
    ASSERT_NE(section, std::string::npos) << command.name;
    const std::size_t next = page.find("\n.SS\n", section + 1);
    const std::string own = page.substr(section, next - section);
    for (const OptionHelp& option : command.options) {
      EXPECT_NE(own.find(".TP\n\\fB" + roff(option.name) + "\\fR"), std::string::npos)
          << command.name << " " << option.name;
    }
  }
  // Each backslash starts an escape roff knows; none is the text's own.
  for (std::size_t at = page.find('\\'); at != std::string::npos; at = page.find('\\', at + 2)) {
    ASSERT_LT(at + 1, page.size());
    EXPECT_NE(std::string("e-fI&").find(page[at + 1]), std::string::npos)
        << "a bare backslash: " << page.substr(at, 20);
  }
  EXPECT_NE(page.find("C:\\e..."), std::string::npos);
  std::size_t start = 0;
  for (std::size_t end; (end = page.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = page.substr(start, end - start);
    if (line.empty() || (line[0] != '.' && line[0] != '\'')) continue;
    const std::string request = line.substr(1, line.find(' ') - 1);
    EXPECT_TRUE(std::set<std::string>({"TH", "SH", "SS", "B", "br", "PP", "TP"}).count(request))
        << "not a request: " << line;
  }
}

// The completion script names every command and every option of each, and offers the words a
// choice takes after its option.
TEST(MksetupHelp, BashCompletionIsTheCommandTable) {
  const std::string script = BashCompletion();
  for (const CommandHelp& command : AllCommands()) {
    const std::size_t branch = script.find(std::string("    ") + command.name + ")\n");
    ASSERT_NE(branch, std::string::npos) << command.name;
    const std::size_t list = script.find("options=\"", branch);
    ASSERT_NE(list, std::string::npos);
    const std::string names =
        " " + script.substr(list + 9, script.find('"', list + 9) - list - 9) + " ";
    for (const OptionHelp& option : command.options) {
      EXPECT_NE(names.find(std::string(" ") + option.name + " "), std::string::npos)
          << command.name << " " << option.name;
    }
  }
  EXPECT_NE(script.find("--arch) COMPREPLY=($(compgen -W \"x86 x64\""), std::string::npos);
  EXPECT_NE(script.find("--execution-level) COMPREPLY=($(compgen -W \"highestAvailable "),
            std::string::npos);
}

}  // namespace
}  // namespace setup::mksetup
