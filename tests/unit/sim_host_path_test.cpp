// Host paths of the simulated Windows over a small tree, for names spelled as they are on the
// host, in another letter case, and new, at each depth; and folder creation over them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/HostBeneath.h"
#include "platform/sim/SimPlatform.h"
#include "test_support.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

bool IsUnderRoot(const fs::path& path, const fs::path& root) {
  const fs::path relative = path.lexically_relative(root);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

class SimHostPath : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "C/Apps/Data");
    fs::create_directories(root_ / "UNC/srv/share");
    std::ofstream(root_ / "C/Apps/Data/Table.DAT") << "x";
  }
  const fs::path root_ = test::TempFolder("sim_host");
};

TEST_F(SimHostPath, MapsEveryKindOfName) {
  struct Case {
    const char* windows;
    const char* host;  // under the root; nullptr: no place of the simulated machine
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
      {"\\apps/data/TABLE.DAT", "C/Apps/Data/Table.DAT"},          // no drive: C:, either separator
      {"C:\\Apps\\\\Data/\\/table.dat", "C/Apps/Data/Table.DAT"},  // a run is one separator
      {"C:\\..\\..\\Apps\\..\\..\\x", "C/x"},                      // never above the drive
      {"\\\\srv\\share\\x", "UNC/srv/share/x"},
      {"\\\\srv\\\\share\\\\x", "UNC/srv/share/x"},
      {"//srv/share/../../x", "UNC/srv/share/x"},  // never above the share
      {"\\\\..\\share\\x", nullptr},
      {"\\\\srv\\..\\x", nullptr},
      {"\\\\..\\..\\x", nullptr},
      {"\\\\.\\share\\x", nullptr},
      {"\\\\srv", nullptr},
      {"\\\\?\\C:\\x", nullptr},  // a device path
      {"\\\\.\\C:\\x", nullptr},
      {"/:\\x\\", nullptr},  // a drive that is no letter
      {":\\x", nullptr},
      {"1:\\x", nullptr},
      {"C:\\a<b", nullptr},  // characters Windows refuses in a name
      {"C:\\x\\y:z", nullptr},
      {"C:\\x\\y\tz", nullptr},
      {"D:\\x\\Y", "drive-d/x/Y"},  // a drive mapped to a folder of its own
      {"d:\\..\\..\\x", "drive-d/x"},
      {"D:", "drive-d"},
      {"E:\\x", "E/x"},  // one that is not: its letter under the root
  };
  SimPlatform sim(root_);
  sim.drives.MapDrive('d', root_ / "drive-d/");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.windows);
    EXPECT_EQ(sim.drives.HostPath(c.windows), c.host ? root_ / c.host : fs::path());
  }
  // The ANSI functions see a name up to its first NUL.
  EXPECT_EQ(sim.drives.HostPath(std::string("C:\\Apps\\Data") + '\0' + "\\..\\..\\x"),
            root_ / "C/Apps/Data");
}

