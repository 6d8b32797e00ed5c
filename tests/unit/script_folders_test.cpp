#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "script/Macros.h"
#include "script/SystemFolders.h"
#include "text/FolderPath.h"

namespace setup {
namespace {

TEST(ExpandMacros, ReplacesEachMacroInOnePass) {
  SetupState state;
  state.DestinationFolder = "C:\\Dest\\";
  state.AppDataFolder = "C:\\App\\sub\\";
  state.DesktopFolder = "C:\\Desk\\";
  state.ProgramsFolder = "C:\\Prog\\";
  state.QuickLaunchFolder = "C:\\QL\\";
  const struct {
    const char* text;
    const char* expanded;
  } cases[] = {
      {"%SVelV12.exe", "C:\\Dest\\VelV12.exe"},
      {"%sVelV12.exe", "C:\\Dest\\VelV12.exe"},
      {"%S%S", "C:\\Dest\\C:\\Dest\\"},
      {"%Aprojects;%a", "C:\\App\\sub\\projects;C:\\App\\sub\\"},
      {"%D|%d|%P|%p|%Q|%q", "C:\\Desk\\|C:\\Desk\\|C:\\Prog\\|C:\\Prog\\|C:\\QL\\|C:\\QL\\"},
      {"no macros", "no macros"},
      {"", ""},
      {"%", "%"},
      {"100%", "100%"},
      {"%X%%S", "%X%C:\\Dest\\"},
      {"%%S", "%C:\\Dest\\"},
      {"aBc%SdEf", "aBcC:\\Dest\\dEf"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandMacros(state, c.text), c.expanded) << c.text;
}

TEST(ExpandMacros, InsertedValuesAreSearchedOnlyByLaterPasses) {
  SetupState state;
  state.DestinationFolder = "C:\\100%S%s%D\\";
  state.DesktopFolder = "C:\\Desk\\";
  state.QuickLaunchFolder = "C:\\Q%S\\";
  const std::string text = "%S|%Q";
  EXPECT_EQ(ExpandMacros(state, text), "C:\\100%S%sC:\\Desk\\\\|C:\\Q%S\\");
  EXPECT_EQ(text, "%S|%Q");

  // An empty value removes its macro.
  SetupState empty;
  EXPECT_EQ(ExpandMacros(empty, "%SVelV12.exe"), "VelV12.exe");
  // A pass sees the earlier passes' values: %A's value holds %P.
  empty.AppDataFolder = "%P";
  empty.ProgramsFolder = "P\\";
  EXPECT_EQ(ExpandMacros(empty, "%A"), "P\\");
}

TEST(EnsureTrailingBackslash, AppendsOnlyWhenMissing) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "\\"}, {"C:", "C:\\"}, {"C:\\", "C:\\"}, {"a\\b", "a\\b\\"}, {"a/", "a/\\"},
  };
  for (const auto& [path, expected] : cases) {
    std::string text = path;
    EnsureTrailingBackslash(text);
    EXPECT_EQ(text, expected) << path;
  }
}

// A registry of string values by root and exact key path; keys open only when they exist.
class FakeRegistry : public Registry {
 public:
  using Values = std::map<std::string, std::string>;
  class Key : public RegistryKey {
   public:
    explicit Key(const Values& values) : values_(values) {}
    std::string ReadString(const std::string& name) override {
      const auto found = values_.find(name);
      return found == values_.end() ? std::string() : found->second;
    }
    bool WriteString(const std::string&, const std::string&) override { return false; }
    bool WriteInteger(const std::string&, std::int32_t) override { return false; }

   private:
    const Values& values_;
  };

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override {
    const auto found = keys.find({root, path});
    if (found == keys.end()) return nullptr;
    return std::make_unique<Key>(found->second);
  }
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot, const std::string&) override {
    ADD_FAILURE() << "a key was created";
    return nullptr;
  }
  std::map<std::pair<RegistryRoot, std::string>, Values> keys;
};

