#include "wizard/win32/DialogEvents.h"

#include "wizard/ControlIds.h"

namespace setup::view {
namespace {

using namespace controlids;
using Dialog = TMorvexDialog;

constexpr ClickBinding kClickBindings[] = {
    {kEnglishBox, &Dialog::EnglishBoxClick}, {kGermanBox, &Dialog::GermanBoxClick},
    {kFrenchBox, &Dialog::FrenchBoxClick},   {kAgreeBox, &Dialog::AgreeBoxClick},
    {kNextBtn, &Dialog::NextBtnClick},       {kBackBtn, &Dialog::BackBtnClick},
    {kCancelBtn, &Dialog::CancelBtnClick},
};

// A double click opens a folder of the list (Enter is Next's, as everywhere on the page); a drive
// picked in the drop-down list moves the list to that drive.
constexpr SelectionBinding kSelectionBindings[] = {
    {kDestinationDirectoryBox, LBN_DBLCLK, LB_GETCURSEL, &Dialog::OpenDirectoryItem},
    {kDestinationDriveBox, CBN_SELCHANGE, CB_GETCURSEL, &Dialog::ChooseDrive},
};

}  // namespace

void (TMorvexDialog::*ClickHandler(int id))() {
  for (const ClickBinding& binding : kClickBindings) {
    if (binding.id == id) return binding.handler;
  }
  return nullptr;
}

const SelectionBinding* FindSelectionBinding(int id, WORD notification) {
  for (const SelectionBinding& binding : kSelectionBindings) {
    if (binding.id == id && binding.notification == notification) return &binding;
  }
  return nullptr;
}

}  // namespace setup::view
