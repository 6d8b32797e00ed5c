#pragma once
// What the core asks of the screen: a modal question, repainting a control now, word that a long
// step is still going, and forgetting the keys and clicks that queued up while the core held the
// screen.
#include <string>
#include <string_view>

namespace setup {

// A control as the screen is asked to show it: the name its form gives it, its text and its
// progress position. The controls themselves are the wizard's; the seam knows only this much.
struct ControlPaint {
  std::string_view name;
  std::string_view text;
  int position = 0;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal message box with Windows flags (0, 33, 48, 52); true for OK (1) or Yes (6).
  virtual bool AskUser(const std::string& caption, const std::string& text, unsigned flags) = 0;
  // Pushes the control's state to the screen at once (the run pumps no messages).
  virtual void Repaint(const ControlPaint& control) = 0;
  // Said while one step of the installation run goes on (after each piece of a file it writes):
  // nothing changed since the last Repaint, but a screen that held a change back to save time
  // may draw it now. A screen that draws every change at once has nothing to do.
  virtual void StillWorking() {}
  // Throws away the keyboard and mouse input that waits for the dialog's thread (paint and
  // other messages stay). The installation run handles no input while it lasts; without this,
  // a key or click made then would reach whatever the run shows next. A screen without a queue
  // of its own (the uninstaller's questions) has nothing to throw away.
  virtual void DiscardInput() {}
};

}  // namespace setup
