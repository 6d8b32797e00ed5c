#include "platform/win32/Win32UserInterface.h"

#include <windows.h>

namespace setup {

bool Win32UserInterface::AskUser(const std::string& caption, const std::string& text,
                                 unsigned flags) {
  int answer = MessageBoxA(static_cast<HWND>(owner_), text.c_str(), caption.c_str(), flags);
  return answer == IDOK || answer == IDYES;
}

void Win32UserInterface::Repaint(const ControlPaint& control) {
  if (repaint_) repaint_(control);
}

}  // namespace setup
