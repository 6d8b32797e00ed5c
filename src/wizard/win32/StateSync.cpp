#include "wizard/win32/StateSync.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/WideText.h"

#include "wizard/win32/ControlWindows.h"
#include "wizard/win32/DirectoryListView.h"

namespace setup::view {
namespace {

bool HasText(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
    case ControlKind::Radio:
    case ControlKind::CheckBox:
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::Memo:
    case ControlKind::ReadOnlyMemo:
    case ControlKind::PlainMemo:
      return true;
    default:
      return false;
  }
}

bool IsCheckable(ControlKind kind) {
  return kind == ControlKind::Radio || kind == ControlKind::CheckBox;
}

void PushText(HWND window, const LayoutEntry& entry, const Control& control) {
  if (!HasText(entry.kind)) return;
  SetWindowTextW(window, Utf16FromUtf8(control.Text).c_str());
  FitLabelToText(window, entry, control.Text);
}

void PushEnabled(HWND window, const LayoutEntry&, const Control& control) {
  EnableWindow(window, control.Enabled);
}

void PushChecked(HWND window, const LayoutEntry& entry, const Control& control) {
  if (IsCheckable(entry.kind)) {
    SendMessageW(window, BM_SETCHECK, control.Checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void PushPosition(HWND window, const LayoutEntry& entry, const Control& control) {
  if (entry.kind == ControlKind::ProgressBar) SendMessageW(window, PBM_SETPOS, control.Position, 0);
}

void PushItems(HWND window, const LayoutEntry& entry, const Control& control) {
  if (entry.kind == ControlKind::DirectoryList) {
    SetDirectoryItems(window, control.Items, control.ItemIndex);
  } else if (entry.kind == ControlKind::DriveList) {
    SendMessageW(window, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : control.Items) {
      const std::wstring wide = Utf16FromUtf8(item);
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    SendMessageW(window, CB_SETCURSEL, control.ItemIndex, 0);
  }
}

void PushDefault(HWND window, const LayoutEntry& entry, const Control& control) {
  if (entry.kind == ControlKind::Button) {
    SendMessageW(window, BM_SETSTYLE, control.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

struct PropertyPush {
  bool (*differs)(const Control& now, const Control& shown);
  void (*push)(HWND window, const LayoutEntry& entry, const Control& control);
};

constexpr PropertyPush kPropertyPushes[] = {
    {[](const Control& a, const Control& b) { return a.Text != b.Text; }, PushText},
    {[](const Control& a, const Control& b) { return a.Enabled != b.Enabled; }, PushEnabled},
    {[](const Control& a, const Control& b) { return a.Checked != b.Checked; }, PushChecked},
    {[](const Control& a, const Control& b) { return a.Position != b.Position; }, PushPosition},
    {[](const Control& a, const Control& b) {
       return a.Items != b.Items || a.ItemIndex != b.ItemIndex;
     },
     PushItems},
    {[](const Control& a, const Control& b) { return a.Default != b.Default; }, PushDefault},
};

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);  // UTF-16 units
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Utf8FromUtf16(text);
}

}  // namespace

void StateSync::Add(const LayoutEntry& entry, HWND window) {
  shown_.push_back({&entry, window, Control{}, false, false});
}

HWND StateSync::WindowOf(int id) const {
  for (const Shown& shown : shown_) {
    if (shown.entry->id == id) return shown.window;
  }
  return nullptr;
}

void StateSync::CopyInput(DialogControls& controls) {
  for (Shown& shown : shown_) {
    if (!shown.entry->control) continue;
    Control& control = controls.*shown.entry->control;
    if (IsCheckable(shown.entry->kind)) {
      control.Checked = SendMessageW(shown.window, BM_GETCHECK, 0, 0) == BST_CHECKED;
      shown.control.Checked = control.Checked;
    } else if (shown.entry->kind == ControlKind::Edit) {
      control.Text = WindowText(shown.window);
      shown.control.Text = control.Text;
    }
  }
}

void StateSync::Push(const DialogControls& controls) {
  for (Shown& shown : shown_) PushOne(shown, controls);
}

void StateSync::PushOne(Shown& shown, const DialogControls& controls) {
  const LayoutEntry& entry = *shown.entry;
  if (entry.control) {
    const Control& now = controls.*entry.control;
    for (const PropertyPush& property : kPropertyPushes) {
      if (!shown.pushed || property.differs(now, shown.control)) {
        property.push(shown.window, entry, now);
      }
    }
    shown.control = now;
  }
  const bool visible = ShownNow(entry, controls);
  if (!shown.pushed || visible != shown.visible) {
    ShowWindow(shown.window, visible ? SW_SHOWNA : SW_HIDE);
  }
  shown.visible = visible;
  shown.pushed = true;
}

}  // namespace setup::view
