// The simulated Windows: registry text round trip and Windows-like path lookup; the order of the
// disk queries.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "platform/Disk.h"
#include "platform/Error.h"
#include "platform/sim/SimPlatform.h"
#include "test_support.h"

namespace setup {
namespace {

using namespace std::string_literals;

// A key path of that many levels: "k\\k\\...".
std::string Levels(std::size_t count) {
  std::string path = "k";
  for (std::size_t level = 1; level < count; ++level) path += "\\k";
  return path;
}

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
}

// A registry of every kind of name and value, saved, loaded and saved again, gives the same bytes.
TEST(SimRegistry, SavedLoadedAndSavedAgainIsTheSame) {
  SimRegistry registry;
  registry.CreateKey(RegistryRoot::ClassesRoot, "\\.T5107")->WriteString("", "T5107file");
  registry.CreateKey(RegistryRoot::ClassesRoot, "T5107file\\Shell\\open\\command")
      ->WriteString("", "C:\\P\\p.exe \"%1\"");
  registry.CreateKey(RegistryRoot::Users, ".DEFAULT\\Software\\b")->WriteInteger("min", INT32_MIN);
  auto key = registry.CreateKey(RegistryRoot::CurrentUser, "Software\\" + std::string(255, 'k'));
  key->WriteString(std::string(16383, 'v'), "");
  key->WriteString("\\\"é;=[]@", "\"\\\\ÿ\t");
  key->WriteInteger("zero", 0);
  registry.CreateKey(RegistryRoot::LocalMachine, Levels(kDeepestKey))->WriteString("x", "y");
  registry.CreateKey(RegistryRoot::LocalMachine, "")->WriteString("at the root", "r");
  const std::string text = registry.SaveText();
  SimRegistry loaded;
  loaded.LoadText(text);
  EXPECT_EQ(loaded.SaveText(), text);
  EXPECT_EQ(loaded.Find(RegistryRoot::Users, ".default\\SOFTWARE\\B", "MIN")->number, 0x80000000u);
}

// A registry text is read as if anyone could have written it: the first line that is not as
// SaveText writes it is named with its reason, and the registry is left as it was.
TEST(SimRegistry, RefusesADamagedText) {
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\S]\r\n";
  const struct {
    std::string text;
    std::size_t line;
    const char* reason;
  } cases[] = {
      {"", 1, "the text does not begin with REGEDIT4"},
      {"REGEDIT5\r\n", 1, "the text does not begin with REGEDIT4"},
      {"REGEDIT4\r\n\"v\"=\"x\"\r\n", 2, "a value before the first key"},
      {"REGEDIT4\r\n[HKEY_X\\a]\r\n", 2, "the key does not begin with HKEY_CLASSES_ROOT"},
      {"REGEDIT4\r\n[hkey_users\\a]\r\n", 2, "the key does not begin with HKEY_CLASSES_ROOT"},
      {"REGEDIT4\r\n[HKEY_USERS\\a\r\n", 2, "a key line must end with ']'"},
      {"REGEDIT4\r\n[\r\n", 2, "a key line must end with ']'"},
      {head + "\"v\"=dword:12\r\n", 4, "dword: needs eight hexadecimal digits"},
      {head + "\"v\"=dword: +123456\r\n", 4, "dword: needs eight hexadecimal digits"},
      {head + "\"v\"=dword:0000000A\r\n", 4, "dword: needs eight hexadecimal digits"},
      {head + "\"v\"=\"x\r\n", 4, "the quoted text is not closed"},
      {head + "\"v\"=\"x\\\"\r\n", 4, "the quoted text is not closed"},
      {head + "\"v\"=\"x\\n\"\r\n", 4, "a backslash in a quoted text escapes only"},
      {head + "\"v\"=\"x\" \r\n", 4, "text after the closing quote"},
      {head + "\"v\" =\"x\"\r\n", 4, "'=' was expected after the value name"},
      {head + "v=\"x\"\r\n", 4, "a quoted text was expected"},
      {head + "\"\"=\"x\"\r\n", 4, "the default value is written @"},
      {head + "\"v\"=\"x\"\r\n\"V\"=dword:00000001\r\n", 5, "the value is given twice in its key"},
      {head + "@=\"x\"\r\n@=\"y\"\r\n", 5, "the value is given twice in its key"},
      {head + "\r\n[HKEY_CURRENT_USER\\s]\r\n", 5, "the key is given twice"},
      {head + "[HKEY_CURRENT_USER\\T\\U]\r\n", 4, "the key's parent key must come before it"},
      {head + "[HKEY_CURRENT_USER\\S\\\\U]\r\n", 4, "an empty key name"},
      {head + "[HKEY_CURRENT_USER\\S\\]\r\n", 4, "an empty key name"},
      {head + "[HKEY_CURRENT_USER\\" + std::string(256, 'k') + "]\r\n", 4,
       "a key name longer than 255 characters"},
      {head + "\"" + std::string(16384, 'v') + "\"=\"x\"\r\n", 4,
       "a value name longer than 16,383 characters"},
      {head + "\"v\"=\"a\0b\"\r\n"s, 4, "a NUL byte"},
      {head + "\r\r\n\n\0"s, 7, "a NUL byte"},
  };
  std::string tooDeep = "REGEDIT4\r\n";
  for (std::size_t level = 1; level <= kDeepestKey + 1; ++level) {
    tooDeep += "[HKEY_CURRENT_USER\\" + Levels(level) + "]\r\n";
  }
  SimRegistry registry;
  registry.CreateKey(RegistryRoot::CurrentUser, "Kept")->WriteString("v", "1");
  const std::string before = registry.SaveText();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    try {
      registry.LoadText(c.text);
      ADD_FAILURE() << "read without an error";
    } catch (const RegistryTextError& error) {
      EXPECT_EQ(error.Line(), c.line);
      EXPECT_EQ(error.Reason().rfind(c.reason, 0), 0u) << error.Reason();
    }
    EXPECT_EQ(registry.SaveText(), before);
  }
  try {
    registry.LoadText(tooDeep);
    ADD_FAILURE() << "a key of 513 levels was read";
  } catch (const RegistryTextError& error) {
    EXPECT_EQ(error.Line(), kDeepestKey + 2);
    EXPECT_EQ(error.Reason(), "a key more than 512 levels below its root");
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
      {"key 512 levels deep", Levels(kDeepestKey), "v", true, true},
      {"key 513 levels deep", Levels(kDeepestKey + 1), "v", false, false},
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

}  // namespace
}  // namespace setup
