// Host paths of the simulated Windows over a small tree, for names spelled as they are on the
// host, in another letter case, and new, at each depth; and folder creation over them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sim/SimPlatform.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

class SimHostPath : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(root_);
    fs::create_directories(root_ / "C/Apps/Data");
    std::ofstream(root_ / "C/Apps/Data/Table.DAT") << "x";
  }
  void TearDown() override { fs::remove_all(root_); }

  const fs::path root_ = fs::temp_directory_path() / ("sim_host_" + std::to_string(getpid()));
};

TEST_F(SimHostPath, MapsEveryKindOfName) {
  struct Case {
    const char* windows;
    const char* host;  // under the root
  };
  const Case cases[] = {
      {"C:\\Apps\\Data\\Table.DAT", "C/Apps/Data/Table.DAT"},  // as spelled on the host
      {"C:\\Apps\\Data\\table.dat", "C/Apps/Data/Table.DAT"},  // existing, other case
      {"C:\\APPS\\data\\TABLE.dat", "C/Apps/Data/Table.DAT"},  // every level in other case
      {"C:\\Apps\\Data\\new.txt", "C/Apps/Data/new.txt"},      // new, in an exact folder
      {"C:\\apps\\DATA\\new.txt", "C/Apps/Data/new.txt"},      // new, in a folder in other case
      {"C:\\apps\\new\\deeper\\x", "C/Apps/new/deeper/x"},     // new folders below
      {"C:\\Apps\\Other\\..\\Data\\.\\table.dat", "C/Apps/Data/Table.DAT"},
      {"C:\\Apps\\Data.\\Table.DAT ", "C/Apps/Data/Table.DAT"},  // trailing dot and blank
      {"C:\\Apps\\Data", "C/Apps/Data"},
      {"C:\\", "C"},
      {"\\apps/data/TABLE.DAT", "C/Apps/Data/Table.DAT"},  // no drive: C:, either separator
  };
  SimPlatform sim(root_);
  for (const Case& c : cases) {
    EXPECT_EQ(sim.drives.HostPath(c.windows), root_ / c.host) << c.windows;
  }
}

TEST_F(SimHostPath, CreatesFoldersUnderExistingOnesWhateverTheCase) {
  SimPlatform sim(root_);
  struct Case {
    const char* folder;
    bool created;
    const char* host;  // what exists afterwards, under the root
  };
  const Case cases[] = {
      {"C:\\Apps\\Data\\", true, "C/Apps/Data"},
      {"c:\\apps\\data\\Sub\\", true, "C/Apps/Data/Sub"},
      {"C:\\APPS\\DATA\\SUB\\Two\\", true, "C/Apps/Data/Sub/Two"},
      {"Q:\\Apps\\", false, "Q"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sim.files.CreateDirectories(c.folder), c.created) << c.folder;
    EXPECT_EQ(fs::is_directory(root_ / c.host), c.created) << c.folder;
  }
  EXPECT_FALSE(fs::exists(root_ / "C/apps"));
  EXPECT_FALSE(fs::exists(root_ / "C/Apps/Data/SUB"));
}

}  // namespace
}  // namespace setup
