#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "wizard/ControlIds.h"
#include "wizard/DialogLayout.h"
#include "wizard/DirectoryListLook.h"
#include "wizard/RepaintPacing.h"

namespace setup {
namespace {

using namespace controlids;

// The state the buttons and boxes have on each page as the wizard leaves them.
void OnPage(DialogControls& controls, const char* page) {
  controls.ActivePage = *PageNamed(page);
  controls.NextBtn.Enabled = true;
  controls.BackBtn.Enabled = true;
}

struct KeyboardCase {
  const char* name;
  std::function<void(DialogControls&)> arrange;
  std::vector<int> expected;
};

TEST(WizardViewLayout, TabVisitsThePageInItsOrderThenCancelNextBack) {
  const std::vector<KeyboardCase> cases = {
      {"language page at start-up",
       [](DialogControls& c) { c.ActivePage = Page::Language; },
       {kEnglishBox, kGermanBox, kFrenchBox, kCancelBtn}},
      {"only German offered",
       [](DialogControls& c) {
         c.ActivePage = Page::Language;
         c.EnglishBox.Enabled = false;
         c.FrenchBox.Enabled = false;
       },
       {kGermanBox, kCancelBtn}},
      {"welcome page",
       [](DialogControls& c) { OnPage(c, "WelcomePage"); },
       {kOneUserBtn, kAllUserBtn, kKorvaltCheckBox, kCancelBtn, kNextBtn, kBackBtn}},
      {"licence page before acceptance",
       [](DialogControls& c) {
         OnPage(c, "LicencePage");
         c.NextBtn.Enabled = false;
       },
       {kLizenzMemo, kAgreeBox, kCancelBtn, kBackBtn}},
      {"destination page",
       [](DialogControls& c) { OnPage(c, "ProgramDestination"); },
       {kDestinationDirectoryBox, kDestinationDriveBox, kDestinationEdit, kCancelBtn, kNextBtn,
        kBackBtn}},
      {"icon page passes the disabled start-menu box",
       [](DialogControls& c) { OnPage(c, "IconPage"); },
       {kDesktopBox, kQuickLaunchBox, kCancelBtn, kNextBtn, kBackBtn}},
      {"summary memo is no tab stop",
       [](DialogControls& c) { OnPage(c, "SummaryPage"); },
       {kCancelBtn, kNextBtn, kBackBtn}},
      {"during the installation run",
       [](DialogControls& c) {
         c.ActivePage = Page::Action;
         c.CancelBtn.Enabled = false;
       },
       {}},
      {"finish page without a read-me",
       [](DialogControls& c) {
         c.ActivePage = Page::Finish;
         c.ReadMeBox.Visible = false;
       },
       {kDirectStartBox, kCancelBtn}},
  };
  for (const KeyboardCase& test : cases) {
    SCOPED_TRACE(test.name);
    DialogControls controls;
    test.arrange(controls);
    EXPECT_EQ(KeyboardOrder(controls), test.expected);
  }
}

// The dialog manager walks the windows in the order they were made: on every page that walk
// must be the keyboard order.
TEST(WizardViewLayout, CreationOrderIsTheKeyboardOrderOnEveryPage) {
  for (int page = 0; page < 8; ++page) {
    DialogControls controls;
    for (const LayoutEntry& entry : DialogLayout()) {
      if (!entry.control) continue;
      (controls.*entry.control).Enabled = true;
      (controls.*entry.control).Visible = true;
    }
    controls.ActivePage = static_cast<Page>(page);
    std::vector<int> walk;
    for (const LayoutEntry& entry : DialogLayout()) {
      const bool onPage = entry.parent != ControlParent::Page || entry.page == page;
      if (onPage && entry.control && entry.tabOrder != kNoTabStop) walk.push_back(entry.id);
    }
    EXPECT_EQ(walk, KeyboardOrder(controls)) << PageName(controls.ActivePage);
  }
}

struct TabCase {
  int from;
  bool backwards;
  int expected;
};

TEST(WizardViewLayout, TabGoesRoundTheKeyboardOrder) {
  DialogControls controls;
  OnPage(controls, "WelcomePage");
  const TabCase cases[] = {
      {kOneUserBtn, false, kAllUserBtn},
      {kKorvaltCheckBox, false, kCancelBtn},
      {kBackBtn, false, kOneUserBtn},
      {kOneUserBtn, true, kBackBtn},
      {kCancelBtn, true, kKorvaltCheckBox},
      {0, false, kOneUserBtn},
      {0, true, kBackBtn},
      {kAgreeBox, false, kOneUserBtn},
  };
  for (const TabCase& test : cases) {
    SCOPED_TRACE(test.from);
    EXPECT_EQ(NextTabStop(controls, test.from, test.backwards), test.expected)
        << test.from << (test.backwards ? " backwards" : "");
  }
  controls.ActivePage = Page::Action;
  controls.CancelBtn.Enabled = controls.NextBtn.Enabled = controls.BackBtn.Enabled = false;
  EXPECT_EQ(NextTabStop(controls, kCancelBtn, false), 0);
}

struct PlaceCase {
  int id;
  PixelRect expected;
};

TEST(WizardViewLayout, PlacesAreRelativeToTheirPanel) {
  const PlaceCase cases[] = {
      {kLogoImage, {10, 10, 601, 75}},        {kVersionLabel1, {535, 42, 67, 42}},
      {kEnglishBox, {338, 168, 193, 17}},     {kFrenchFlagImage, {98, 284, 60, 40}},
      {kDestinationEdit, {18, 128, 585, 28}}, {kProgressBar, {50, 252, 481, 21}},
      {kBackBtn, {312, 389, 75, 25}},         {kCancelBtn, {506, 389, 75, 25}},
  };
  for (const PlaceCase& test : cases) {
    SCOPED_TRACE(test.id);
    const LayoutEntry* entry = FindLayoutEntry(test.id);
    ASSERT_NE(entry, nullptr);
    const PixelRect rect = ClientRect(*entry);
    EXPECT_EQ(rect.x, test.expected.x);
    EXPECT_EQ(rect.y, test.expected.y);
    EXPECT_EQ(rect.width, test.expected.width);
    EXPECT_EQ(rect.height, test.expected.height);
  }
}

TEST(WizardViewLayout, EveryControlLiesInsideItsPanel) {
  for (const LayoutEntry& entry : DialogLayout()) {
    PixelRect panel{0, 0, kClientWidth, kClientHeight};
    if (entry.parent == ControlParent::Page) panel = kNotebookRect;
    if (entry.parent == ControlParent::ButtonPanel) panel = kButtonPanelRect;
    EXPECT_GE(entry.x, 0) << entry.id;
    EXPECT_GE(entry.y, 0) << entry.id;
    EXPECT_LE(entry.x + entry.width, panel.width) << entry.id;
    EXPECT_LE(entry.y + entry.height, panel.height) << entry.id;
    EXPECT_EQ(entry.parent == ControlParent::Page, entry.page != kNoPage) << entry.id;
  }
}

// Each id and each control once; every control of the dialog has a window; the ids keep their
// page's hundred (11xx LanguagePage ... 18xx FinishPage).
TEST(WizardViewLayout, EveryControlHasOneWindowWithAnIdOfItsPage) {
  const DialogControls controls;
  std::set<int> ids;
  std::set<std::string> names;
  for (const LayoutEntry& entry : DialogLayout()) {
    EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
    const int hundred = entry.parent == ControlParent::Page ? 11 + entry.page : 10;
    EXPECT_EQ(entry.id / 100, hundred) << entry.id;
    if (!entry.control) continue;
    const std::string& name = (controls.*entry.control).Name;
    EXPECT_FALSE(name.empty()) << entry.id;
    EXPECT_TRUE(names.insert(name).second) << name;
  }
  // DialogControls is the active page, smaller than one control, followed by nothing but
  // controls.
  const std::size_t controlCount = sizeof(DialogControls) / sizeof(Control);
  EXPECT_EQ(names.size(), controlCount);
}

TEST(WizardViewLayout, PageNamesAndTheirIndexes) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"LanguagePage", 0},
      {"WelcomePage", 1},
      {"LicencePage", 2},
      {"ProgramDestination", 3},
      {"IconPage", 4},
      {"SummaryPage", 5},
      {"ActionPage", 6},
      {"FinishPage", 7},
      {"", kNoPage},
      {"welcomepage", kNoPage},
      {"DestinationPage", kNoPage},
  };
  for (const auto& [name, index] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PageIndex(name), index);
    if (index != kNoPage) {
      EXPECT_EQ(PageName(static_cast<Page>(index)), name);
    }
  }
}

