#pragma once
// A failing Windows call, written to the debug output (a debugger, DebugView, Wine's +debugstr
// channel) with its error code, for whoever looks into a run that went wrong. It writes no file
// and shows nothing: the user's messages stay exactly as they are, and the thread's last error
// is left as the failing call set it (read it before building a subject that allocates).
#include <windows.h>

#include <string>

#include "platform/win32/WideText.h"

namespace setup::win32 {

inline void TraceFailedCall(const char* call, const std::string& subject,
                            DWORD error = GetLastError()) {
  const std::string line = std::string("setup: ") + call + "(" + subject + ") failed, error " +
                           std::to_string(error) + "\n";
  OutputDebugStringW(Utf16FromUtf8(line).c_str());
  SetLastError(error);
}

}  // namespace setup::win32
