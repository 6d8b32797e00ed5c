#pragma once
#include <functional>

#include "platform/UserInterface.h"

namespace setup {

class Win32UserInterface : public UserInterface {
 public:
  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override;
  void Repaint(const ControlPaint& control) override;
  void DiscardInput() override;

  // The window that owns the message boxes (the dialog), and the view's repaint of a control.
  void SetOwner(void* window) { owner_ = window; }
  void SetRepaint(std::function<void(const ControlPaint&)> repaint) {
    repaint_ = std::move(repaint);
  }

 private:
  void* owner_ = nullptr;
  std::function<void(const ControlPaint&)> repaint_;
};

}  // namespace setup
