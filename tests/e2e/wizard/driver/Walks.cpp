#include "Walks.h"

#include <iterator>
#include <string>

#include "Ids.h"
#include "platform/win32/WideText.h"

namespace e2e {
namespace {

constexpr DWORD kBoxTimeoutMs = 15000;
constexpr DWORD kInstallTimeoutMs = 180000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr DWORD kBoxWaitMs = 1500;
constexpr DWORD kLabelPollMs = 10;

bool Wanted(Tick tick) {
  return tick == Tick::On;
}

void PickLanguage(Wizard& wizard, char language) {
  const int box = language == 'G' ? kGermanBox : language == 'F' ? kFrenchBox : kEnglishBox;
  wizard.Click(box);
  HWND radio = wizard.Control(box);
  wizard.WaitUntil([&] { return CheckState(radio) == BST_CHECKED && wizard.Enabled(kNextBtn); },
                   kBoxTimeoutMs, "the language chosen and Next enabled");
}

void ChooseLanguage(Wizard& wizard) {
  if (!wizard.options().language) Fail("the language page needs --language");
  PickLanguage(wizard, wizard.options().language);
}

void ChooseUsersAndAddOn(Wizard& wizard) {
  const Options& options = wizard.options();
  if (options.allUsers != Tick::Leave) {
    const int button = Wanted(options.allUsers) ? kAllUserBtn : kOneUserBtn;
    wizard.SetTicked(button, true);
  }
  if (options.addOn != Tick::Leave) wizard.SetTicked(kKorvaltCheckBox, Wanted(options.addOn));
}

void AcceptLicence(Wizard& wizard) {
  wizard.SetTicked(kAgreeBox, true);
  wizard.WaitUntil([&] { return wizard.Enabled(kNextBtn); }, kBoxTimeoutMs,
                   "Next enabled by the accepted licence");
}

void ChooseDestination(Wizard& wizard) {
  if (!wizard.options().destination.empty()) {
    wizard.TypeInto(kDestinationEdit, wizard.options().destination);
  }
}

void ChooseShortcuts(Wizard& wizard) {
  const Options& options = wizard.options();
  if (options.desktop != Tick::Leave) wizard.SetTicked(kDesktopBox, Wanted(options.desktop));
  if (options.quickLaunch != Tick::Leave) {
    wizard.SetTicked(kQuickLaunchBox, Wanted(options.quickLaunch));
  }
}

// What the user does on each page before Next, and the page Next leads to.
struct Step {
  const char* page;
  void (*act)(Wizard&);
  const char* next;
};

constexpr Step kSteps[] = {
    {"LanguagePage", ChooseLanguage, "WelcomePage"},
    {"WelcomePage", ChooseUsersAndAddOn, "LicencePage"},
    {"LicencePage", AcceptLicence, "ProgramDestination"},
    {"ProgramDestination", ChooseDestination, "IconPage"},
    {"IconPage", ChooseShortcuts, "SummaryPage"},
};

const Step* StepOf(const std::string& page) {
  for (const Step& step : kSteps) {
    if (page == step.page) return &step;
  }
  return nullptr;
}

// From the first page forwards until the page is reached (and logged).
void ForwardTo(Wizard& wizard, const std::string& target) {
  std::string page = wizard.CurrentPage();
  wizard.Arrive(page);
  while (page != target) {
    const Step* step = StepOf(page);
    if (!step) Fail("cannot go forward from " + page + " to " + target);
    step->act(wizard);
    wizard.Click(kNextBtn);
    page = step->next;
    wizard.Arrive(page);
  }
}

// Esc and a click on the greyed Cancel button while the run holds the dialog, made as a user
// makes them. Cancel still disabled afterwards shows that the run was still going.
void InputDuringRun(Wizard& wizard) {
  wizard.WaitUntil([&] { return wizard.CurrentPage() == "ActionPage"; }, kBoxTimeoutMs,
                   "the run's page");
  wizard.PressKey(VK_ESCAPE);
  wizard.MouseClick(kCancelBtn);
  if (wizard.Enabled(kCancelBtn) || wizard.PeekBox().window) {
    Fail("the run ended before the input was made: it needs a larger payload");
  }
  wizard.report().Line("INPUT during the run");
}

// The action label's texts as the run leaves them on the screen, each logged with the time it
// came, until the run's first box: the run pumps no messages, so the text is read from what the
// window manager holds, not asked of the label.
void WatchActionLabel(Wizard& wizard) {
  HWND label = wizard.Control(kActionLabel);
  std::string shown;
  const DWORD start = GetTickCount();
  while (!wizard.PeekBox().window && wizard.Running()) {
    if (GetTickCount() - start > kInstallTimeoutMs) Fail("the run's first box did not come");
    const std::string text = HeldText(label);
    if (text != shown) {
      shown = text;
      wizard.report().Line("LABEL " + std::to_string(wizard.report().Elapsed()) + " " +
                           OneLine(text));
    }
    Sleep(kLabelPollMs);
  }
}

// Input made during the run must not answer a box by itself: the box is still open a while
// after it came.
void ExpectWaiting(Wizard& wizard, const MessageBoxInfo& box) {
  Sleep(kBoxWaitMs);
  if (wizard.PeekBox().window != box.window) Fail("the box closed without an answer");
  wizard.report().Line("WAITING " + std::to_string(wizard.report().Elapsed()) + " ms");
}

// Presses Install and answers the boxes of the run with OK; the run's page is logged at the
// first box. Returns the first box that came.
MessageBoxInfo Install(Wizard& wizard, bool expectFinish) {
  Report& report = wizard.report();
  const DWORD start = report.Elapsed();
  wizard.Click(kNextBtn);
  const bool input = wizard.options().inputDuringRun;
  if (input) {
    InputDuringRun(wizard);
    WatchActionLabel(wizard);
  }
  MessageBoxInfo first;
  for (;;) {
    MessageBoxInfo box = wizard.WaitForBox(kInstallTimeoutMs);
    if (!first.window) {
      first = box;
      report.Line("TIME install " + std::to_string(report.Elapsed() - start) + " ms");
      if (wizard.CurrentPage() != "ActionPage")
        Fail("the run's box came on " + wizard.CurrentPage());
      report.Line("PAGE ActionPage " + std::to_string(report.Elapsed()) + " ms");
      wizard.LogControls("ActionPage", "ActionPage");
      wizard.Shot("ActionPage");
    }
    if (input) ExpectWaiting(wizard, box);
    wizard.Answer(box, IDOK);
    if (!expectFinish) return first;
    // The completion message is the last box; the finish page follows it.
    for (int waited = 0; waited < 3000; waited += 20) {
      if (wizard.CurrentPage() == "FinishPage" || wizard.PeekBox().window) break;
      Sleep(20);
    }
    if (wizard.CurrentPage() == "FinishPage") {
      report.Line("SEEN FinishPage " + std::to_string(report.Elapsed()) + " ms");
      return first;
    }
  }
}

// The programs that the finishing actions start: each window is logged and closed.
void CloseStarted(Wizard& wizard, bool readMe, bool program) {
  struct Started {
    bool expected;
    const char* what;
    HWND (*find)();
  };
  const Started started[] = {
      {readMe, "notepad", [] { return FindAnyTopLevel("Notepad", nullptr); }},
      {program, "program", [] { return FindAnyTopLevel("VelV12Window", nullptr); }},
  };
  for (const Started& one : started) {
    if (!one.expected) continue;
    HWND window = nullptr;
    for (int waited = 0; waited < 20000 && !window; waited += 50) {
      window = one.find();
      if (!window) Sleep(50);
    }
    wchar_t title[512] = {};
    if (window) GetWindowTextW(window, title, 512);
    wizard.report().Line(std::string("STARTED ") + one.what + " " +
                         (window ? setup::Utf8FromUtf16(title) : "none"));
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  }
}

void Finish(Wizard& wizard) {
  const bool readMe = IsWindowVisible(wizard.Control(kReadMeBox));
  const bool program = IsWindowVisible(wizard.Control(kDirectStartBox));
  if (!wizard.options().finishActions) {
    if (readMe) wizard.SetTicked(kReadMeBox, false);
    if (program) wizard.SetTicked(kDirectStartBox, false);
  }
  const bool startsReadMe = readMe && CheckState(wizard.Control(kReadMeBox)) == BST_CHECKED;
  const bool startsProgram = program && CheckState(wizard.Control(kDirectStartBox)) == BST_CHECKED;
  wizard.Click(kCancelBtn);
  wizard.WaitForExit(kExitTimeoutMs);
  CloseStarted(wizard, startsReadMe, startsProgram);
}

void CancelWithYes(Wizard& wizard) {
  wizard.Click(kCancelBtn);
  wizard.Answer(wizard.WaitForBox(kBoxTimeoutMs), IDYES);
  wizard.WaitForExit(kExitTimeoutMs);
}

// The Tab key pressed until the focus is on the control, as a user moves it there (a click on
// a button has left it on that button).
void FocusByTab(Wizard& wizard, int id) {
  constexpr int kMostPresses = 12;  // more than a page and the button panel have tab stops
  for (int presses = 0; wizard.FocusedId() != id; ++presses) {
    const int before = wizard.FocusedId();
    if (presses == kMostPresses) {
      Fail(std::string("Tab never took the focus to ") + ControlName(id) + " (it is on " +
           ControlName(before) + ")");
    }
    wizard.PressKey(VK_TAB);
    wizard.WaitUntil([&] { return wizard.FocusedId() != before; }, kBoxTimeoutMs,
                     std::string("Tab to move the focus from ") + ControlName(before));
  }
  wizard.report().Line(std::string("FOCUS ") + ControlName(id));
}

bool DroppedDown(HWND comboBox) {
  DWORD_PTR dropped = 0;
  SendMessageTimeoutW(comboBox, CB_GETDROPPEDSTATE, 0, 0, SMTO_ABORTIFHUNG, 3000, &dropped);
  return dropped != 0;
}

}  // namespace

void Walk(Wizard& wizard) {
  ForwardTo(wizard, "SummaryPage");
  Install(wizard, true);
  wizard.Arrive("FinishPage");
  Finish(wizard);
  wizard.report().Line("TIME walk " + std::to_string(wizard.report().Elapsed()) + " ms");
}

void CancelWalk(Wizard& wizard) {
  const std::string page = wizard.options().page;
  ForwardTo(wizard, page);
  wizard.Click(kCancelBtn);
  const MessageBoxInfo box = wizard.WaitForBox(kBoxTimeoutMs);
  if (wizard.options().answerYes) {
    wizard.Answer(box, IDYES);
    wizard.WaitForExit(kExitTimeoutMs);
    return;
  }
  wizard.Answer(box, IDNO);
  Sleep(500);
  if (wizard.PeekBox().window) Fail("another box came after No");
  if (!wizard.Running()) Fail("the setup ended after No");
  wizard.Arrive(page, "-after-no");
  wizard.report().Line("STAYED " + page);
  CancelWithYes(wizard);
}

void EveryLanguage(Wizard& wizard) {
  const std::string& languages = wizard.options().languages;
  if (languages.empty()) Fail("every-language needs --languages");
  for (std::size_t i = 0; i < languages.size(); ++i) {
    const std::string suffix = std::string("-") + languages[i];
    wizard.Arrive("LanguagePage", suffix);
    PickLanguage(wizard, languages[i]);
    wizard.Click(kNextBtn);
    for (std::size_t step = 1; step < std::size(kSteps); ++step) {
      wizard.Arrive(kSteps[step].page, suffix);
      kSteps[step].act(wizard);
      wizard.Click(kNextBtn);
    }
    wizard.Arrive("SummaryPage", suffix);
    if (i + 1 == languages.size()) break;
    wizard.Click(kCancelBtn);
    wizard.Answer(wizard.WaitForBox(kBoxTimeoutMs), IDNO);
    wizard.report().Line("STAYED SummaryPage" + suffix);
    // Back unlogged: the back walk has its own command, this one is about the texts.
    for (std::size_t step = std::size(kSteps); step-- > 0;) {
      wizard.Click(kBackBtn);
      wizard.WaitUntil([&] { return wizard.CurrentPage() == kSteps[step].page; }, kBoxTimeoutMs,
                       std::string("Back to ") + kSteps[step].page);
    }
  }
  CancelWithYes(wizard);
}

void BackFromEveryPage(Wizard& wizard) {
  ForwardTo(wizard, "SummaryPage");
  for (std::size_t i = std::size(kSteps); i-- > 0;) {
    const char* from = i + 1 < std::size(kSteps) ? kSteps[i + 1].page : "SummaryPage";
    if (!wizard.Enabled(kBackBtn)) {
      wizard.report().Line(std::string("NOBACK ") + from);
      break;
    }
    wizard.Click(kBackBtn);
    wizard.Arrive(kSteps[i].page, "-back");
  }
  CancelWithYes(wizard);
}

void RefusedDestinationWalk(Wizard& wizard) {
  ForwardTo(wizard, "ProgramDestination");
  ChooseDestination(wizard);
  wizard.Click(kNextBtn);
  wizard.Answer(wizard.WaitForBox(kBoxTimeoutMs), IDOK);
  Sleep(500);
  if (wizard.PeekBox().window) Fail("another box came after OK");
  wizard.Arrive("ProgramDestination", "-after-box");
  wizard.report().Line("STAYED ProgramDestination");
  CancelWithYes(wizard);
}

void EnterOnDestination(Wizard& wizard) {
  constexpr int kPlaces[] = {kDestinationDirectoryBox, kDestinationDriveBox, kDestinationEdit};
  ForwardTo(wizard, "ProgramDestination");
  for (const int place : kPlaces) {
    FocusByTab(wizard, place);
    wizard.PressKey(VK_RETURN);
    wizard.Arrive("IconPage", std::string("-enter-from-") + ControlName(place));
    wizard.Click(kBackBtn);
    wizard.Arrive("ProgramDestination", "-back");
  }
  // The drive list opened from the keyboard takes Enter as the end of its choice.
  FocusByTab(wizard, kDestinationDriveBox);
  HWND drives = wizard.Control(kDestinationDriveBox);
  wizard.PressKey(VK_F4);
  wizard.WaitUntil([&] { return DroppedDown(drives); }, kBoxTimeoutMs, "the drive list open");
  wizard.PressKey(VK_RETURN);
  wizard.WaitUntil([&] { return !DroppedDown(drives); }, kBoxTimeoutMs, "the drive list closed");
  Sleep(500);
  if (wizard.CurrentPage() != "ProgramDestination") {
    Fail("Enter in the open drive list left the page for " + wizard.CurrentPage());
  }
  wizard.report().Line("STAYED ProgramDestination after Enter in the open drive list");
  CancelWithYes(wizard);
}

void DamagedWalk(Wizard& wizard) {
  ForwardTo(wizard, "SummaryPage");
  Install(wizard, false);
  Sleep(1000);
  if (MessageBoxInfo box = wizard.PeekBox(); box.window) {
    wizard.report().Line("BOX [" + box.buttons + "] [" + box.caption + "] " + OneLine(box.text));
    Fail("a second box came after the error");
  }
  wizard.Arrive("ActionPage", "-after-error");
  CancelWithYes(wizard);
}

}  // namespace e2e
