// UnInstall.EXE: started without arguments from the uninstall registration, it undoes the
// installation recorded in the UnInstall.LOG beside it.
#include <windows.h>

#include <cstring>
#include <string>

#include "SelfRemoval.h"
#include "Uninstaller.h"
#include "platform/win32/ProcessGuard.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"

namespace {

class MessageBoxUi : public setup::UserInterface {
 public:
  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override {
    int answer = MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags | MB_SETFOREGROUND);
    return answer == IDOK || answer == IDYES;
  }
  void Repaint(const setup::ControlPaint&) override {}
};

std::string ModulePath() {
  char buffer[MAX_PATH * 2];
  DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  setup::GuardProcess();
  if (argc >= 2 && std::strcmp(argv[1], "/cleanup") == 0) return setup::RunCleanup(argc, argv);
  setup::Win32FileSystem files;
  setup::Win32Registry registry;
  MessageBoxUi ui;
  setup::UninstallerServices services{files, registry, ui, setup::StartSelfRemoval};
  setup::UninstallOutcome outcome = setup::RunUninstaller(services, ModulePath());
  return outcome == setup::UninstallOutcome::LogRejected ? 1 : 0;
}
