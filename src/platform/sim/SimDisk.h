#pragma once
// The drives of the simulated machine: the one-letter folders under the root.
#include <map>

#include "platform/Disk.h"
#include "platform/sim/SimDrives.h"

namespace setup {

class SimDisk : public Disk {
 public:
  explicit SimDisk(const SimDrives& drives) : drives_(drives) {}
  // The space set for the drive, else the host file system's figures under the root.
  bool GetDiskSpace(const std::string& root, DiskSpace& space) override;
  std::vector<std::string> ListDrives() override;
  std::vector<std::string> ListSubFolders(const std::string& folder) override;

  void SetDiskSpace(char letter, DiskSpace space);

 private:
  const SimDrives& drives_;
  std::map<char, DiskSpace> space_;
};

}  // namespace setup
