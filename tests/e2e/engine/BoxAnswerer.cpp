#include "BoxAnswerer.h"

#include <cwchar>
#include <utility>

#include "platform/win32/WideText.h"

namespace engine_e2e {
namespace {

constexpr DWORD kPollMs = 50;
// The static control that holds a message box's text.
constexpr int kBoxTextId = 0xFFFF;

struct ButtonName {
  const char* name;
  int id;
};
constexpr ButtonName kButtons[] = {
    {"ok", IDOK}, {"cancel", IDCANCEL}, {"yes", IDYES}, {"no", IDNO}};
// The refusal, in this order of preference, for a box nobody expected.
constexpr const char* kRefusals[] = {"cancel", "no", "ok"};

int ButtonId(const std::string& name) {
  for (const ButtonName& button : kButtons) {
    if (name == button.name) return button.id;
  }
  return 0;
}

BOOL CALLBACK FindOwnBox(HWND window, LPARAM param) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (owner != GetCurrentProcessId() || std::wcscmp(className, L"#32770") != 0 ||
      !IsWindowVisible(window)) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

// In UTF-8, as the report holds every text.
std::string WindowText(HWND window) {
  if (!window) return {};
  wchar_t text[4096] = {};
  GetWindowTextW(window, text, 4096);
  return setup::Utf8FromUtf16(text);
}

}  // namespace

BoxAnswerer::BoxAnswerer(std::vector<std::string> answers)
    : answers_(std::move(answers)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this] { Watch(); });
}

BoxAnswerer::~BoxAnswerer() {
  SetEvent(stop_.Get());
  thread_.join();
}

std::vector<AnsweredBox> BoxAnswerer::Boxes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

void BoxAnswerer::Watch() {
  while (WaitForSingleObject(stop_.Get(), kPollMs) == WAIT_TIMEOUT) {
    HWND box = nullptr;
    EnumWindows(FindOwnBox, reinterpret_cast<LPARAM>(&box));
    if (box) Answer(box);
  }
}

void BoxAnswerer::Answer(HWND box) {
  AnsweredBox answered{WindowText(box), WindowText(GetDlgItem(box, kBoxTextId)), ""};
  if (next_ < answers_.size() && GetDlgItem(box, ButtonId(answers_[next_]))) {
    answered.answer = answers_[next_++];
  } else {
    for (const char* refusal : kRefusals) {
      if (!GetDlgItem(box, ButtonId(refusal))) continue;
      answered.answer = refusal;
      break;
    }
  }
  const int id = ButtonId(answered.answer);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(std::move(answered));
  }
  // The same box must not be answered twice while it closes.
  for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(kPollMs);
}

}  // namespace engine_e2e
