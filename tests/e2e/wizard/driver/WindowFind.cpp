#include "WindowFind.h"

#include <cstring>
#include <vector>

#include "platform/win32/WideText.h"

namespace e2e {
namespace {

constexpr UINT kAnswerTimeoutMs = 3000;

struct TopLevelSearch {
  DWORD processId;  // 0: any process
  const char* className;
  const char* titleStart;
  HWND found;
  DWORD foundProcess;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TopLevelSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (search->processId != 0 && owner != search->processId) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  if (search->className && ClassNameOf(window) != search->className) return TRUE;
  if (search->titleStart) {
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    if (setup::Utf8FromUtf16(title).rfind(search->titleStart, 0) != 0) return TRUE;
  }
  search->found = window;
  search->foundProcess = owner;
  return FALSE;
}

HWND Search(TopLevelSearch search, DWORD* processId) {
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  if (processId) *processId = search.foundProcess;
  return search.found;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ControlSearch*>(param);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

struct ButtonName {
  int id;
  const char* name;
};
constexpr ButtonName kBoxButtons[] = {
    {IDOK, "OK"},         {IDCANCEL, "Cancel"}, {IDABORT, "Abort"}, {IDRETRY, "Retry"},
    {IDIGNORE, "Ignore"}, {IDYES, "Yes"},       {IDNO, "No"},
};

}  // namespace

std::string ClassNameOf(HWND window) {
  wchar_t name[256] = {};  // a class name has at most 256 characters
  GetClassNameW(window, name, 256);
  return setup::Utf8FromUtf16(name);
}

HWND FindTopLevel(DWORD processId, const char* className) {
  return Search({processId, className, nullptr, nullptr, 0}, nullptr);
}

HWND FindAnyTopLevel(const char* className, DWORD* processId) {
  return Search({0, className, nullptr, nullptr, 0}, processId);
}

HWND FindTitled(const char* titleStart) {
  return Search({0, nullptr, titleStart, nullptr, 0}, nullptr);
}

HWND FindControl(HWND root, int id) {
  ControlSearch search{id, nullptr};
  EnumChildWindows(root, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;  // UTF-16 units
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                           &length)) {
    return {};
  }
  std::vector<wchar_t> text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied)) {
    return {};
  }
  return setup::Utf8FromUtf16(std::wstring_view(text.data(), copied < text.size() ? copied : 0));
}

std::string HeldText(HWND window) {
  wchar_t wide[1024] = {};
  const int length = InternalGetWindowText(window, wide, 1024);
  if (length <= 0) return {};
  return setup::Utf8FromUtf16(std::wstring_view(wide, length));
}

bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) !=
         0;
}

int CheckState(HWND button) {
  DWORD_PTR state = 0;
  if (!SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &state)) {
    return -1;
  }
  return static_cast<int>(state);
}

HWND FindMessageBox(DWORD processId) {
  return FindTopLevel(processId, "#32770");
}

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info;
  info.window = box;
  wchar_t caption[1024] = {};
  GetWindowTextW(box, caption, 1024);
  info.caption = setup::Utf8FromUtf16(caption);
  // A message box's text is its static control 0xFFFF.
  if (HWND text = GetDlgItem(box, 0xFFFF)) info.text = WindowText(text);
  for (const ButtonName& button : kBoxButtons) {
    HWND control = GetDlgItem(box, button.id);
    if (!control || !IsWindowVisible(control)) continue;
    if (!info.buttons.empty()) info.buttons += ",";
    info.buttons += button.name;
  }
  return info;
}

bool PressBoxButton(const MessageBoxInfo& box, int buttonId) {
  HWND button = GetDlgItem(box.window, buttonId);
  if (!button) return false;
  PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  for (int waited = 0; waited < 10000; waited += 20) {
    if (!IsWindow(box.window) || !IsWindowVisible(box.window)) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace e2e
