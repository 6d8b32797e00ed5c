#pragma once
// What a click reported by a window means for the dialog: which control was pressed, or
// nothing. The Win32 view asks this before it runs a handler.
#include "wizard/DialogControls.h"

namespace setup {

// The command the dialog manager sends for the Esc key (IDCANCEL).
inline constexpr int kEscapeCommandId = 2;

// The id of the control whose click the dialog takes, 0 when it takes none: Esc presses
// CancelBtn; a disabled control, one without state and one that is no button take no click;
// a radio button that reports a click without being selected (it only got the focus from the
// keyboard) is no choice of the user's.
int ClickedControl(const DialogControls& controls, int id, bool radioSelected);

// The control that gets the focus when the focused one is gone (a page change): the first that
// the Tab key visits, passing over radio buttons that are not selected (the focus would select
// them). 0 when none can take it.
int FirstFocus(const DialogControls& controls);

}  // namespace setup
