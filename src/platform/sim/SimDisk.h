#pragma once
// The drives of the simulated machine: the one-letter folders under the root and the drives
// mapped to host folders of their own.

#include "platform/Disk.h"
#include "platform/sim/SimDrives.h"

namespace setup {

class SimDisk : public Disk {
 public:
  explicit SimDisk(const SimDrives& drives) : drives_(drives) {}
  // The host file system's figures under the drive's folder.
  bool GetDiskSpace(const std::string& root, DiskSpace& space) override;
  std::vector<std::string> ListDrives() override;
  std::vector<std::string> ListSubFolders(const std::string& folder) override;

 private:
  const SimDrives& drives_;
};

}  // namespace setup
