#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "wizard/ControlIds.h"
#include "wizard/DialogControls.h"
#include "wizard/ViewInput.h"

namespace setup {
namespace {

using namespace controlids;

struct ClickCase {
  const char* name;
  std::function<void(DialogControls&)> arrange;
  int id;
  bool radioSelected;
  int expected;
};

TEST(WizardViewInput, OnlyEnabledButtonsAndChosenRadioButtonsTakeClicks) {
  const std::vector<ClickCase> cases = {
      {"Esc presses Cancel", [](DialogControls&) {}, kEscapeCommandId, false, kCancelBtn},
      {"Esc does nothing during the installation run",
       [](DialogControls& c) { c.CancelBtn.Enabled = false; }, kEscapeCommandId, false, 0},
      {"a click sent to the disabled Next at start-up", [](DialogControls&) {}, kNextBtn, false, 0},
      {"Next once a language is chosen", [](DialogControls& c) { c.NextBtn.Enabled = true; },
       kNextBtn, false, kNextBtn},
      {"a language chosen", [](DialogControls&) {}, kFrenchBox, true, kFrenchBox},
      {"a language button that only got the focus", [](DialogControls&) {}, kFrenchBox, false, 0},
      {"a language the script does not offer",
       [](DialogControls& c) { c.FrenchBox.Enabled = false; }, kFrenchBox, true, 0},
      {"a check box whatever its tick", [](DialogControls&) {}, kQuickLaunchBox, false,
       kQuickLaunchBox},
      {"the disabled start-menu box", [](DialogControls&) {}, kStartMenueBox, false, 0},
      {"a label is no button", [](DialogControls&) {}, kActionLabel, false, 0},
      {"the directory list clicks through its own notification", [](DialogControls&) {},
       kDestinationDirectoryBox, false, 0},
      {"the banner holds no state", [](DialogControls&) {}, kVersionLabel1, false, 0},
      {"an id of no control", [](DialogControls&) {}, 1, false, 0},
  };
  for (const ClickCase& test : cases) {
    SCOPED_TRACE(test.name);
    DialogControls controls;
    test.arrange(controls);
    EXPECT_EQ(ClickedControl(controls, test.id, test.radioSelected), test.expected);
  }
}

struct FocusCase {
  const char* name;
  std::function<void(DialogControls&)> arrange;
  int expected;
};

TEST(WizardViewInput, TheFocusPassesOverRadioButtonsThatAreNotChosen) {
  const std::vector<FocusCase> cases = {
      {"language page before a choice", [](DialogControls& c) { c.ActivePage = Page::Language; },
       kCancelBtn},
      {"language page after going back",
       [](DialogControls& c) {
         c.ActivePage = Page::Language;
         c.GermanBox.Checked = true;
       },
       kGermanBox},
      {"welcome page: the chosen kind of installation",
       [](DialogControls& c) {
         c.ActivePage = Page::Welcome;
         c.OneUserBtn.Checked = false;
         c.AllUserBtn.Checked = true;
       },
       kAllUserBtn},
      {"licence page", [](DialogControls& c) { c.ActivePage = Page::Licence; }, kLizenzMemo},
      {"finish page", [](DialogControls& c) { c.ActivePage = Page::Finish; }, kDirectStartBox},
      {"nothing enabled during the run",
       [](DialogControls& c) {
         c.ActivePage = Page::Action;
         c.CancelBtn.Enabled = false;
       },
       0},
  };
  for (const FocusCase& test : cases) {
    SCOPED_TRACE(test.name);
    DialogControls controls;
    test.arrange(controls);
    EXPECT_EQ(FirstFocus(controls), test.expected);
  }
}

}  // namespace
}  // namespace setup