struct ShownCase {
  const char* name;
  int id;
  const char* page;
  bool visible;
  bool expected;
};

TEST(WizardViewLayout, OnlyTheActivePageIsShown) {
  const ShownCase cases[] = {
      {"own page", kAgreeBox, "LicencePage", true, true},
      {"other page", kAgreeBox, "WelcomePage", true, false},
      {"hidden on its page", kReadMeBox, "FinishPage", false, false},
      {"licence store never shown", kAllLicenceMemo, "LicencePage", false, false},
      {"buttons on every page", kNextBtn, "IconPage", true, true},
      {"banner on every page", kVersionLabel2, "SummaryPage", true, true},
      {"the form's action page before start-up", kEnglishBox, nullptr, true, false},
      {"the form's action page before start-up", kProgressBar, nullptr, true, true},
  };
  for (const ShownCase& test : cases) {
    SCOPED_TRACE(test.name);
    DialogControls controls;
    if (test.page) controls.ActivePage = *PageNamed(test.page);
    const LayoutEntry* entry = FindLayoutEntry(test.id);
    ASSERT_NE(entry, nullptr);
    if (entry->control) (controls.*entry->control).Visible = test.visible;
    EXPECT_EQ(ShownNow(*entry, controls), test.expected);
  }
}

TEST(WizardViewLayout, EnterPressesTheButtonMarkedDefault) {
  DialogControls controls;
  EXPECT_EQ(DefaultButtonId(controls), kNextBtn);
  controls.NextBtn.Default = false;
  EXPECT_EQ(DefaultButtonId(controls), 0);
  controls.CancelBtn.Default = true;
  EXPECT_EQ(DefaultButtonId(controls), kCancelBtn);
}

