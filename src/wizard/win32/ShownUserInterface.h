#pragma once
// The user interface the dialog's handlers talk to: before a message box opens, the window is
// brought up to date with what the handler has set so far (behind the completion message the
// progress is at 100 % and Cancel is enabled), since the handler returns only after the answer.
#include <functional>

#include "platform/win32/Win32UserInterface.h"

namespace setup::view {

class ShownUserInterface : public UserInterface {
 public:
  explicit ShownUserInterface(Win32UserInterface& windows) : windows_(windows) {}

  void SetBeforeQuestion(std::function<void()> show) { beforeQuestion_ = std::move(show); }

  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override {
    if (beforeQuestion_) beforeQuestion_();
    return windows_.AskUser(caption, text, flags);
  }
  void Repaint(const ControlPaint& control) override { windows_.Repaint(control); }
  void StillWorking() override { windows_.StillWorking(); }
  void DiscardInput() override { windows_.DiscardInput(); }

 private:
  Win32UserInterface& windows_;
  std::function<void()> beforeQuestion_;
};

}  // namespace setup::view