// Random and hostile texts: whatever the text, the path given lies under the root or a mapped
// drive's folder, and neither folder creation nor file creation through it leaves anything beside.
TEST_F(SimHostPath, StaysUnderTheRootWhateverTheText) {
  const fs::path outer = root_ / "outer";
  const fs::path root = outer / "root";
  fs::create_directories(root / "UNC/srv/share");
  const fs::path drive = outer / "drive-d";  // drive D: beside the root
  fs::create_directories(drive);
  SimPlatform sim(root);
  sim.drives.MapDrive('D', drive);
  std::vector<std::string> texts = {"\\\\..\\..\\x",
                                    "\\\\..\\..\\..\\..\\x",
                                    "//../../x",
                                    "\\\\srv\\..\\..\\x",
                                    "/:\\x\\",
                                    "..:\\x",
                                    "\\\\?\\..\\x",
                                    "C:..\\..\\x",
                                    "\\\\srv\\share\\..\\..\\..\\..\\x",
                                    "C:\\..\\..\\..\\x",
                                    "\\\\\\\\..\\..\\x",
                                    std::string("\\\\") + '\0' + "..\\..\\x",
                                    "\\\\ ..\\x",
                                    "\\\\.. \\share\\x",
                                    "D:\\..\\..\\x",
                                    "d:..\\..\\x"};
  std::mt19937 random(11);
  const std::string alphabet = "\\/.: ?<*aCDU\t";
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    const std::size_t length = random() % 16;
    for (std::size_t j = 0; j < length; ++j) text += alphabet[random() % alphabet.size()];
    if (random() % 4 == 0) text += '\0';
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const fs::path host = sim.drives.HostPath(text);
    if (!host.empty()) {
      ASSERT_TRUE(IsUnderRoot(host.lexically_normal(), root) || host.lexically_normal() == root ||
                  IsUnderRoot(host.lexically_normal(), drive) || host.lexically_normal() == drive)
          << host;
    }
    sim.files.CreateDirectories(text + "\\d");
    sim.files.CreateFileExclusive(text + "\\f.txt");
    sim.files.CreateFileExclusive(text);
  }
  std::vector<fs::path> beside;
  for (const auto& entry : fs::recursive_directory_iterator(outer)) {
    if (!IsUnderRoot(entry.path(), root) && !IsUnderRoot(entry.path(), drive)) {
      beside.push_back(entry.path());
    }
  }
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<fs::path>{drive, root})) << "made beside the root and drive D:";
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
      {"C:\\New\\\\Sub\\", true, "C/New/Sub"},
      {"\\\\srv\\share\\\\x\\y\\", true, "UNC/srv/share/x/y"},
      {"\\\\srv\\other\\x\\", false, "UNC/srv/other"},  // a share is not made
      {"\\\\new\\share\\x\\", false, "UNC/new"},
      {"/:\\x\\", false, "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(sim.files.CreateDirectories(c.folder), c.created);
    EXPECT_EQ(fs::is_directory(root_ / c.host), c.created);
  }
  EXPECT_FALSE(fs::exists(root_ / "C/apps"));
  EXPECT_FALSE(fs::exists(root_ / "C/Apps/Data/SUB"));
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Links planted below the root and a mapped drive's folder, each pointing out of it: no read,
// write, creation or removal goes through one, each is named, and what they point at is as it
// was. Once with openat2, once the way of kernels without it.
TEST_F(SimHostPath, NeverFollowsALinkOutOfTheRootOrADrive) {
  const fs::path outside = root_ / "outside";
  fs::create_directories(outside / "empty");
  std::ofstream(outside / "secret") << "mode 600";
  const fs::path root = root_ / "root";
  const fs::path drive = root_ / "drive-d";
  fs::create_directories(root / "C/Apps/Data");
  fs::create_directories(drive);
  fs::create_directory_symlink(outside, root / "C/Linked");
  fs::create_symlink(outside / "secret", root / "C/Apps/Data/Linked.txt");
  fs::create_directory_symlink(outside, drive / "Out");
  struct Case {
    const char* what;
    std::function<bool(SimPlatform&)> act;  // whether the operation reported success
    bool succeeds;
    const char* link;  // the link named, under root_
  };
  const Case cases[] = {
      {"folder through a linked folder",
       [](SimPlatform& sim) { return sim.files.CreateDirectories("C:\\Linked\\Sub"); }, false,
       "root/C/Linked"},
      {"folder through it in another case",
       [](SimPlatform& sim) { return sim.files.CreateDirectories("c:\\LINKED\\Sub\\Two"); }, false,
       "root/C/Linked"},
      {"file in a linked folder",
       [](SimPlatform& sim) {
         return sim.files.CreateFileExclusive("C:\\Linked\\f.txt") != nullptr;
       },
       false, "root/C/Linked"},
      {"file over a linked file",
       [](SimPlatform& sim) {
         return sim.files.CreateFileExclusive("C:\\Apps\\Data\\linked.TXT") != nullptr;
       },
       false, "root/C/Apps/Data/Linked.txt"},
      {"read of a linked file",
       [](SimPlatform& sim) {
         return sim.files.ReadFileBytes("C:\\Apps\\Data\\Linked.txt").has_value();
       },
       false, "root/C/Apps/Data/Linked.txt"},
      {"read in a linked folder",
       [](SimPlatform& sim) { return sim.files.ReadFileBytes("C:\\Linked\\secret").has_value(); },
       false, "root/C/Linked"},
      {"file test in a linked folder",
       [](SimPlatform& sim) { return sim.files.FileExists("C:\\Linked\\secret"); }, false,
       "root/C/Linked"},
      {"folder test of a linked folder",
       [](SimPlatform& sim) { return sim.files.DirectoryExists("C:\\Linked"); }, false,
       "root/C/Linked"},
      {"removal in a linked folder",
       [](SimPlatform& sim) { return sim.files.RemoveFile("C:\\Linked\\secret"); }, false,
       "root/C/Linked"},
      // A link that is itself the entry goes as the link it is, as Windows removes a junction.
      {"removal of a linked file",
       [](SimPlatform& sim) { return sim.files.RemoveFile("C:\\Apps\\Data\\Linked.txt"); }, true,
       "root/C/Apps/Data/Linked.txt"},
      {"removal of a linked folder",
       [](SimPlatform& sim) { return sim.files.RemoveEmptyFolder("C:\\Linked\\"); }, true,
       "root/C/Linked"},
      {"folder removal in a linked folder",
       [](SimPlatform& sim) { return sim.files.RemoveEmptyFolder("C:\\Linked\\empty"); }, false,
       "root/C/Linked"},
      {"shortcut in a linked folder",
       [](SimPlatform& sim) { return sim.shell.SaveShortcut("C:\\Linked\\a.lnk", "p", "", ""); },
       false, "root/C/Linked"},
      {"file in a mapped drive's linked folder",
       [](SimPlatform& sim) { return sim.files.CreateFileExclusive("D:\\Out\\f.txt") != nullptr; },
       false, "drive-d/Out"},
      {"folder in a mapped drive's linked folder",
       [](SimPlatform& sim) { return sim.files.CreateDirectories("D:\\out\\x"); }, false,
       "drive-d/Out"},
      {"a plain file beside the links is written",
       [](SimPlatform& sim) { return sim.files.CreateFileExclusive("C:\\Apps\\f.txt") != nullptr; },
       true, nullptr},
      {"and a plain folder made",
       [](SimPlatform& sim) { return sim.files.CreateDirectories("C:\\Apps\\Data\\New\\Sub"); },
       true, nullptr},
  };
  for (const bool openat2 : {true, false}) {
    UseOpenat2(openat2);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (openat2 ? " (openat2)" : " (by names)"));
      // The links an earlier row removed, back for this one.
      if (!fs::is_symlink(root / "C/Linked"))
        fs::create_directory_symlink(outside, root / "C/Linked");
      if (!fs::is_symlink(root / "C/Apps/Data/Linked.txt"))
        fs::create_symlink(outside / "secret", root / "C/Apps/Data/Linked.txt");
      SimPlatform sim(root);
      sim.drives.MapDrive('D', drive);
      std::set<fs::path> links;  // a link may be met by the test and again by the operation
      sim.drives.onLink = [&](const fs::path& link) { links.insert(link); };
      EXPECT_EQ(c.act(sim), c.succeeds);
      const std::set<fs::path> named =
          c.link ? std::set<fs::path>{root_ / c.link} : std::set<fs::path>{};
      EXPECT_EQ(links, named);
    }
  }
  UseOpenat2(true);
  std::vector<fs::path> entries;
  for (const auto& entry : fs::recursive_directory_iterator(outside)) entries.push_back(entry);
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<fs::path>{outside / "empty", outside / "secret"}));
  EXPECT_EQ(Contents(outside / "secret"), "mode 600");
  EXPECT_TRUE(fs::is_symlink(root / "C/Apps/Data/Linked.txt"));
}

