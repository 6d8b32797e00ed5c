#include "wizard/win32/Pictures.h"

namespace setup::view {

Pictures::Loaded* Pictures::Find(int id) {
  for (Loaded& picture : loaded_) {
    if (picture.id == id) return &picture;
  }
  return nullptr;
}

HBITMAP Pictures::Bitmap(int id) {
  if (Loaded* picture = Find(id)) return static_cast<HBITMAP>(picture->bitmap.get());
  HANDLE image = LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
  loaded_.push_back({id, OwnedGdi(image), OwnedIcon()});
  return static_cast<HBITMAP>(image);
}

HICON Pictures::Icon(int id, int size) {
  if (Loaded* picture = Find(id)) return picture->icon.get();
  HANDLE image = LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0);
  loaded_.push_back({id, OwnedGdi(), OwnedIcon(static_cast<HICON>(image))});
  return static_cast<HICON>(image);
}

}  // namespace setup::view
