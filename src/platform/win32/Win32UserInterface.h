#pragma once
#include <functional>

#include "platform/UserInterface.h"

namespace setup {

class Win32UserInterface : public UserInterface {
 public:
  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override;
  void Repaint(const ControlPaint& control) override;
  void StillWorking() override {
    if (stillWorking_) stillWorking_();
  }
  void DiscardInput() override;

  // The window that owns the message boxes (the dialog), the view's repaint of a control, and
  // what the view does while a step of the run goes on.
  void SetOwner(void* window) { owner_ = window; }
  void SetRepaint(std::function<void(const ControlPaint&)> repaint) {
    repaint_ = std::move(repaint);
  }
  void SetStillWorking(std::function<void()> stillWorking) {
    stillWorking_ = std::move(stillWorking);
  }

 private:
  void* owner_ = nullptr;
  std::function<void(const ControlPaint&)> repaint_;
  std::function<void()> stillWorking_;
};

}  // namespace setup
