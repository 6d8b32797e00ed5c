#pragma once
#include "platform/Disk.h"

namespace setup {

class Win32Disk : public Disk {
 public:
  bool GetDiskSpace(const std::string& root, DiskSpace& space) override;
  std::vector<std::string> ListDrives() override;
  std::vector<std::string> ListSubFolders(const std::string& folder) override;
};

}  // namespace setup
