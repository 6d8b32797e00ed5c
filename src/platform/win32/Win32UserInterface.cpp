#include "platform/win32/Win32UserInterface.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace setup {

bool Win32UserInterface::AskUser(const std::string& caption, const std::string& text,
                                 unsigned flags) {
  int answer = MessageBoxW(static_cast<HWND>(owner_), Utf16FromUtf8(text).c_str(),
                           Utf16FromUtf8(caption).c_str(), flags);
  return answer == IDOK || answer == IDYES;
}

void Win32UserInterface::Repaint(const ControlPaint& control) {
  if (repaint_) repaint_(control);
}

// Only the input ranges are filtered, so WM_PAINT, timers and posted commands stay queued. The
// non-client range holds the clicks on the frame and caption, which Windows turns into moves,
// closes and system commands.
void Win32UserInterface::DiscardInput() {
  struct Range {
    UINT first, last;
  };
  static constexpr Range kInput[] = {
      {WM_KEYFIRST, WM_KEYLAST},
      {WM_MOUSEFIRST, WM_MOUSELAST},
      {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
  };
  MSG message;
  for (const Range& range : kInput) {
    while (PeekMessageW(&message, nullptr, range.first, range.last, PM_REMOVE)) {
    }
  }
}

}  // namespace setup
