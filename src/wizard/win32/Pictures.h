#pragma once
// The dialog's pictures, loaded from the module's resources by their ids. A missing resource
// leaves its picture empty: the program works without its pictures.
#include <windows.h>

#include <vector>

#include "wizard/win32/GdiObject.h"

namespace setup::view {

class Pictures {
 public:
  explicit Pictures(HINSTANCE module) : module_(module) {}

  // Loaded on first use; nullptr when the module has no such resource.
  HBITMAP Bitmap(int id);
  HICON Icon(int id, int size);

 private:
  struct Loaded {
    int id;
    OwnedGdi bitmap;
    OwnedIcon icon;
  };
  Loaded* Find(int id);

  HINSTANCE module_;
  std::vector<Loaded> loaded_;
};

}  // namespace setup::view
