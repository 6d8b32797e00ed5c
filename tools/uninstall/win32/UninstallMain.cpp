// UnInstall.EXE: started without arguments from the uninstall registration, it undoes the
// installation recorded in the UnInstall.LOG beside it.
#include <windows.h>

#include <string>
#include <vector>

#include "SelfRemoval.h"
#include "Uninstaller.h"
#include "platform/win32/ProcessGuard.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"

namespace {

class MessageBoxUi : public setup::UserInterface {
 public:
  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override {
    int answer = MessageBoxW(nullptr, setup::Utf16FromUtf8(text).c_str(),
                             setup::Utf16FromUtf8(caption).c_str(), flags | MB_SETFOREGROUND);
    return answer == IDOK || answer == IDYES;
  }
  void Repaint(const setup::ControlPaint&) override {}
};

}  // namespace

int main() {
  setup::GuardProcess();
  // The arguments of the copy name folders of the user's script: read as UTF-16, not through
  // the C runtime's argv in the code page.
  const std::vector<std::string> arguments = setup::ProgramArguments();
  if (arguments.size() >= 2 && arguments[1] == "/cleanup") return setup::RunCleanup(arguments);
  setup::Win32FileSystem files;
  setup::Win32Registry registry;
  MessageBoxUi ui;
  setup::UninstallerServices services{files, registry, ui, setup::StartSelfRemoval};
  setup::UninstallOutcome outcome = setup::RunUninstaller(services, setup::ProgramPath());
  return outcome == setup::UninstallOutcome::LogRejected ? 1 : 0;
}
