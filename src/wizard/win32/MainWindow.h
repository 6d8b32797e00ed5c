#pragma once
// The dialog's main window: the borderless frame with its two bevelled panels, the windows of
// every control, and the way from a user's click to a handler and back to the screen.
#include <windows.h>

#include <functional>

#include "platform/win32/Win32UserInterface.h"
#include "wizard/RepaintPacing.h"
#include "wizard/SetupDlg.h"
#include "wizard/win32/Pictures.h"
#include "wizard/win32/ShownUserInterface.h"
#include "wizard/win32/StartTiming.h"
#include "wizard/win32/StateSync.h"
#include "wizard/win32/ViewFonts.h"

namespace setup::view {

class MainWindow {
 public:
  MainWindow(HINSTANCE module, TMorvexDialog& dialog, Win32UserInterface& ui,
             ShownUserInterface& shownUi, StartTiming& timing);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the hidden window with all its controls; false when Windows refuses.
  bool Create();
  // Runs the dialog's start-up, then shows its first page; the window is destroyed when the
  // start-up closed the dialog.
  void Show();
  // The keyboard: Tab, Enter, Esc and the arrow keys as in a dialog. True when handled.
  bool TranslateKeys(MSG& message);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateControls();
  void Paint();
  void OnCommand(int id, WORD notification, HWND control);
  void UserEvent(const std::function<void()>& call);
  void RepaintNow();
  void PacedRepaint();
  void KeepFocus();
  LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
  LRESULT OnControlColour(HDC dc, HWND control, LRESULT fallback);
  void OnActivate(bool active);
  void MoveFocus(WPARAM target, bool isWindow);

  HINSTANCE module_;
  TMorvexDialog& dialog_;
  Win32UserInterface& ui_;
  ShownUserInterface& shownUi_;
  StartTiming& timing_;
  ViewFonts fonts_;
  Pictures pictures_;
  StateSync sync_;
  RepaintPacing pacing_;  // the run's progress drawn at every new percentage, else paced
  HWND window_ = nullptr;
  HWND savedFocus_ = nullptr;
  bool busy_ = false;  // a handler runs: its message boxes must not start another one
};

}  // namespace setup::view
