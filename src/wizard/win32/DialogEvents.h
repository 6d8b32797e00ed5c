#pragma once
// Which notification of which control runs which handler of the dialog.
#include <windows.h>

#include "wizard/SetupDlg.h"

namespace setup::view {

struct ClickBinding {
  int id;
  void (TMorvexDialog::*handler)();
};

// A notification that picks an item: the handler takes the window's selected index.
struct SelectionBinding {
  int id;
  WORD notification;
  UINT getSelection;  // the message that asks the window for its selected index
  void (TMorvexDialog::*handler)(int);
};

// The handler of a click on the control, nullptr when the control has none.
void (TMorvexDialog::*ClickHandler(int id))();

const SelectionBinding* FindSelectionBinding(int id, WORD notification);

}  // namespace setup::view
