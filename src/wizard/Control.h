#pragma once
// One dialog control as plain state; the Win32 view draws it, the handlers change it.
#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace setup {

struct Control {
  std::string Name;  // as the form names it: "NextBtn", "GermanBox", ...
  std::string Text;
  bool Enabled = true;
  bool Visible = true;
  bool Checked = false;
  bool Default = false;            // the default push button (Enter)
  int Position = 0;                // progress bars
  std::vector<std::string> Items;  // list controls
  int ItemIndex = -1;
};

// What a repaint of the control hands the screen.
inline ControlPaint PaintOf(const Control& control) {
  return {control.Name, control.Text, control.Position};
}

}  // namespace setup
