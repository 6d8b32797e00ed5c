#pragma once
// The uninstaller's run: read the log next to the program, ask, remove, tell.
#include <functional>
#include <string>

#include "RemovalPlan.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/UserInterface.h"

namespace setup {

enum class UninstallOutcome { LogRejected, Declined, Removed };

// Message-box flags of the uninstaller's questions and messages.
constexpr unsigned kYesNoQuestion = 36;  // MB_YESNO | MB_ICONQUESTION
constexpr unsigned kWarning = 48;        // MB_OK | MB_ICONEXCLAMATION
constexpr unsigned kInformation = 64;    // MB_OK | MB_ICONINFORMATION

// Starts the copy that deletes the uninstaller's file and folders once this program has
// ended; false when it could not be started.
using SelfRemovalStarter = std::function<bool(const RemovalPlan&)>;

struct UninstallerServices {
  FileSystem& files;
  Registry& registry;
  UserInterface& ui;
  SelfRemovalStarter startSelfRemoval;
};

// uninstallerPath is the running program's full path; UnInstall.LOG is read from its folder.
UninstallOutcome RunUninstaller(UninstallerServices& services, const std::string& uninstallerPath);

}  // namespace setup
