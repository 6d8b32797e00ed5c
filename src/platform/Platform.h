#pragma once
// The seam between the setup's logic and Windows: one object per service.
#include "platform/Disk.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/Session.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace setup {

struct Platform {
  Resources& resources;
  Registry& registry;
  FileSystem& files;
  Shell& shell;
  Disk& disk;
  Session& session;
  UserInterface& ui;
};

}  // namespace setup
