#include "platform/win32/Win32Session.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win32/Win32Owned.h"

namespace setup {
namespace {

struct SidFreer {
  void operator()(PSID sid) const { FreeSid(sid); }
};

win32::Handle OpenQueryToken() {
  win32::Handle token;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Put())) return token;
  if (GetLastError() != ERROR_NO_TOKEN) return {};
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) return token;
  return {};
}

// The group list in a buffer of the size the system asks for: a fixed buffer fails for users
// in many groups, and that failure would read as "not an administrator".
std::vector<std::uint8_t> ReadTokenGroups(HANDLE token) {
  DWORD needed = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &needed);
  if (needed == 0) return {};
  std::vector<std::uint8_t> buffer(needed);
  if (!GetTokenInformation(token, TokenGroups, buffer.data(), needed, &needed)) return {};
  return buffer;
}

using FolderQuery = UINT(WINAPI*)(LPSTR, UINT);

std::string Folder(FolderQuery query) {
  char folder[MAX_PATH + 1];
  const UINT length = query(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return {};
  std::string text(folder, length);
  if (text.back() != '\\') text += '\\';
  return text;
}

}  // namespace

std::string Win32Session::WindowsFolder() {
  std::string folder = Folder(GetWindowsDirectoryA);
  return folder.empty() ? SystemFolder() : folder;
}

std::string Win32Session::SystemFolder() {
  return Folder(GetSystemDirectoryA);
}

std::string Win32Session::LoginName() {
  char name[257];
  DWORD size = sizeof name;
  if (!GetUserNameA(name, &size)) return {};
  return name;
}

bool Win32Session::IsUserAdmin() {
  // The high bit of GetVersion marks the Windows 9x family, which has no accounts to check.
  if (GetVersion() & 0x80000000u) return true;
  const win32::Handle token = OpenQueryToken();
  if (!token) return false;
  std::vector<std::uint8_t> buffer = ReadTokenGroups(token.Get());
  if (buffer.empty()) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID raw = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, &raw)) {
    return false;
  }
  std::unique_ptr<void, SidFreer> admins(raw);
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    const SID_AND_ATTRIBUTES& group = groups->Groups[i];
    if (!EqualSid(group.Sid, admins.get())) continue;
    // Under UAC a non-elevated administrator holds the group only for deny checks: such a user
    // cannot write where an all-users installation must write.
    return (group.Attributes & SE_GROUP_ENABLED) &&
           !(group.Attributes & SE_GROUP_USE_FOR_DENY_ONLY);
  }
  return false;
}

std::string Win32Session::DecimalSeparator() {
  char text[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) <= 1) return ".";
  return text;
}

}  // namespace setup
