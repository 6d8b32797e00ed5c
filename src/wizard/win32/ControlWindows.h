#pragma once
// The windows of the dialog's controls, made from the layout table.
#include <windows.h>

#include <string>

#include "wizard/DialogLayout.h"
#include "wizard/win32/Pictures.h"
#include "wizard/win32/ViewFonts.h"

namespace setup::view {

// A hidden child of the dialog at the entry's place, with its id, font and picture; the state
// sync shows it and gives it its text.
HWND CreateControlWindow(HWND dialog, const LayoutEntry& entry, const ViewFonts& fonts,
                         Pictures& pictures);

// A label without a size of its own takes the size of its text.
void FitLabelToText(HWND label, const LayoutEntry& entry, const std::string& text);

}  // namespace setup::view
