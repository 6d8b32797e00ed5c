#include "platform/sim/SimUserInterface.h"

namespace setup {

bool SimUserInterface::AskUser(const std::string& caption, const std::string& text,
                               unsigned flags) {
  questions.push_back({caption, text, flags, inputDiscards});
  bool answer = defaultAnswer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  if (onAsk) onAsk(questions.back(), answer);
  return answer;
}

void SimUserInterface::Repaint(const ControlPaint& control) {
  if (recordPaints) {
    paints.push_back({std::string(control.name), std::string(control.text), control.position});
  }
  if (onRepaint) onRepaint(control);
}

void SimUserInterface::StillWorking() {
  if (recordPaints) stillWorkingAfter.push_back(paints.size());
}

void SimUserInterface::DiscardInput() {
  ++inputDiscards;
}

}  // namespace setup
