#include "platform/win32/Win32Shell.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Owned.h"
#include "platform/win32/Win32Trace.h"

namespace setup {

bool Win32Shell::SaveShortcut(const std::string& linkPath, const std::string& program,
                              const std::string& workingFolder, const std::string& arguments) {
  win32::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.PutVoid())))
    return false;
  link->SetPath(Utf16FromUtf8(program).c_str());
  link->SetWorkingDirectory(Utf16FromUtf8(workingFolder).c_str());
  link->SetArguments(Utf16FromUtf8(arguments).c_str());
  win32::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;
  const std::wstring wide = Utf16FromUtf8(linkPath);
  if (wide.empty()) return false;
  const HRESULT saved = file->Save(wide.c_str(), TRUE);
  if (FAILED(saved))
    win32::TraceFailedCall("IPersistFile::Save", linkPath, static_cast<DWORD>(saved));
  return SUCCEEDED(saved);
}

// As WinExec starts a program, which has no wide form: the command line searched for its
// program as CreateProcess searches, the window shown as asked, and up to 30 seconds for the
// program to wait for input, so that a window it opens comes up before the setup's next one.
bool Win32Shell::StartProgram(const std::string& commandLine, int showCommand) {
  // CreateProcessW may write into the command line.
  std::wstring command = Utf16FromUtf8(commandLine);
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    win32::TraceFailedCall("CreateProcessW", commandLine);
    return false;
  }
  const win32::Handle thread(process.hThread), started(process.hProcess);
  WaitForInputIdle(started.Get(), 30000);
  return true;
}

}  // namespace setup
