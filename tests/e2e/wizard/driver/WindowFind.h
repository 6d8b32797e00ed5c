#pragma once
// Finding another process's windows and reading them: top-level windows by class and process,
// controls by id anywhere below a window, texts through WM_GETTEXT (GetWindowText does not
// read another process's controls), and message boxes (#32770) with their text and buttons.
// Texts are read in UTF-16 and given in UTF-8.
#include <windows.h>

#include <string>

namespace e2e {

HWND FindTopLevel(DWORD processId, const char* className);
// Any process's top-level window of the class; its process id goes to processId.
HWND FindAnyTopLevel(const char* className, DWORD* processId);
// A top-level window of any process whose title starts with the given text.
HWND FindTitled(const char* titleStart);
HWND FindControl(HWND root, int id);

// The window's class name, in UTF-8 as every text the driver reports.
std::string ClassNameOf(HWND window);
// Empty when the window's thread does not answer within the timeout (it is busy).
std::string WindowText(HWND window);
// The text the window manager holds for the window (a label's text as last set), read without
// a message to its thread, so also while that thread is busy and pumps none.
std::string HeldText(HWND window);
bool Answers(HWND window);    // the window's thread takes a sent message within the timeout
int CheckState(HWND button);  // BM_GETCHECK; -1 when it does not answer

struct MessageBoxInfo {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  std::string buttons;  // "OK", "OK,Cancel", "Yes,No", ...
};

HWND FindMessageBox(DWORD processId);
MessageBoxInfo ReadMessageBox(HWND box);
// Presses the box's button (IDOK, IDYES, IDNO, IDCANCEL) and waits until the box is gone.
bool PressBoxButton(const MessageBoxInfo& box, int buttonId);

}  // namespace e2e
