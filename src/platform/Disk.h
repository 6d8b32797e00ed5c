#pragma once
// Free and total space of a drive.
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

struct DiskSpace {
  std::uint64_t freeBytes = 0;
  std::uint64_t totalBytes = 0;
};

class Disk {
 public:
  virtual ~Disk() = default;
  // root is a drive root such as "C:\"; false when the drive cannot be asked.
  virtual bool GetDiskSpace(const std::string& root, DiskSpace& space) = 0;
  // The drive roots present ("A:\", "C:\", ...), in letter order.
  virtual std::vector<std::string> ListDrives() = 0;
  // The sub-folders of a folder, sorted without regard to case.
  virtual std::vector<std::string> ListSubFolders(const std::string& folder) = 0;
};

}  // namespace setup
