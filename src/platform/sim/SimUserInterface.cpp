#include "platform/sim/SimUserInterface.h"

#include "wizard/Control.h"

namespace setup {

bool SimUserInterface::AskUser(const std::string& caption, const std::string& text,
                               unsigned flags) {
  questions.push_back({caption, text, flags});
  if (answers.empty()) return defaultAnswer;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void SimUserInterface::Repaint(const Control& control) {
  if (recordPaints) paints.push_back({control.Name, control.Text, control.Position});
  if (onRepaint) onRepaint(control);
}

}  // namespace setup
