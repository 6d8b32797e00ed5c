#pragma once
// The screen of the simulated machine: questions answered from a queue and recorded, repaints
// recorded and forwarded, reports of a step still going placed among the repaints, discarded
// input counted.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace setup {

struct SimQuestion {
  std::string caption, text;
  unsigned flags = 0;
  int inputDiscardsBefore = 0;  // how often input had been thrown away when it was asked
};

struct SimPaint {
  std::string name, text;
  int position = 0;
};

class SimUserInterface : public UserInterface {
 public:
  // The next queued answer, else defaultAnswer.
  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override;
  void Repaint(const ControlPaint& control) override;
  void StillWorking() override;
  void DiscardInput() override;

  std::deque<bool> answers;
  bool defaultAnswer = true;
  std::vector<SimQuestion> questions;
  bool recordPaints = true;
  std::vector<SimPaint> paints;
  // For each report that a step is still going: how many paints had been recorded before it.
  std::vector<std::size_t> stillWorkingAfter;
  std::function<void(const ControlPaint&)> onRepaint;
  // Told of every question as it is answered, so a dry run can show the boxes in their order.
  std::function<void(const SimQuestion&, bool answer)> onAsk;
  int inputDiscards = 0;
};

}  // namespace setup
