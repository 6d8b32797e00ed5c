#include "Wizard.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "Ids.h"
#include "Screenshot.h"
#include "platform/win32/WideText.h"

namespace e2e {
namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kPageTimeoutMs = 15000;

std::string Number(unsigned long value) {
  return std::to_string(value);
}

// "chk=" for check boxes and radio buttons, "pos=" for the progress bar.
std::string StateOf(HWND window) {
  const std::string kind = ClassNameOf(window);
  if (_stricmp(kind.c_str(), "Button") == 0) {
    const LONG style = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
    if (style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON) {
      return style == BS_DEFPUSHBUTTON ? " default=1" : " default=0";
    }
    return " chk=" + std::to_string(CheckState(window));
  }
  if (_stricmp(kind.c_str(), PROGRESS_CLASSA) == 0) {
    DWORD_PTR position = 0;
    SendMessageTimeoutW(window, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 3000, &position);
    return " pos=" + std::to_string(position);
  }
  return {};
}

}  // namespace

Wizard::Wizard(Report& report, const Options& options) : report_(report), options_(options) {}

Wizard::~Wizard() {
  if (process_) CloseHandle(process_);
}

void Wizard::Start() {
  if (options_.exe.empty()) {
    Attach();
  } else {
    StartProcess();
  }
  WaitUntil(
      [this] {
        if (!dialog_) dialog_ = FindTopLevel(processId_, kDialogClass);
        return dialog_ && !CurrentPage().empty() && Answers(dialog_);
      },
      kStartTimeoutMs, "the dialog's first page");
  report_.Line("TIME first-page " + Number(report_.Elapsed()) + " ms");
}

void Wizard::StartProcess() {
  std::string folder = options_.exe;
  const std::size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
  const std::wstring commandLine = setup::Utf16FromUtf8("\"" + options_.exe + "\"");
  std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
  command.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(setup::Utf16FromUtf8(options_.exe).c_str(), command.data(), nullptr, nullptr,
                      FALSE, 0, nullptr, setup::Utf16FromUtf8(folder).c_str(), &startup,
                      &created)) {
    Fail("cannot start " + options_.exe + ": error " + Number(GetLastError()));
  }
  CloseHandle(created.hThread);
  process_ = created.hProcess;
  processId_ = created.dwProcessId;
  report_.Line("START " + options_.exe);
}

void Wizard::Attach() {
  DWORD id = 0;
  WaitUntil([&] { return (dialog_ = FindAnyTopLevel(kDialogClass, &id)) != nullptr; },
            kStartTimeoutMs, "an open setup dialog");
  processId_ = id;
  process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, id);
  if (!process_) Fail("cannot open the setup's process " + Number(id));
  report_.Line("ATTACH " + Number(id));
}

bool Wizard::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::string Wizard::CurrentPage() const {
  if (!dialog_) return {};
  for (const Page& page : kPages) {
    HWND marker = FindControl(dialog_, page.marker);
    if (marker && IsWindowVisible(marker)) return page.name;
  }
  return {};
}

void Wizard::WaitUntil(const std::function<bool()>& done, DWORD timeoutMs,
                       const std::string& what) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (process_ && !Running()) Fail("the setup ended while waiting for " + what);
    MessageBoxInfo box = PeekBox();
    if (box.window) {
      report_.Line("BOX [" + box.buttons + "] [" + box.caption + "] " + OneLine(box.text));
      Fail("a message box came while waiting for " + what);
    }
    if (GetTickCount() - start > timeoutMs) {
      Fail("timed out waiting for " + what + " (page " + CurrentPage() + ")");
    }
    Sleep(kPollMs);
  }
}

void Wizard::Arrive(const std::string& page, const std::string& shotSuffix) {
  WaitUntil([&] { return CurrentPage() == page && Answers(dialog_); }, kPageTimeoutMs,
            "page " + page);
  report_.Line("PAGE " + page + shotSuffix + " " + Number(report_.Elapsed()) + " ms");
  LogControls(page, page + shotSuffix);
  Shot(page + shotSuffix);
}

void Wizard::LogControls(const std::string& page, const std::string& label) {
  for (const NamedControl& named : kControls) {
    if (*named.page && page != named.page) continue;
    HWND window = FindControl(dialog_, named.id);
    if (!window) {
      report_.Line("CTRL " + label + " " + named.name + " missing");
      continue;
    }
    report_.Line("CTRL " + label + " " + named.name +
                 " vis=" + (IsWindowVisible(window) ? "1" : "0") +
                 " en=" + (IsWindowEnabled(window) ? "1" : "0") + StateOf(window) + " " +
                 OneLine(WindowText(window)));
  }
}

void Wizard::Shot(const std::string& name, HWND window) {
  if (!window) window = dialog_;
  if (options_.shots.empty() || !window) return;
  char number[16];
  std::snprintf(number, sizeof number, "%02d", ++shots_);
  const std::string file = options_.shots + "\\" + number + "-" + name + ".bmp";
  Answers(dialog_);  // the page's paint messages come before the driver's own
  Sleep(50);
  const std::string method = SaveScreenshot(window, file);
  report_.Line("SHOT " + name + " " + (method.empty() ? "failed" : method) + " " + file);
}

