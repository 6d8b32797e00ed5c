// mksetup: payload writer rules, PE resources written and read back, malformed PE input,
// source mapping, check findings, and build refusals and round trips.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <functional>

#include "Build.h"
#include "Check.h"
#include "Commands.h"
#include "FileIo.h"
#include "PayloadWriter.h"
#include "SetupExe.h"
#include "SourceMap.h"
#include "ToolError.h"
#include "pe/PeWriter.h"
#include "pe/ResourceTree.h"

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

// One folder per process: ctest runs the tests of this file side by side.
fs::path TempDir(const std::string& name) {
  const fs::path dir =
      fs::temp_directory_path() / ("mksetup_test_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
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
    PayloadSource source;
    source.bytes.assign(c.size, 'x');
    for (std::size_t i = 0; i < c.size; i += 7) source.bytes[i] = static_cast<std::uint8_t>(i);
    source.size = c.size;
    const std::vector<std::uint8_t> entry = BuildEntry(source);
    const PayloadEntry parsed(ByteSpan(entry).subspan(4));
    EXPECT_EQ(BlockCount(parsed), c.blocks) << c.size;
    MemorySink sink;
    parsed.InflateTo(sink);
    EXPECT_EQ(sink.bytes, source.bytes) << c.size;
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
    std::vector<std::uint8_t> bytes = good;
    c.damage(bytes);
    EXPECT_THROW(FindRcData(bytes, "X", "a"), ToolError) << c.name;
  }
}

TEST(MksetupSourceMap, MacroLetterIsTheFirstFolderAndCaseIsIgnored) {
  const fs::path dir = TempDir("map");
  WriteFile(dir / "S/DM.DAT", "1");
  WriteFile(dir / "A/Libs/x.lib", "2");
  struct Case {
    const char* path;
    const char* found;  // nullptr: not found
  };
  const Case cases[] = {{"%SDM.DAT", "S/DM.DAT"},
                        {"%sdm.dat", "S/DM.DAT"},
                        {"%Alibs\\X.LIB", "A/Libs/x.lib"},
                        {"%Alibs\\y.lib", nullptr},
                        {"%S\\DM.DAT", "S/DM.DAT"}};
  for (const Case& c : cases) {
    const auto found = FindSource(dir, SourceParts(c.path, "t"), "t");
    if (c.found) {
      ASSERT_TRUE(found) << c.path;
      EXPECT_EQ(*found, dir / c.found) << c.path;
    } else {
      EXPECT_FALSE(found) << c.path;
    }
  }
  for (const char* bad : {"C:\\x.dat", "%S..\\x", "%S", "%Xa"}) {
    EXPECT_THROW(SourceParts(bad, "t"), ToolError) << bad;
  }
}

std::string Script(const std::string& actions) {
  return "GEF\r\nN*P\r\nV1\r\nS0\r\nDsub\\\r\nH%Sp.exe\r\nMG%Sr.txt\r\n\r\n\r\n" + actions;
}

TEST(MksetupCheck, FindingsCarryTheirLineAndKind) {
  struct Case {
    std::string script;
    std::size_t line;
    Severity severity;
    const char* reasonPart;
  };
  const std::string longName(60, 'n');
  const Case cases[] = {
      {"GEF\r\nN*P\r\nF*%Sx\r\nS0\r\n\r\n\r\n\r\n\r\n\r\n", 3, Severity::Error, "header"},
      {Script("Q*x\r\n"), 10, Severity::Warning, "unknown code letter"},
      {Script("D%Sx\\\r\n"), 10, Severity::Warning, "language code"},
      {Script("T*Korvalt=x\r\n"), 10, Severity::Warning, "KORVALT"},
      {Script("T*KORVAT=x\r\n"), 10, Severity::Warning, "KORVALT"},
      {Script("F*x.dat\r\n"), 10, Severity::Error, "folder part"},
      {Script("K*%P" + longName + "\\" + longName + ".lnk;%Sp.exe;\r\n"), 10, Severity::Warning,
       "too long"},
  };
  for (const Case& c : cases) {
    const auto findings = CheckScript(ScriptFromText("s", c.script), {});
    ASSERT_EQ(findings.size(), 1u) << c.script;
    EXPECT_EQ(findings[0].line, c.line) << c.script;
    EXPECT_EQ(findings[0].severity, c.severity) << c.script;
    EXPECT_NE(findings[0].reason.find(c.reasonPart), std::string::npos) << findings[0].reason;
  }
  EXPECT_TRUE(CheckScript(ScriptFromText("s", Script("T*KORVALT=x\r\nF*%Sx\r\n")), {}).empty());
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
  const PayloadSummary summary = BuildSetup(f.options);
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
    BuildFixture f;
    c.spoil(f);
    EXPECT_THROW(BuildSetup(f.options), ToolError) << c.name;
    EXPECT_TRUE(!fs::exists(f.dir / "out") || fs::is_empty(f.dir / "out")) << c.name;
  }
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
    const fs::path root = f.dir / (std::string("root-") + c.language);
    const fs::path dest = root / "C/Inst";
    ASSERT_EQ(RunCommand({f.options.output.string(), "--root", root.string(), "--language",
                          c.language, "--dest", "C:\\Inst"}),
              0);
    EXPECT_EQ(fs::exists(dest / "a.txt"), c.germanFile) << c.language;
    EXPECT_EQ(fs::exists(dest / "sub/Empty.dat"), c.englishFile) << c.language;
    const fs::path big = root / "C/Users/Tester/AppData/Roaming/sub/big.bin";
    EXPECT_EQ(ReadWholeFile(big), ReadWholeFile(f.dir / "src/A/big.bin")) << c.language;
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
