#include "platform/win32/Win32Shell.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "platform/win32/Win32Owned.h"
#include "platform/win32/Win32Trace.h"

namespace setup {
namespace {

// The link path converted with a buffer of the size the conversion asks for, so that a long
// path is never cut; empty on failure.
std::vector<wchar_t> WidePath(const std::string& path) {
  int units = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (units <= 0) return {};
  std::vector<wchar_t> wide(units);
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), units) != units) return {};
  return wide;
}

}  // namespace

bool Win32Shell::SaveShortcut(const std::string& linkPath, const std::string& program,
                              const std::string& workingFolder, const std::string& arguments) {
  win32::ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.PutVoid())))
    return false;
  link->SetPath(program.c_str());
  link->SetWorkingDirectory(workingFolder.c_str());
  link->SetArguments(arguments.c_str());
  win32::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;
  std::vector<wchar_t> wide = WidePath(linkPath);
  if (wide.empty()) return false;
  const HRESULT saved = file->Save(wide.data(), TRUE);
  if (FAILED(saved))
    win32::TraceFailedCall("IPersistFile::Save", linkPath, static_cast<DWORD>(saved));
  return SUCCEEDED(saved);
}

bool Win32Shell::StartProgram(const std::string& commandLine, int showCommand) {
  const UINT started = WinExec(commandLine.c_str(), static_cast<UINT>(showCommand));
  if (started <= 31) win32::TraceFailedCall("WinExec", commandLine, started);
  return started > 31;
}

}  // namespace setup