const std::pair<RegistryRoot, std::string> kVersionKey = {
    RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"};
const std::pair<RegistryRoot, std::string> kUserKey = {
    RegistryRoot::CurrentUser,
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};
const std::pair<RegistryRoot, std::string> kCommonKey = {
    RegistryRoot::LocalMachine,
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};

FakeRegistry FullRegistry() {
  FakeRegistry registry;
  registry.keys[kVersionKey] = {{"ProgramFilesDir", "C:\\Program Files"}};
  registry.keys[kUserKey] = {{"Desktop", "C:\\U\\Desktop"},
                             {"Programs", "C:\\U\\Programs\\"},
                             {"AppData", "C:\\U\\AppData"}};
  registry.keys[kCommonKey] = {{"Common AppData", "C:\\All\\AppData"},
                               {"Common Desktop", "C:\\All\\Desktop"},
                               {"Common Programs", "C:\\All\\Programs"}};
  return registry;
}

struct Folders {
  std::string programFiles, appData, desktop, programs, quickLaunch;
  bool operator==(const Folders&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Folders& f) {
  return out << "{" << f.programFiles << " | " << f.appData << " | " << f.desktop << " | "
             << f.programs << " | " << f.quickLaunch << "}";
}

Folders Resolve(SetupState& state, FakeRegistry& registry, bool oneUser) {
  ResolveSystemFolders(state, registry, oneUser);
  return {state.ProgramFilesFolder, state.AppDataFolder, state.DesktopFolder, state.ProgramsFolder,
          state.QuickLaunchFolder};
}

constexpr const char* kQuickLaunch = "Microsoft\\Internet Explorer\\Quick Launch\\";

TEST(ResolveSystemFolders, OneUserAndAllUsers) {
  const std::string ql = std::string("C:\\U\\AppData\\") + kQuickLaunch;
  const struct {
    const char* name;
    void (*change)(FakeRegistry&);
    bool oneUser;
    Folders expected;
  } cases[] = {
      {"one user",
       [](FakeRegistry&) {},
       true,
       {"C:\\Program Files\\", "C:\\U\\AppData\\vqx\\VelV12\\special\\", "C:\\U\\Desktop\\",
        "C:\\U\\Programs\\", ql}},
      {"all users",
       [](FakeRegistry&) {},
       false,
       {"C:\\Program Files\\", "C:\\All\\AppData\\vqx\\VelV12\\special\\", "C:\\All\\Desktop\\",
        "C:\\All\\Programs\\", ql}},
      {"all users, common programs missing",
       [](FakeRegistry& r) { r.keys[kCommonKey].erase("Common Programs"); },
       false,
       {"C:\\Program Files\\", "C:\\All\\AppData\\vqx\\VelV12\\special\\", "C:\\All\\Desktop\\",
        "C:\\U\\Programs\\", ql}},
      {"all users, common programs empty",
       [](FakeRegistry& r) { r.keys[kCommonKey]["Common Programs"] = ""; },
       false,
       {"C:\\Program Files\\", "C:\\All\\AppData\\vqx\\VelV12\\special\\", "C:\\All\\Desktop\\",
        "C:\\U\\Programs\\", ql}},
      {"all users, common desktop missing",
       [](FakeRegistry& r) { r.keys[kCommonKey].erase("Common Desktop"); },
       false,
       {"C:\\Program Files\\", "C:\\All\\AppData\\vqx\\VelV12\\special\\", "\\",
        "C:\\All\\Programs\\", ql}},
      {"all users, no common key",
       [](FakeRegistry& r) { r.keys.erase(kCommonKey); },
       false,
       {"C:\\Program Files\\", "vqx\\VelV12\\special\\", "", "", ql}},
      {"all users, no user key",
       [](FakeRegistry& r) { r.keys.erase(kUserKey); },
       false,
       {"C:\\Program Files\\", "C:\\All\\AppData\\vqx\\VelV12\\special\\", "C:\\All\\Desktop\\",
        "C:\\All\\Programs\\", ""}},
      {"all users, no programs anywhere",
       [](FakeRegistry& r) {
         r.keys[kCommonKey].erase("Common Programs");
         r.keys[kUserKey].erase("Programs");
       },
       false,
       {"C:\\Program Files\\", "C:\\All\\AppData\\vqx\\VelV12\\special\\", "C:\\All\\Desktop\\",
        "\\", ql}},
      {"all users, user AppData missing",
       [](FakeRegistry& r) { r.keys[kUserKey].erase("AppData"); },
       false,
       {"C:\\Program Files\\", "C:\\All\\AppData\\vqx\\VelV12\\special\\", "C:\\All\\Desktop\\",
        "C:\\All\\Programs\\", std::string("\\") + kQuickLaunch}},
      {"one user, no user key",
       [](FakeRegistry& r) { r.keys.erase(kUserKey); },
       true,
       {"C:\\Program Files\\", "vqx\\VelV12\\special\\", "", "", kQuickLaunch}},
      {"one user, values missing",
       [](FakeRegistry& r) { r.keys[kUserKey].clear(); },
       true,
       {"C:\\Program Files\\", "\\vqx\\VelV12\\special\\", "\\", "\\",
        std::string("\\") + kQuickLaunch}},
      {"program files missing",
       [](FakeRegistry& r) { r.keys[kVersionKey].clear(); },
       true,
       {"\\", "C:\\U\\AppData\\vqx\\VelV12\\special\\", "C:\\U\\Desktop\\", "C:\\U\\Programs\\",
        ql}},
      {"no version key",
       [](FakeRegistry& r) { r.keys.erase(kVersionKey); },
       true,
       {"", "C:\\U\\AppData\\vqx\\VelV12\\special\\", "C:\\U\\Desktop\\", "C:\\U\\Programs\\", ql}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeRegistry registry = FullRegistry();
    c.change(registry);
    SetupState state;
    state.DefaultSubFolder = "vqx\\VelV12\\special\\";
    EXPECT_EQ(Resolve(state, registry, c.oneUser), c.expected);
    // Leaving the welcome page again with the same choice gives the same values when every key
    // opens; a key that cannot be opened keeps the values of the first run.
    const Folders again = Resolve(state, registry, c.oneUser);
    if (registry.keys.size() == 3) {
      EXPECT_EQ(again, c.expected) << c.name << ", again";
    }
  }
}

TEST(ResolveSystemFolders, SwitchingTheKindReplacesTheValues) {
  FakeRegistry registry = FullRegistry();
  SetupState state;
  state.DefaultSubFolder = "sub";
  Resolve(state, registry, false);
  const Folders oneUser = Resolve(state, registry, true);
  EXPECT_EQ(oneUser.appData, "C:\\U\\AppData\\sub\\");
  EXPECT_EQ(oneUser.desktop, "C:\\U\\Desktop\\");
  // A key that cannot be opened keeps the earlier values.
  registry.keys.erase(kCommonKey);
  const Folders allUsers = Resolve(state, registry, false);
  EXPECT_EQ(allUsers.desktop, "C:\\U\\Desktop\\");
  EXPECT_EQ(allUsers.appData, "C:\\U\\AppData\\sub\\sub\\");
}

}  // namespace
}  // namespace setup
