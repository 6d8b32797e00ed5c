#pragma once
// The real Windows, one object per service, assembled into the Platform the core takes.
#include "platform/Platform.h"
#include "platform/win32/Win32Disk.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Resources.h"
#include "platform/win32/Win32Session.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32UserInterface.h"

namespace setup {

struct Win32Platform {
  Win32Resources resources;
  Win32Registry registry;
  Win32FileSystem files;
  Win32Shell shell;
  Win32Disk disk;
  Win32Session session;
  Win32UserInterface ui;

  Platform Get() { return Platform{resources, registry, files, shell, disk, session, ui}; }
};

}  // namespace setup
