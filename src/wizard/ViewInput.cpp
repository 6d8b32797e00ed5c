#include "wizard/ViewInput.h"

#include "wizard/ControlIds.h"
#include "wizard/DialogLayout.h"

namespace setup {
namespace {

bool TakesClicks(ControlKind kind) {
  return kind == ControlKind::Radio || kind == ControlKind::CheckBox || kind == ControlKind::Button;
}

}  // namespace

int ClickedControl(const DialogControls& controls, int id, bool radioSelected) {
  if (id == kEscapeCommandId) id = controlids::kCancelBtn;
  const LayoutEntry* entry = FindLayoutEntry(id);
  if (!entry || !entry->control || !TakesClicks(entry->kind)) return 0;
  if (!(controls.*entry->control).Enabled) return 0;
  if (entry->kind == ControlKind::Radio && !radioSelected) return 0;
  return id;
}

int FirstFocus(const DialogControls& controls) {
  for (int id : KeyboardOrder(controls)) {
    const LayoutEntry* entry = FindLayoutEntry(id);
    if (entry->kind != ControlKind::Radio || (controls.*entry->control).Checked) return id;
  }
  return 0;
}

}  // namespace setup
