#pragma once
// Free and total space of a drive.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace setup {

struct DiskSpace {
  std::uint64_t freeBytes = 0;
  std::uint64_t totalBytes = 0;
};

// One way of asking Windows for a drive's space: fills space and answers true when it could.
using DiskSpaceQuery = std::function<bool(DiskSpace&)>;

// The extended query where the running Windows has it (null where it does not), and the cluster
// count of the old query where it is missing or its call fails (a drive the extended call
// refuses may still answer the old one).
inline bool AskDiskSpace(const DiskSpaceQuery& extended, const DiskSpaceQuery& clusters,
                         DiskSpace& space) {
  if (extended && extended(space)) return true;
  return clusters(space);
}

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
