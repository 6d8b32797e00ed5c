#include "wizard/win32/BannerView.h"

#include <string>

#include "platform/win32/WideText.h"

#include "wizard/ControlIds.h"
#include "wizard/DialogLayout.h"
#include "wizard/win32/GdiObject.h"

namespace setup::view {
namespace {

struct BannerText {
  int id;
  COLORREF colour;
};

// Painted in this order: the shadow first, the white text over it.
constexpr BannerText kBannerTexts[] = {
    {controlids::kVersionLabel2, RGB(0, 0, 0)},
    {controlids::kVersionLabel1, RGB(255, 255, 255)},
};

void DrawLogoPart(HDC dc, const PixelRect& own, HBITMAP logo) {
  const LayoutEntry* logoEntry = FindLayoutEntry(controlids::kLogoImage);
  if (!logo || !logoEntry) return;
  const PixelRect logoRect = ClientRect(*logoEntry);
  HDC memory = CreateCompatibleDC(dc);
  {
    Selected bitmap(memory, logo);
    BitBlt(dc, 0, 0, own.width, own.height, memory, own.x - logoRect.x, own.y - logoRect.y,
           SRCCOPY);
  }
  DeleteDC(memory);
}

}  // namespace

void DrawVersionLabel(const DRAWITEMSTRUCT& item, HBITMAP logo, HFONT font) {
  const LayoutEntry* entry = FindLayoutEntry(static_cast<int>(item.CtlID));
  if (!entry) return;
  const PixelRect own = ClientRect(*entry);
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  DrawLogoPart(item.hDC, own, logo);
  SetBkMode(item.hDC, TRANSPARENT);
  Selected selectedFont(item.hDC, font);
  for (const BannerText& text : kBannerTexts) {
    const LayoutEntry* label = FindLayoutEntry(text.id);
    if (!label) continue;
    const PixelRect place = ClientRect(*label);
    RECT rect{place.x - own.x, place.y - own.y, place.x - own.x + place.width,
              place.y - own.y + place.height};
    SetTextColor(item.hDC, text.colour);
    const std::wstring fixedText = Utf16FromUtf8(label->fixedText);
    DrawTextW(item.hDC, fixedText.c_str(), static_cast<int>(fixedText.size()), &rect,
              DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  }
}

}  // namespace setup::view