TEST(WizardViewLayout, FindsTheEntryOfAControlByItsAddress) {
  DialogControls controls;
  const LayoutEntry* entry = FindLayoutEntry(controls, controls.ProgressBar);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->id, kProgressBar);
  const Control stranger;
  EXPECT_EQ(FindLayoutEntry(controls, stranger), nullptr);
  EXPECT_EQ(FindLayoutEntry(4242), nullptr);
}

struct LookCase {
  int index, currentIndex, level;
  bool open;
};

TEST(WizardViewLayout, DirectoryItemsStepInThenListSubFoldersOneStepBelow) {
  const LookCase cases[] = {
      {0, 2, 0, true},   // C:\ .
      {2, 2, 2, true},   // the current folder
      {3, 2, 3, false},  // its sub-folders
      {7, 2, 3, false}, {0, 0, 0, true}, {1, 0, 1, false},
  };
  for (const LookCase& test : cases) {
    SCOPED_TRACE(test.index);
    const DirectoryItemLook look = LookOfDirectoryItem(test.index, test.currentIndex);
    EXPECT_EQ(look.level, test.level) << test.index << " of " << test.currentIndex;
    EXPECT_EQ(look.open, test.open) << test.index << " of " << test.currentIndex;
  }
}

// The run's progress: each call of a row is one change the run reports, or a report that it is
// still writing a file (the same values again), in order.
TEST(RepaintPacing, EveryPercentageAtOnceTheActionTextAtMostEveryInterval) {
  struct Call {
    const char* percent;
    int position;
    const char* action;
    std::uint32_t nowMs;
    bool drawn;
  };
  struct Row {
    const char* name;
    std::vector<Call> calls;
  };
  const std::uint32_t wrap = 0xFFFFFFF0u;  // GetTickCount wraps after 49.7 days
  const Row rows[] = {
      {"the first change is drawn", {{"1%", 1, "a", 5, true}}},
      {"a new text under the same percentage within the interval waits",
       {{"1%", 1, "a", 0, true},
        {"1%", 1, "b", 1, false},
        {"1%", 1, "c", 39, false},
        {"1%", 1, "d", 40, true}}},
      {"a new bar position is drawn at once, then its percentage",
       {{"1%", 1, "a", 0, true},
        {"1%", 2, "a", 1, true},
        {"2%", 2, "a", 2, true},
        {"2%", 2, "b", 3, false}}},
      {"the interval counts from the last drawing",
       {{"5%", 5, "a", 100, true},
        {"5%", 5, "b", 130, false},
        {"5%", 5, "c", 141, true},
        {"5%", 5, "d", 170, false}}},
      {"a wrapping clock",
       {{"7%", 7, "a", wrap, true},
        {"7%", 7, "b", wrap + 20, false},
        {"7%", 7, "c", wrap + 45, true}}},
      // A line that starts a new percentage: its path comes just after the percentage was drawn
      // and waits; the file it names is large, and the reports made while it is written draw
      // the path once the interval has passed, and nothing more after that.
      {"the path of a long file is drawn while it is written",
       {{"2%", 3, "small.dat", 100, true},
        {"2%", 4, "small.dat", 101, true},
        {"3%", 4, "small.dat", 101, true},
        {"3%", 4, "big.dat", 101, false},
        {"3%", 4, "big.dat", 120, false},
        {"3%", 4, "big.dat", 141, true},
        {"3%", 4, "big.dat", 190, false},
        {"3%", 4, "big.dat", 400, false},
        {"3%", 5, "big.dat", 900, true}}},
      {"a report with nothing new draws nothing",
       {{"4%", 4, "a", 0, true}, {"4%", 4, "a", 41, false}, {"4%", 4, "a", 5000, false}}},
      {"a held-back text is drawn by the first report after the interval",
       {{"6%", 6, "a", 0, true},
        {"6%", 6, "b", 10, false},
        {"6%", 6, "c", 20, false},
        {"6%", 6, "c", 39, false},
        {"6%", 6, "c", 40, true}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RepaintPacing pacing;
    for (const Call& call : row.calls) {
      SCOPED_TRACE(call.nowMs);
      EXPECT_EQ(pacing.Due(call.percent, call.position, call.action, call.nowMs), call.drawn);
    }
  }
}

}  // namespace
}  // namespace setup
