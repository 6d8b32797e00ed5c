// The simulated Windows: registry text round trip and Windows-like path lookup; the order of the
// disk queries.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Disk.h"
#include "platform/Error.h"
#include "platform/sim/SimPlatform.h"
#include "test_support.h"

namespace setup {
namespace {

TEST(SimRegistry, TextRoundTripAndBadLines) {
  SimRegistry registry;
  auto key = registry.CreateKey(RegistryRoot::CurrentUser, "Software\\A \"q\"");
  key->WriteString("path", "C:\\x\\");
  key->WriteString("", "default");
  key->WriteInteger("n", -12);
  const std::string text = registry.SaveText();
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\A \"q\"]\r\n\"path\"=\"C:\\\\x\\\\\"\r\n"
                      "@=\"default\"\r\n\"n\"=dword:fffffff4\r\n"),
            std::string::npos)
      << text;
  SimRegistry loaded;
  loaded.LoadText(text);
  EXPECT_EQ(loaded.SaveText(), text);
  EXPECT_EQ(loaded.Find(RegistryRoot::CurrentUser, "SOFTWARE\\a \"Q\"", "PATH")->text, "C:\\x\\");
  for (const char* bad : {"", "REGEDIT4\r\n\"v\"=\"x\"", "REGEDIT4\r\n[HKEY_X\\a]",
                          "REGEDIT4\r\n[HKEY_USERS\\a]\r\n\"v\"=dword:12"}) {
    EXPECT_THROW(loaded.LoadText(bad), SetupError) << bad;
  }
}

// What Windows cannot make, the simulated registry cannot make either.
TEST(SimRegistry, KeepsWindowsLimitsOfNames) {
  const struct {
    const char* name;
    std::string key, value;
    bool keyMade, valueSet;
  } cases[] = {
      {"key name of 255", "Software\\" + std::string(255, 'k'), "v", true, true},
      {"key name of 256", "Software\\" + std::string(256, 'k'), "v", false, false},
      {"key name of 257 at the top", std::string(257, 'k'), "v", false, false},
      {"long name in the middle", std::string(256, 'k') + "\\x", "v", false, false},
      {"value name of 16,383", "Software\\a", std::string(16383, 'v'), true, true},
      {"value name of 16,384", "Software\\a", std::string(16384, 'v'), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimRegistry registry;
    auto key = registry.CreateKey(RegistryRoot::CurrentUser, c.key);
    EXPECT_EQ(key != nullptr, c.keyMade);
    EXPECT_EQ(registry.KeyExists(RegistryRoot::CurrentUser, c.key), c.keyMade);
    if (!key) continue;
    EXPECT_EQ(key->WriteString(c.value, "x"), c.valueSet);
    EXPECT_EQ(key->WriteInteger(c.value, 1), c.valueSet);
    EXPECT_EQ(registry.Find(RegistryRoot::CurrentUser, c.key, c.value).has_value(), c.valueSet);
  }
}

TEST(SimDrives, FindsExistingEntriesWhateverTheCase) {
  const auto root = test::TempFolder("sim_drives");
  {
    SimPlatform sim(root);
    ASSERT_TRUE(sim.files.CreateDirectories("c:\\Program Files\\Sub\\"));
    EXPECT_TRUE(sim.files.DirectoryExists("C:\\PROGRAM FILES\\sub"));
    EXPECT_EQ(sim.drives.HostPath("C:\\program files\\SUB\\x.txt"),
              root / "C" / "Program Files" / "Sub" / "x.txt");
    EXPECT_FALSE(sim.files.CreateDirectories("Q:\\x\\"));  // no such drive
  }
  std::filesystem::remove_all(root);
}

// Which of Windows' two disk queries answers: the extended one where it exists and succeeds,
// else the cluster count, also when the extended call is there but fails.
TEST(DiskSpaceQueries, TheClusterCountAnswersWhereTheExtendedQueryIsMissingOrFails) {
  enum class Query { Missing, Fails, Answers };
  const struct {
    const char* name;
    Query extended, clusters;
    bool answered;
    std::uint64_t freeBytes;
  } cases[] = {
      {"extended answers", Query::Answers, Query::Answers, true, 1},
      {"extended missing", Query::Missing, Query::Answers, true, 2},
      {"extended fails", Query::Fails, Query::Answers, true, 2},
      {"both fail", Query::Fails, Query::Fails, false, 0},
      {"missing, clusters fail", Query::Missing, Query::Fails, false, 0},
  };
  auto query = [](Query kind, std::uint64_t freeBytes) -> DiskSpaceQuery {
    if (kind == Query::Missing) return nullptr;
    return [kind, freeBytes](DiskSpace& space) {
      if (kind == Query::Fails) return false;
      space.freeBytes = freeBytes;
      space.totalBytes = 10 * freeBytes;
      return true;
    };
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DiskSpace space;
    EXPECT_EQ(AskDiskSpace(query(c.extended, 1), query(c.clusters, 2), space), c.answered);
    EXPECT_EQ(space.freeBytes, c.freeBytes);
    EXPECT_EQ(space.totalBytes, 10 * c.freeBytes);
  }
}

}  // namespace
}  // namespace setup
