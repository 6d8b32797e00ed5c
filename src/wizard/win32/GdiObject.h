#pragma once
// A GDI object (font, bitmap, brush, pen) or icon that deletes itself, owned the way every other
// handle of the programs is.
#include <windows.h>

#include "platform/win32/Win32Owned.h"

namespace setup::view {

namespace detail {
inline bool GdiValid(HGDIOBJ object) {
  return object != nullptr;
}
inline void GdiDelete(HGDIOBJ object) {
  DeleteObject(object);
}
inline bool IconValid(HICON icon) {
  return icon != nullptr;
}
inline void IconDestroy(HICON icon) {
  DestroyIcon(icon);
}
}  // namespace detail

using OwnedGdi = win32::Owned<HGDIOBJ, detail::GdiValid, detail::GdiDelete>;
using OwnedIcon = win32::Owned<HICON, detail::IconValid, detail::IconDestroy>;

// Selects an object into a device context for one scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace setup::view
