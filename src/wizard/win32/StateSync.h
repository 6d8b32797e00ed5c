#pragma once
// The one way between the dialog's state and its windows: the user's input is copied into the
// state before a handler runs, and afterwards the state is pushed to the windows. Only what
// differs from what a window is known to show is sent to it, so the installation run can push
// after every step and a window the user is typing into keeps its caret.
#include <windows.h>

#include <vector>

#include "wizard/DialogControls.h"
#include "wizard/DialogLayout.h"

namespace setup::view {

class StateSync {
 public:
  void Add(const LayoutEntry& entry, HWND window);
  HWND WindowOf(int id) const;

  // The checked states of radio buttons and check boxes and the text of the edit box.
  void CopyInput(DialogControls& controls);
  // Text, enabled, visible (the active page's controls shown, the others hidden), checked,
  // position, items and item index, default button.
  void Push(const DialogControls& controls);

 private:
  struct Shown {
    const LayoutEntry* entry;
    HWND window;
    Control control;  // what the window shows
    bool visible = false;
    bool pushed = false;
  };
  void PushOne(Shown& shown, const DialogControls& controls);

  std::vector<Shown> shown_;
};

}  // namespace setup::view
