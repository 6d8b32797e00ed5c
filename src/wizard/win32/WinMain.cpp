// The program entry of setup.exe: the framework, the dialog as the one main window, and the
// message loop until the dialog closes.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "platform/win32/ProcessGuard.h"
#include "platform/win32/Win32Owned.h"
#include "platform/win32/Win32Platform.h"
#include "wizard/InstallationStep.h"
#include "wizard/SetupDlg.h"
#include "wizard/win32/MainWindow.h"
#include "wizard/win32/ShownUserInterface.h"
#include "wizard/win32/StartTiming.h"

namespace {

void InitCommonControls6() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void RunMessageLoop(setup::view::MainWindow& window) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.TranslateKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  setup::GuardProcess();
  setup::view::StartTiming timing;
  // Shell links are COM objects of the apartment model: the one GUI thread is their apartment.
  setup::win32::ComApartment com;
  InitCommonControls6();
  setup::Win32Platform windows;
  setup::view::ShownUserInterface ui(windows.ui);
  setup::Platform platform{windows.resources,
                           windows.registry,
                           windows.files,
                           windows.shell,
                           windows.disk,
                           windows.session,
                           ui};
  setup::TMorvexDialog dialog(platform, setup::EngineInstallationRun());
  setup::view::MainWindow window(instance, dialog, windows.ui, ui, timing);
  if (window.Create()) {
    window.Show();
    RunMessageLoop(window);
  }
  return 0;
}
