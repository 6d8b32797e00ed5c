#include "wizard/win32/ControlWindows.h"

#include <commctrl.h>

#include "platform/win32/WideText.h"

#include "wizard/win32/GdiObject.h"

namespace setup::view {
namespace {

struct WindowKind {
  ControlKind kind;
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};

// Labels show '&' as it is; a picture keeps clear of the windows above it (the "V12" labels
// drawn over the banner).
constexpr WindowKind kWindowKinds[] = {
    {ControlKind::Label, L"STATIC", SS_LEFT | SS_NOPREFIX, 0},
    {ControlKind::Picture, L"STATIC", SS_BITMAP | WS_CLIPSIBLINGS, 0},
    {ControlKind::Icon, L"STATIC", SS_ICON | WS_CLIPSIBLINGS, 0},
    {ControlKind::VersionLabel, L"STATIC", SS_OWNERDRAW, 0},
    {ControlKind::Radio, L"BUTTON", BS_AUTORADIOBUTTON, 0},
    {ControlKind::CheckBox, L"BUTTON", BS_AUTOCHECKBOX, 0},
    {ControlKind::Button, L"BUTTON", BS_PUSHBUTTON, 0},
    {ControlKind::Edit, L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {ControlKind::Memo, L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE},
    {ControlKind::ReadOnlyMemo, L"EDIT", ES_MULTILINE | ES_READONLY, WS_EX_CLIENTEDGE},
    {ControlKind::PlainMemo, L"EDIT", ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE},
    {ControlKind::DirectoryList, L"LISTBOX",
     LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
     WS_EX_CLIENTEDGE},
    {ControlKind::DriveList, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0},
    {ControlKind::ProgressBar, PROGRESS_CLASSW, 0, 0},
};

constexpr int kDropDownHeight = 160;

const WindowKind& KindOf(ControlKind kind) {
  for (const WindowKind& entry : kWindowKinds) {
    if (entry.kind == kind) return entry;
  }
  return kWindowKinds[0];
}

DWORD StyleOf(const LayoutEntry& entry) {
  DWORD style = WS_CHILD | KindOf(entry.kind).style;
  if (entry.kind == ControlKind::Label && entry.width == 0) {
    style = (style & ~SS_LEFT) | SS_LEFTNOWORDWRAP;
  }
  if (entry.tabOrder != kNoTabStop) style |= WS_TABSTOP;
  // The radio buttons after the first of a group continue it; every other control starts a
  // group of its own, so that the automatic radio buttons clear only their own group.
  if (entry.kind != ControlKind::Radio || entry.groupStart) style |= WS_GROUP;
  return style;
}

void SetPicture(HWND window, const LayoutEntry& entry, Pictures& pictures) {
  if (entry.kind == ControlKind::Picture) {
    if (HBITMAP bitmap = pictures.Bitmap(entry.picture)) {
      SendMessageW(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
  } else if (entry.kind == ControlKind::Icon) {
    if (HICON icon = pictures.Icon(entry.picture, 32)) {
      SendMessageW(window, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
  }
}

}  // namespace

HWND CreateControlWindow(HWND dialog, const LayoutEntry& entry, const ViewFonts& fonts,
                         Pictures& pictures) {
  const WindowKind& kind = KindOf(entry.kind);
  const PixelRect rect = ClientRect(entry);
  const int height =
      entry.kind == ControlKind::DriveList ? rect.height + kDropDownHeight : rect.height;
  HWND window = CreateWindowExW(
      kind.exStyle, kind.windowClass, Utf16FromUtf8(entry.fixedText).c_str(), StyleOf(entry),
      rect.x, rect.y, rect.width, height, dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Get(entry.font)), FALSE);
  const bool memo = entry.kind == ControlKind::Memo || entry.kind == ControlKind::ReadOnlyMemo ||
                    entry.kind == ControlKind::PlainMemo;
  if (memo) {
    SendMessageW(window, EM_SETLIMITTEXT, 0, 0);  // the licence can exceed the 32 KB default
  }
  SetPicture(window, entry, pictures);
  return window;
}

void FitLabelToText(HWND label, const LayoutEntry& entry, const std::string& text) {
  if (entry.kind != ControlKind::Label || entry.width != 0) return;
  RECT rect{0, 0, 0, 0};
  HDC dc = GetDC(label);
  {
    Selected font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    // An empty label keeps the height of a line.
    const std::wstring measured = Utf16FromUtf8(text.empty() ? std::string_view(" ") : text);
    DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &rect,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    if (text.empty()) rect.right = 0;
  }
  ReleaseDC(label, dc);
  // The static control cuts a last glyph that would touch its right edge: a few pixels more.
  constexpr int kSlack = 3;
  SetWindowPos(label, nullptr, 0, 0, rect.right > 0 ? rect.right + kSlack : 0, rect.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace setup::view