// The root's folder is opened once: replaced during the run by a link to another place, what the
// run makes still lands in the folder it started in, never where the link leads. Made again
// under its name, it is the new folder that the run goes on in.
TEST_F(SimHostPath, KeepsToTheRootItStartedIn) {
  const fs::path root = root_ / "root", moved = root_ / "moved", outside = root_ / "outside";
  fs::create_directories(root / "C/Apps");
  fs::create_directories(outside / "C/Apps");
  SimPlatform sim(root);
  ASSERT_TRUE(sim.files.CreateFileExclusive("C:\\Apps\\a.txt"));
  fs::rename(root, moved);
  fs::create_directory_symlink(outside, root);
  EXPECT_TRUE(sim.files.CreateFileExclusive("C:\\Apps\\b.txt"));
  EXPECT_TRUE(fs::exists(moved / "C/Apps/b.txt"));
  EXPECT_TRUE(fs::is_empty(outside / "C/Apps"));
  fs::remove(root);
  fs::remove_all(moved);
  fs::create_directories(root / "C/Apps");
  EXPECT_TRUE(sim.files.CreateFileExclusive("C:\\Apps\\c.txt"));
  EXPECT_TRUE(fs::exists(root / "C/Apps/c.txt"));
}

}  // namespace
}  // namespace setup
