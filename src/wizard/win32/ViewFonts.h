#pragma once
// The dialog's fonts, made once and kept for the life of its windows.
#include <windows.h>

#include "wizard/DialogLayout.h"
#include "wizard/win32/GdiObject.h"

namespace setup::view {

class ViewFonts {
 public:
  ViewFonts();
  HFONT Get(ControlFont font) const;

 private:
  OwnedGdi normal_;
  OwnedGdi welcome_;
  OwnedGdi destination_;
  OwnedGdi version_;
};

}  // namespace setup::view
