#pragma once
// The "V12" on the banner: a white text over its black shadow, both over the logo. Each of the
// two labels paints the whole picture of its place (logo, shadow, text), so the result does not
// depend on which of the overlapping windows paints last.
#include <windows.h>

namespace setup::view {

void DrawVersionLabel(const DRAWITEMSTRUCT& item, HBITMAP logo, HFONT font);

}  // namespace setup::view
