#pragma once
// What the core asks of the screen: a modal question, and repainting a control now.
#include <string>

namespace setup {

struct Control;

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal message box with Windows flags (0, 33, 48, 52); true for OK (1) or Yes (6).
  virtual bool AskUser(const std::string& caption, const std::string& text, unsigned flags) = 0;
  // Pushes the control's state to the screen at once (the run pumps no messages).
  virtual void Repaint(const Control& control) = 0;
};

}  // namespace setup
