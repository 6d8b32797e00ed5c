#pragma once
// A whole simulated Windows rooted at a host folder: every service of the platform seam.
#include <filesystem>
#include <string>

#include "platform/Platform.h"
#include "platform/sim/SimDisk.h"
#include "platform/sim/SimDrives.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimResources.h"
#include "platform/sim/SimSession.h"
#include "platform/sim/SimShell.h"
#include "platform/sim/SimUserInterface.h"

namespace setup {

class SimPlatform {
 public:
  // Creates root/C (drive C: must exist to hold anything).
  explicit SimPlatform(std::filesystem::path root);
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  Platform& platform() { return platform_; }

  // The system folders of a current Windows for the session's login name: the Shell Folders
  // values of the user and of all users and ProgramFilesDir "C:\Program Files", written to the
  // registry, with the folders themselves created.
  void AddDefaultSystemFolders();

  SimDrives drives;
  SimResources resources;
  SimRegistry registry;
  SimFileSystem files{drives};
  SimShell shell{drives};
  SimDisk disk{drives};
  SimSession session;
  SimUserInterface ui;

 private:
  Platform platform_{resources, registry, files, shell, disk, session, ui};
};

}  // namespace setup
