#include "WindowFind.h"

#include <cstring>
#include <vector>

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
  char text[256] = {};
  if (search->className) {
    GetClassNameA(window, text, sizeof text);
    if (std::strcmp(text, search->className) != 0) return TRUE;
  }
  if (search->titleStart) {
    GetWindowTextA(window, text, sizeof text);
    if (std::strncmp(text, search->titleStart, std::strlen(search->titleStart)) != 0) return TRUE;
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
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                           &length)) {
    return {};
  }
  std::vector<char> text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied)) {
    return {};
  }
  return std::string(text.data(), copied);
}

std::string HeldText(HWND window) {
  wchar_t wide[1024] = {};
  const int length = InternalGetWindowText(window, wide, 1024);
  if (length <= 0) return {};
  char text[2048] = {};
  const int size =
      WideCharToMultiByte(CP_ACP, 0, wide, length, text, sizeof text, nullptr, nullptr);
  return std::string(text, size > 0 ? size : 0);
}

bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) !=
         0;
}

int CheckState(HWND button) {
  DWORD_PTR state = 0;
  if (!SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &state)) {
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
  char caption[1024] = {};
  GetWindowTextA(box, caption, sizeof caption);
  info.caption = caption;
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
  PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  for (int waited = 0; waited < 10000; waited += 20) {
    if (!IsWindow(box.window) || !IsWindowVisible(box.window)) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace e2e
