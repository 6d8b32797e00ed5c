// mksetup: payload writer rules, PE resources written and read back, malformed PE input,
// source mapping, check findings, and build refusals and round trips.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstring>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "Build.h"
#include "Check.h"
#include "Commands.h"
#include "FileIo.h"
#include "InputText.h"
#include "PayloadWriter.h"
#include "SetupExe.h"
#include "Sha256.h"
#include "SourceMap.h"
#include "ToolError.h"
#include "pe/PeFile.h"
#include "pe/PeWriter.h"
#include "pe/ResourceTree.h"
#include "test_support.h"

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

// A minimal valid PE32: one .text section, no resources.
std::vector<std::uint8_t> MinimalPe() {
  std::vector<std::uint8_t> b(0x400, 0);
  b[0] = 'M', b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  Put32(b, 0x40, 0x00004550);
  Put16(b, 0x44, 0x14C);
  Put16(b, 0x46, 1);
  Put16(b, 0x54, 224);
  Put16(b, 0x56, 0x102);
  const std::size_t opt = 0x58;
  Put16(b, opt, 0x10B);
  Put32(b, opt + 16, 0x1000);
  Put32(b, opt + 28, 0x400000);
  Put32(b, opt + 32, 0x1000);
  Put32(b, opt + 36, 0x200);
  Put16(b, opt + 40, 4);
  Put32(b, opt + 56, 0x2000);
  Put32(b, opt + 60, 0x200);
  Put16(b, opt + 68, 2);
  Put32(b, opt + 92, 16);
  const std::size_t section = opt + 224;
  std::memcpy(&b[section], ".text", 5);
  Put32(b, section + 8, 0x10);
  Put32(b, section + 12, 0x1000);
  Put32(b, section + 16, 0x200);
  Put32(b, section + 20, 0x200);
  Put32(b, section + 36, 0x60000020);
  b[0x200] = 0xC3;
  return b;
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

TEST(MksetupPayload, EntriesFollowTheBuilderRules) {
  struct Case {
    std::size_t size;
    std::uint32_t blocks;
  };
  const Case cases[] = {{0, 1}, {1, 1}, {2000000, 1}, {2000001, 2}, {6000001, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    PayloadSource source;
    source.bytes.assign(c.size, 'x');
    for (std::size_t i = 0; i < c.size; i += 7) source.bytes[i] = static_cast<std::uint8_t>(i);
    source.size = c.size;
    const std::vector<std::uint8_t> entry = BuildEntry(source);
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
  }
  const std::vector<std::uint8_t> empty = BuildEntry(PayloadSource{});
  EXPECT_EQ(empty, (std::vector<std::uint8_t>{16, 0, 0,    0,    1,    0, 0, 0, 8, 0,
                                              0,  0, 0x78, 0x01, 0x03, 0, 0, 0, 0, 0x01}));
}

TEST(MksetupPe, WrittenResourcesReadBack) {
  const fs::path dir = TempDir("pe");
  ResourceTree tree;
  tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SetupInfo"),
           {Bytes("GEF\r\n"), "", 0, 0});
  tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SetupData"), {Bytes("abc"), "", 0, 0});
  const std::vector<std::uint8_t> stub = MinimalPe();
  WriteExecutable(stub, "stub", tree, dir / "a.exe");
  const std::vector<std::uint8_t> first = ReadWholeFile(dir / "a.exe");
  ASSERT_EQ(FindRcData(first, "setupinfo", "a").value().size(), 5u);
  // Replacing the resources of a built image keeps one of each name.
  ResourceTree again = ReadResourceTree(first, ReadPeLayout(first, "a"), "a");
  again.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SETUPDATA"), {Bytes("xy"), "", 0, 0});
  WriteExecutable(first, "a", again, dir / "b.exe");
  const std::vector<std::uint8_t> second = ReadWholeFile(dir / "b.exe");
  const auto data = FindRcData(second, "SetupData", "b");
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->end()), "xy");
  EXPECT_EQ(ListResources(second, ReadPeLayout(second, "b"), "b").size(), 2u);
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
    tree.Set(ResourceId::Number(kRtRcData), ResourceId{true, 0, c.stored},
             {Bytes("GEF"), "", 0, 0});
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
               {std::vector<std::uint8_t>(9000, 0x55), "", 0, 0});
  WriteExecutable(MinimalPe(), "stub", pictures, dir / "pictures.exe");
  const std::vector<std::uint8_t> built = ReadWholeFile(dir / "pictures.exe");
  struct Case {
    const char* name;
    std::size_t payload;   // bytes of SetupData: the section shrinks or grows
    std::size_t trailing;  // bytes behind .reloc in the stub
    std::vector<std::string> sections;
  };
  const std::vector<std::string> inPlace = {".text", ".rsrc", ".reloc"};
  const Case cases[] = {
      {"smaller resources", 3, 0, inPlace},
      {"larger resources", 20000, 0, inPlace},
      {"something behind the relocations", 3, 0x200, {".text", ".rsrc", ".reloc", ".rsrc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> stub = WithRelocations(built, c.trailing);
    const PeLayout before = ReadPeLayout(stub, "stub");
    const PeSection oldRelocations = before.sections[2];
    ResourceTree tree = ReadResourceTree(stub, before, "stub");
    tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("SetupData"),
             {std::vector<std::uint8_t>(c.payload, 0x77), "", 0, 0});
    WriteExecutable(stub, "stub", tree, dir / "a.exe");
    const std::vector<std::uint8_t> out = ReadWholeFile(dir / "a.exe");
    const PeLayout after = ReadPeLayout(out, "a");
    EXPECT_EQ(SectionNames(after), c.sections);
    ASSERT_EQ(FindRcData(out, "SetupData", "a").value().size(), c.payload);
    EXPECT_EQ(ListResources(out, after, "a").size(), 2u);
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
  tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name("X"), {Bytes("1"), "", 0, 0});
  WriteExecutable(MinimalPe(), "stub", tree, dir / "a.exe");
  const std::vector<std::uint8_t> good = ReadWholeFile(dir / "a.exe");
  const PeLayout layout = ReadPeLayout(good, "a");
  const std::size_t rsrc = layout.sections.back().pointerToRawData;
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"truncated headers", [](auto& b) { b.resize(0x60); }},
      {"pe offset out of range", [](auto& b) { Put32(b, 0x3C, 0xFFFFFFF0); }},
      {"section past the end", [&](auto& b) { b.resize(rsrc + 8); }},
      {"directory loop", [&](auto& b) { Put32(b, rsrc + 20, 0x80000000u); }},
      {"entry count too large", [&](auto& b) { Put16(b, rsrc + 14, 0xFFFF); }},
      {"data outside the file", [&](auto& b) { Put32(b, rsrc + 72, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes = good;
    c.damage(bytes);
    EXPECT_THROW(FindRcData(bytes, "X", "a"), ToolError);
  }
}

TEST(MksetupSourceMap, MacroLetterIsTheFirstFolderAndCaseIsIgnored) {
  const fs::path dir = TempDir("map");
  WriteFile(dir / "S/DM.DAT", "1");
  WriteFile(dir / "A/Libs/x.lib", "2");
  WriteFile(dir / "S/R\xC3\xA9sum\xC3\xA9.txt", "3");  // a UTF-8 name, as made on Linux
  struct Case {
    const char* path;
    const char* found;  // nullptr: not found
  };
  const Case cases[] = {{"%SDM.DAT", "S/DM.DAT"},
                        {"%sdm.dat", "S/DM.DAT"},
                        {"%Alibs\\X.LIB", "A/Libs/x.lib"},
                        {"%Alibs\\y.lib", nullptr},
                        {"%S\\DM.DAT", "S/DM.DAT"},
                        {"%SR\xE9sum\xE9.txt", "S/R\xC3\xA9sum\xC3\xA9.txt"},
                        {"%Sr\xE9SUM\xE9.TXT", "S/R\xC3\xA9sum\xC3\xA9.txt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const auto found = FindSource(dir, SourceParts(c.path, "t"), "t");
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
  };
  const std::string longName(250, 'n');
  const Case cases[] = {
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + Clean(), 1, "encoding", Severity::Error},
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
  };
  EXPECT_TRUE(CheckScript(ScriptFromText("s", Clean()), {}).empty());
  std::size_t caught = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mistake);
    const auto findings = CheckScript(ScriptFromText("s", c.script), {});
    const auto found = std::find_if(findings.begin(), findings.end(), [&](const Finding& f) {
      return f.code == c.code && f.line == c.line && f.severity == c.severity;
    });
    EXPECT_NE(found, findings.end())
        << findings.size() << " findings, the first "
        << (findings.empty() ? "" : findings[0].code + " " + findings[0].reason);
    caught += found != findings.end();
  }
  std::printf("check catches %zu of %zu vendor mistakes\n", caught, std::size(cases));
}

