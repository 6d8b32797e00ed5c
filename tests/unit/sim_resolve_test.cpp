// What a look-up of the simulated Windows tells of the entry it found, and that the file system
// answers the same through it as through the host, for exact, other-case, new and linked names.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/sim/SimPlatform.h"
#include "test_support.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

class SimResolve : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(root_);
    fs::create_directories(root_ / "C/Apps/Data");
    std::ofstream(root_ / "C/Apps/Data/Table.DAT") << "x";
    std::ofstream(root_ / "C/Apps/Locked.txt") << "x";
    fs::permissions(root_ / "C/Apps/Locked.txt", fs::perms::owner_write, fs::perm_options::remove);
    fs::create_symlink(root_ / "C/Apps/Data", root_ / "C/Apps/Link");
    fs::create_symlink(root_ / "C/Apps/Data/Table.DAT", root_ / "C/Apps/FileLink");
  }
  const fs::path root_ = test::TempFolder("sim_resolve");
};

TEST_F(SimResolve, TellsWhatItFoundAndTheFileSystemAgreesWithTheHost) {
  struct Case {
    const char* windows;
    const char* host;    // under the root
    fs::file_type told;  // none: the look-up did not find out
    bool folder, file, creatable;
  };
  using T = fs::file_type;
  const Case cases[] = {
      {"C:\\Apps\\Data\\Table.DAT", "C/Apps/Data/Table.DAT", T::regular, false, true, true},
      {"C:\\Apps\\Data\\TABLE.dat", "C/Apps/Data/Table.DAT", T::none, false, true, true},
      {"C:\\apps\\data\\table.dat", "C/Apps/Data/Table.DAT", T::none, false, true, true},
      {"C:\\Apps\\Data\\new.txt", "C/Apps/Data/new.txt", T::not_found, false, false, true},
      {"C:\\APPS\\Data\\two.txt", "C/Apps/Data/two.txt", T::none, false, false, true},
      {"C:\\Apps\\DATA", "C/Apps/Data", T::none, true, false, false},
      {"C:\\Apps\\Data", "C/Apps/Data", T::directory, true, false, false},
      {"C:\\Apps\\locked.TXT", "C/Apps/Locked.txt", T::none, false, true, false},
      {"C:\\Apps\\Locked.txt", "C/Apps/Locked.txt", T::regular, false, true, false},
      // A link, even to a place within the root, is neither followed nor written over.
      {"C:\\Apps\\Link", "C/Apps/Link", T::symlink, false, false, false},
      {"C:\\Apps\\FileLink", "C/Apps/FileLink", T::symlink, false, false, false},
      {"C:\\Apps\\Missing\\x.txt", "C/Apps/Missing/x.txt", T::none, false, false, false},
  };
  SimPlatform sim(root_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.windows);
    const SimDrives::Resolved entry = sim.drives.Resolve(c.windows);
    EXPECT_EQ(entry.path, root_ / c.host);
    EXPECT_EQ(entry.status.type(), c.told);
    EXPECT_EQ(sim.files.DirectoryExists(c.windows), c.folder);
    EXPECT_EQ(sim.files.FileExists(c.windows), c.file);
    EXPECT_EQ(sim.files.DirectoryExists(c.windows),
              fs::is_directory(fs::symlink_status(root_ / c.host)));
    EXPECT_EQ(sim.files.CreateFileExclusive(c.windows) != nullptr, c.creatable);
  }
}

// The names a folder holds are listed once and then kept up to date by what the sim itself makes
// and removes; a change from outside shows in the folder's status and has it listed again.
TEST_F(SimResolve, KnowsTheNamesOfAFolderWithoutListingItAgain) {
  SimPlatform sim(root_);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(sim.files.CreateFileExclusive("C:\\Apps\\File" + std::to_string(i) + ".dat"));
  }
  EXPECT_LE(sim.drives.FolderListings(), 2u);
  struct Step {
    const char* what;
    std::function<void()> change;
    const char* windows;
    const char* host;  // under the root
  };
  const Step steps[] = {
      {"made by the sim", [&] { sim.files.CreateFileExclusive("C:\\Apps\\New.txt"); },
       "C:\\apps\\NEW.TXT", "C/Apps/New.txt"},
      {"removed by the sim", [&] { sim.files.RemoveFile("C:\\Apps\\New.txt"); },
       "C:\\apps\\new.txt", "C/Apps/new.txt"},
      {"folder made by the sim", [&] { sim.files.CreateDirectories("C:\\Apps\\Sub\\Deeper\\"); },
       "C:\\APPS\\SUB\\deeper\\x", "C/Apps/Sub/Deeper/x"},
      {"shortcut made by the sim",
       [&] { sim.shell.SaveShortcut("C:\\Apps\\Go.lnk", "C:\\x.exe", "C:\\", ""); },
       "C:\\Apps\\GO.LNK", "C/Apps/Go.lnk"},
      {"made from outside", [&] { fs::create_directory(root_ / "C/Apps/Outer"); },
       "C:\\Apps\\OUTER\\x", "C/Apps/Outer/x"},
      {"removed from outside", [&] { fs::remove(root_ / "C/Apps/Outer"); }, "C:\\Apps\\outer",
       "C/Apps/outer"},
      {"file made from outside", [&] { std::ofstream(root_ / "C/Apps/Outside.txt") << "x"; },
       "C:\\Apps\\OUTSIDE.TXT", "C/Apps/Outside.txt"},
      // The sim does not ask after each file it makes; a change of a later clock tick still shows.
      {"file made from outside a moment after one the sim made",
       [&] {
         sim.files.CreateFileExclusive("C:\\Apps\\Own.txt");
         std::this_thread::sleep_for(std::chrono::milliseconds(30));
         std::ofstream(root_ / "C/Apps/Later.txt") << "x";
       },
       "C:\\Apps\\LATER.TXT", "C/Apps/Later.txt"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    EXPECT_EQ(sim.drives.HostPath(step.windows), root_ / step.host);
  }
}

}  // namespace
}  // namespace setup
