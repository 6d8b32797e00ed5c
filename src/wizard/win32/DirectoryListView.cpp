#include "wizard/win32/DirectoryListView.h"

#include "platform/win32/WideText.h"

#include "wizard/DirectoryListLook.h"
#include "wizard/win32/GdiObject.h"

namespace setup::view {
namespace {

constexpr int kIndentStep = 10;
constexpr int kGlyphWidth = 16;
constexpr COLORREF kFolderFace = RGB(255, 220, 96);
constexpr COLORREF kFolderEdge = RGB(128, 96, 0);

// The look travels with the item as its item data, so drawing needs no state of its own.
LPARAM PackLook(const DirectoryItemLook& look) {
  return look.level * 2 + (look.open ? 1 : 0);
}

DirectoryItemLook UnpackLook(ULONG_PTR data) {
  return {static_cast<int>(data / 2), (data % 2) == 1};
}

// A small folder: a tab and a body; an open one shows its front flap tilted.
void DrawFolderGlyph(HDC dc, int left, int top, bool open) {
  OwnedGdi face(CreateSolidBrush(kFolderFace));
  OwnedGdi edge(CreatePen(PS_SOLID, 1, kFolderEdge));
  Selected brush(dc, face.Get());
  Selected pen(dc, edge.Get());
  Rectangle(dc, left + 1, top + 2, left + 7, top + 5);  // the tab
  Rectangle(dc, left + 1, top + 4, left + 14, top + 13);
  if (open) {
    const POINT flap[] = {
        {left + 3, top + 7}, {left + 15, top + 7}, {left + 13, top + 13}, {left + 1, top + 13}};
    Polygon(dc, flap, 4);
  }
}

}  // namespace

void SetDirectoryItems(HWND list, const std::vector<std::string>& items, int currentIndex) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::wstring item = Utf16FromUtf8(items[i]);
    const LRESULT index =
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    const DirectoryItemLook look = LookOfDirectoryItem(static_cast<int>(i), currentIndex);
    SendMessageW(list, LB_SETITEMDATA, index, PackLook(look));
  }
  SendMessageW(list, LB_SETCURSEL, currentIndex, 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void DrawDirectoryItem(const DRAWITEMSTRUCT& item) {
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1)) return;
  const DirectoryItemLook look = UnpackLook(item.itemData);
  const int left = item.rcItem.left + 2 + look.level * kIndentStep;
  DrawFolderGlyph(item.hDC, left, item.rcItem.top + 1, look.open);

  // The length counts UTF-16 units; a folder's name may be longer than MAX_PATH in them.
  std::wstring text;
  const LRESULT length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
  if (length > 0) {
    text.assign(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 && copied <= length ? static_cast<std::size_t>(copied) : 0);
  }
  RECT textRect = item.rcItem;
  textRect.left = left + kGlyphWidth + 3;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &textRect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

}  // namespace setup::view