// --input-encoding utf-8: the script becomes Windows-1252; what the code page lacks is an error
// at its line and column.
TEST(MksetupCheck, Utf8InputIsConvertedOrTheCharacterNamed) {
  struct Case {
    std::string utf8;
    std::string expected;      // Windows-1252
    std::size_t line, column;  // of the finding; 0 when none
  };
  const Case cases[] = {
      {"R\xC3\xA9sum\xC3\xA9", "R\xE9sum\xE9", 0, 0},
      {"\xEF\xBB\xBFGEF\r\n5 \xE2\x82\xAC", "GEF\r\n5 \x80", 0, 0},
      {"GEF\r\nab \xE2\x86\x92 c", "GEF\r\nab ? c", 2, 4},
      {"GEF\nx\ny\xF0\x9F\x98\x80", "GEF\nx\ny?", 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    const ConvertedText converted = ConvertUtf8To1252(Bytes(c.utf8), "s");
    EXPECT_EQ(std::string(converted.bytes.begin(), converted.bytes.end()), c.expected);
    if (c.line == 0) {
      EXPECT_TRUE(converted.findings.empty());
    } else {
      ASSERT_EQ(converted.findings.size(), 1u);
      EXPECT_EQ(converted.findings[0].line, c.line);
      EXPECT_NE(converted.findings[0].reason.find("column " + std::to_string(c.column)),
                std::string::npos)
          << converted.findings[0].reason;
    }
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

TEST(MksetupBuild, RefusalsLeaveNoOutputFile) {
  struct Case {
    const char* name;
    std::function<void(BuildFixture&)> spoil;
  };
  const Case cases[] = {
      {"missing source", [](BuildFixture& f) { fs::remove(f.dir / "src/S/a.txt"); }},
      {"licence marker", [](BuildFixture& f) { WriteFile(f.dir / "licence.txt", "GERMAN\r\n"); }},
      {"missing stub", [](BuildFixture& f) { fs::remove(f.dir / "stub.exe"); }},
      {"no S line",
       [](BuildFixture& f) {
         WriteFile(f.dir / "script.txt", "GEF\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildFixture f;
    c.spoil(f);
    EXPECT_THROW(BuildSetup(f.options), ToolError);
    EXPECT_TRUE(!fs::exists(f.dir / "out") || fs::is_empty(f.dir / "out"));
  }
}

// mksetup build runs every check first: an error leaves no setup.exe and an existing one as it
// was; --strict stops on a warning, --allow lets a rule's error pass as a warning.
TEST(MksetupBuild, ChecksFirstAndKeepsAnExistingOutput) {
  BuildFixture f;
  for (const char* file : {"p.exe", "UnInstall.EXE", "r.txt"})
    WriteFile(f.dir / "src/S" / file, file);
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> extra;
    int exitCode;
  };
  const Case cases[] = {
      {"clean", Clean(), {}, 0},
      {"an error", Clean("G*%Squi.dll\r\n"), {}, 1},
      {"an error allowed", Clean("G*%Squi.dll\r\n"), {"--allow", "unknown-code"}, 0},
      {"a warning", Clean("X*pdf;%Sp.exe;Document\r\n"), {}, 0},
      {"a warning, strict", Clean("X*pdf;%Sp.exe;Document\r\n"), {"--strict"}, 1},
      {"UTF-8 without the option", Clean("R*Software\\P;Name;Caf\xC3\xA9\r\n"), {}, 1},
      {"UTF-8 converted",
       Clean("R*Software\\P;Name;Caf\xC3\xA9\r\n"),
       {"--input-encoding", "utf-8"},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(f.dir / "script.txt", c.script);
    WriteFile(f.options.output, "old");
    std::vector<std::string> args = {
        "--script", f.options.script.string(), "--licence", f.options.licence.string(),
        "--source", f.options.source.string(), "-o",        f.options.output.string(),
        "--stub",   f.options.stub.string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
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
  const auto build = [&](const fs::path& script, const fs::path& licence, const fs::path& source,
                         const fs::path& output) {
    return BuildCommand({"--script", script.string(), "--licence", licence.string(), "--source",
                         source.string(), "-o", output.string(), "--stub",
                         f.options.stub.string()});
  };
  ASSERT_EQ(build(f.options.script, f.options.licence, f.options.source, f.dir / "first.exe"), 0);
  const fs::path out = f.dir / "extracted";
  ASSERT_EQ(ExtractCommand({(f.dir / "first.exe").string(), out.string()}), 0);
  EXPECT_TRUE(fs::exists(out / "setup.txt"));
  ASSERT_EQ(build(out / "setup.txt", out / "licence.txt", out, f.dir / "second.exe"), 0);
  EXPECT_EQ(ReadWholeFile(f.dir / "first.exe"), ReadWholeFile(f.dir / "second.exe"));
  EXPECT_THROW(ExtractCommand({(f.dir / "first.exe").string(), out.string()}), ToolError);
  EXPECT_EQ(ExtractCommand({(f.dir / "first.exe").string(), out.string(), "--force"}), 0);
}

// The product init writes is a start a vendor can build on at once: check --strict finds nothing,
// build makes a setup.exe, and a second init never writes over it.
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
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int checked =
      CheckCommand({(product / "setup.txt").string(), "--source", (product / "tree").string(),
                    "--licence", (product / "licence.txt").string(), "--strict"});
  const std::string report = testing::internal::GetCapturedStdout();
  const std::string findings = testing::internal::GetCapturedStderr();
  EXPECT_EQ(checked, 0) << report << findings;
  testing::internal::CaptureStdout();
  const int built = BuildCommand({"--script", (product / "setup.txt").string(), "--licence",
                                  (product / "licence.txt").string(), "--source",
                                  (product / "tree").string(), "-o", (f.dir / "init.exe").string(),
                                  "--stub", f.options.stub.string(), "--strict"});
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(built, 0);
  EXPECT_TRUE(fs::exists(f.dir / "init.exe"));
  const std::vector<std::uint8_t> script = ReadWholeFile(product / "setup.txt");
  EXPECT_THROW(InitCommand({product.string()}), ToolError);
  EXPECT_EQ(ReadWholeFile(product / "setup.txt"), script);
}

// The FIPS 180-2 examples, fed in pieces of several sizes so the block buffering is crossed.
TEST(MksetupList, Sha256OfTheStandardExamples) {
  struct Case {
    std::string text;
    const char* digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    for (std::size_t piece : {1, 63, 64, 1000}) {
      SCOPED_TRACE(std::to_string(c.text.size()) + " bytes in pieces of " + std::to_string(piece));
      Sha256Sink sink;
      const auto* data = reinterpret_cast<const std::uint8_t*>(c.text.data());
      for (std::size_t at = 0; at < c.text.size(); at += piece) {
        sink.Append(data + at, std::min(piece, c.text.size() - at));
      }
      EXPECT_EQ(sink.HexDigest(), c.digest);
    }
  }
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
      "\"path\": \"%Sr.txt\", \"bytes\": 3, \"compressedBytes\": 23, \"blocks\": 1, \"sha256\": "
      "\"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\"",
      "{\"line\": 10, \"code\": \"D\"",
      "{\"line\": 14, \"code\": \"R\", \"language\": \"*\", \"text\": \"Software\\\\P;Count;7\"",
      "REG_DWORD 7",
      "{\"line\": 15, \"code\": \"X\"",
  };
  for (const std::string& part : expected)
    EXPECT_NE(json.find(part), std::string::npos) << part << json;
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
      {"disk full",
       [](BuildFixture&, const fs::path& root) {
         // A file that takes no byte, and a registry.txt that cannot be written either.
         fs::create_directories(root / "C/Inst");
         fs::create_symlink("/dev/full", root / "C/Inst/a.txt");
         fs::create_directories(root / "registry.txt");
       },
       "Stream write error; ", false},
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

}  // namespace
}  // namespace setup::mksetup
