#include "platform/win32/Win32Session.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win32/WideText.h"
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

using FolderQuery = UINT(WINAPI*)(LPWSTR, UINT);

// The size a query asks for counts UTF-16 units with the NUL; the folder may have grown longer
// than MAX_PATH since Windows 10 lifted the limit.
std::string Folder(FolderQuery query) {
  std::wstring folder(MAX_PATH + 1, L'\0');
  UINT length = query(folder.data(), static_cast<UINT>(folder.size()));
  if (length >= folder.size()) {
    folder.assign(length, L'\0');
    length = query(folder.data(), static_cast<UINT>(folder.size()));
  }
  if (length == 0 || length >= folder.size()) return {};
  folder.resize(length);
  if (folder.back() != L'\\') folder += L'\\';
  return Utf8FromUtf16(folder);
}

}  // namespace

std::string Win32Session::WindowsFolder() {
  std::string folder = Folder(GetWindowsDirectoryW);
  return folder.empty() ? SystemFolder() : folder;
}

std::string Win32Session::SystemFolder() {
  return Folder(GetSystemDirectoryW);
}

std::string Win32Session::LoginName() {
  // UNLEN (256) UTF-16 units and the NUL.
  wchar_t name[257];
  DWORD size = 257;
  if (!GetUserNameW(name, &size)) return {};
  return Utf8FromUtf16(name);
}

bool Win32Session::IsUserAdmin() {
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
  // At most three characters and the NUL, as Windows allows the separator.
  wchar_t text[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, 8) <= 1) return ".";
  return Utf8FromUtf16(text);
}

}  // namespace setup
