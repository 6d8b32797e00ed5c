// The simulated Windows: registry text round trip and Windows-like path lookup.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Error.h"
#include "platform/sim/SimPlatform.h"

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

TEST(SimDrives, FindsExistingEntriesWhateverTheCase) {
  const auto root = std::filesystem::temp_directory_path() / ("sim_" + std::to_string(getpid()));
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

}  // namespace
}  // namespace setup
