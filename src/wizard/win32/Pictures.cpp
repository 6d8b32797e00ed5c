#include "wizard/win32/Pictures.h"

#include <cstdint>

#include "wizard/ControlIds.h"

namespace setup::view {
namespace {

// The pictures drawn as transparent: like the form's transparent images, the colour of the
// lower-left pixel is the background, here replaced by the dialog's face colour.
bool IsTransparent(int id) {
  using namespace controlids;
  return id == kProgramFolderBitmap || id == kQuickLaunchBarMEBitmap ||
         id == kQuickLaunchBarXPBitmap;
}

void ReplaceBackground(HBITMAP bitmap, COLORREF face) {
  DIBSECTION dib{};
  if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 24 ||
      dib.dsBm.bmBits == nullptr || dib.dsBmih.biHeight <= 0) {
    return;
  }
  auto* bits = static_cast<std::uint8_t*>(dib.dsBm.bmBits);
  const std::uint8_t key[3] = {bits[0], bits[1], bits[2]};  // bottom-up: the lower-left pixel
  const std::uint8_t fill[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
  for (LONG y = 0; y < dib.dsBm.bmHeight; ++y) {
    std::uint8_t* pixel = bits + static_cast<std::size_t>(y) * dib.dsBm.bmWidthBytes;
    for (LONG x = 0; x < dib.dsBm.bmWidth; ++x, pixel += 3) {
      if (pixel[0] == key[0] && pixel[1] == key[1] && pixel[2] == key[2]) {
        pixel[0] = fill[0];
        pixel[1] = fill[1];
        pixel[2] = fill[2];
      }
    }
  }
  GdiFlush();
}

}  // namespace

Pictures::Loaded* Pictures::Find(int id) {
  for (Loaded& picture : loaded_) {
    if (picture.id == id) return &picture;
  }
  return nullptr;
}

HBITMAP Pictures::Bitmap(int id) {
  if (Loaded* picture = Find(id)) return static_cast<HBITMAP>(picture->bitmap.Get());
  HANDLE image = LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                            LR_DEFAULTCOLOR | LR_CREATEDIBSECTION);
  if (image != nullptr && IsTransparent(id)) {
    ReplaceBackground(static_cast<HBITMAP>(image), GetSysColor(COLOR_BTNFACE));
  }
  loaded_.push_back({id, OwnedGdi(image), OwnedIcon()});
  return static_cast<HBITMAP>(image);
}

HICON Pictures::Icon(int id, int size) {
  if (Loaded* picture = Find(id)) return picture->icon.Get();
  HANDLE image = LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0);
  loaded_.push_back({id, OwnedGdi(), OwnedIcon(static_cast<HICON>(image))});
  return static_cast<HICON>(image);
}

}  // namespace setup::view