HWND Wizard::Control(int id) const {
  HWND window = dialog_ ? FindControl(dialog_, id) : nullptr;
  if (!window) Fail(std::string("the dialog has no control ") + ControlName(id));
  return window;
}

bool Wizard::Enabled(int id) const {
  return IsWindowEnabled(Control(id)) != 0;
}

int Wizard::FocusedId() const {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!dialog_ || !GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &thread)) return 0;
  return thread.hwndFocus && IsChild(dialog_, thread.hwndFocus) ? GetDlgCtrlID(thread.hwndFocus)
                                                                : 0;
}

void Wizard::Click(int id) {
  HWND window = Control(id);
  if (!IsWindowVisible(window)) Fail(std::string(ControlName(id)) + " is hidden");
  if (!IsWindowEnabled(window)) Fail(std::string(ControlName(id)) + " is disabled");
  report_.Line(std::string("CLICK ") + ControlName(id) + " " + Number(report_.Elapsed()) + " ms");
  // Posted, not sent: a click may open a modal message box, which would hold a sent message.
  PostMessageW(window, BM_CLICK, 0, 0);
}

void Wizard::SetTicked(int id, bool ticked) {
  HWND window = Control(id);
  const int wanted = ticked ? BST_CHECKED : BST_UNCHECKED;
  if (CheckState(window) == wanted) return;
  Click(id);
  WaitUntil([&] { return CheckState(window) == wanted; }, kPageTimeoutMs,
            std::string(ControlName(id)) + (ticked ? " ticked" : " unticked"));
}

void Wizard::TypeInto(int id, const std::string& text) {
  HWND window = Control(id);
  report_.Line(std::string("TYPE ") + ControlName(id) + " " + text);
  DWORD_PTR result = 0;
  // A single-line edit box tells its parent EN_CHANGE after WM_SETTEXT, as after typing.
  const std::wstring wide = setup::Utf16FromUtf8(text);
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                      SMTO_ABORTIFHUNG, 5000, &result);
  WaitUntil([&] { return WindowText(window) == text; }, kPageTimeoutMs,
            std::string(ControlName(id)) + " to hold the typed text");
}

void Wizard::PressKey(WORD key) {
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  if (SendInput(2, inputs, sizeof(INPUT)) != 2) Fail("cannot press key " + Number(key));
  report_.Line("KEY " + Number(key) + " " + Number(report_.Elapsed()) + " ms");
}

void Wizard::MouseClick(int id) {
  RECT rect;
  GetWindowRect(Control(id), &rect);
  // Absolute mouse positions run from 0 to 65535 across the primary screen.
  const long width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const long x = (rect.left + rect.right) / 2, y = (rect.top + rect.bottom) / 2;
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (width - 1);
    input.mi.dy = y * 65535 / (height - 1);
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  if (SendInput(3, inputs, sizeof(INPUT)) != 3)
    Fail(std::string("cannot click ") + ControlName(id));
  report_.Line(std::string("MOUSE ") + ControlName(id) + " " + Number(report_.Elapsed()) + " ms");
}

MessageBoxInfo Wizard::PeekBox() const {
  HWND box = FindMessageBox(processId_);
  return box ? ReadMessageBox(box) : MessageBoxInfo{};
}

MessageBoxInfo Wizard::WaitForBox(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MessageBoxInfo box = PeekBox();
    if (box.window) {
      report_.Line("BOX [" + box.buttons + "] [" + box.caption + "] " + OneLine(box.text));
      Shot("MessageBox", box.window);
      return box;
    }
    if (!Running()) Fail("the setup ended while a message box was expected");
    if (GetTickCount() - start > timeoutMs) {
      Fail("no message box came (page " + CurrentPage() + ")");
    }
    Sleep(kPollMs);
  }
}

void Wizard::Answer(const MessageBoxInfo& box, int buttonId) {
  const char* names[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
  const char* name = buttonId >= 1 && buttonId <= 7 ? names[buttonId] : "?";
  report_.Line(std::string("ANSWER ") + name + " " + Number(report_.Elapsed()) + " ms");
  if (!PressBoxButton(box, buttonId)) {
    Fail(std::string("the message box has no button ") + name + " or did not close");
  }
  report_.Line("CLOSED " + Number(report_.Elapsed()) + " ms");
}

DWORD Wizard::WaitForExit(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (Running()) {
    MessageBoxInfo box = PeekBox();
    if (box.window) {
      report_.Line("BOX [" + box.buttons + "] [" + box.caption + "] " + OneLine(box.text));
      Fail("a message box came while waiting for the setup to end");
    }
    if (GetTickCount() - start > timeoutMs) Fail("the setup did not end");
    Sleep(kPollMs);
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  report_.Line("EXIT " + Number(code));
  return code;
}

void Wizard::Abandon() {
  if (!Running()) return;
  Shot("failure");
  TerminateProcess(process_, 99);
  WaitForSingleObject(process_, 5000);
  report_.Line("TERMINATED");
}

}  // namespace e2e
