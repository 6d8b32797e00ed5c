// The page navigation of the setup dialog: the transition table, the summary, the installation
// step with its protection, the cancel confirmation and the finishing actions.
#include <algorithm>
#include <exception>

#include "payload/LicenceText.h"
#include "script/Macros.h"
#include "script/SystemFolders.h"
#include "text/FolderPath.h"
#include "wizard/LanguageTexts.h"
#include "wizard/SetupDlg.h"
#include "wizard/Summary.h"

namespace setup {

void TMorvexDialog::NextBtnClick() {
  Move(WizardButton::Next);
}
void TMorvexDialog::BackBtnClick() {
  Move(WizardButton::Back);
}

void TMorvexDialog::Move(WizardButton button) {
  struct Transition {
    Page page;
    WizardButton button;
    void (TMorvexDialog::*action)();
  };
  static constexpr Transition kTransitions[] = {
      {Page::Language, WizardButton::Next, &TMorvexDialog::LeaveLanguagePage},
      {Page::Welcome, WizardButton::Next, &TMorvexDialog::LeaveWelcomePage},
      {Page::Licence, WizardButton::Next, &TMorvexDialog::EnterDestinationPage},
      {Page::ProgramDestination, WizardButton::Next, &TMorvexDialog::LeaveDestinationPage},
      {Page::Icon, WizardButton::Next, &TMorvexDialog::FillSummary},
      {Page::Summary, WizardButton::Next, &TMorvexDialog::Install},
      {Page::Welcome, WizardButton::Back, &TMorvexDialog::BackToLanguagePage},
      {Page::Licence, WizardButton::Back, &TMorvexDialog::BackToWelcomePage},
      {Page::ProgramDestination, WizardButton::Back, &TMorvexDialog::BackToLicencePage},
      {Page::Icon, WizardButton::Back, &TMorvexDialog::BackToDestinationPage},
      {Page::Summary, WizardButton::Back, &TMorvexDialog::BackToIconPage},
  };
  for (const Transition& transition : kTransitions) {
    if (transition.button == button && Controls.ActivePage == transition.page) {
      (this->*transition.action)();
      return;
    }
  }
}

void TMorvexDialog::CancelBtnClick() {
  if (Controls.ActivePage == Page::Finish) {
    FinishingActions();
  } else {
    ConfirmCancel();
  }
}

// Tests German, English, French in that order; changes nothing while no language is selected.
void TMorvexDialog::ChooseReadMeFile() {
  if (Controls.GermanBox.Checked) {
    State.ReadMeFile = State.ReadMeGerman;
  } else if (Controls.EnglishBox.Checked) {
    State.ReadMeFile = State.ReadMeEnglish;
  } else if (Controls.FrenchBox.Checked) {
    State.ReadMeFile = State.ReadMeFrench;
  }
  Controls.ReadMeBox.Visible = !State.ReadMeFile.empty();
}

void TMorvexDialog::LeaveLanguagePage() {
  Controls.ActivePage = Page::Welcome;
  Controls.BackBtn.Enabled = true;
  ChooseReadMeFile();
}

void TMorvexDialog::LeaveWelcomePage() {
  ResolveSystemFolders(State, platform_.registry, Controls.OneUserBtn.Checked);
  Controls.LizenzMemo.Text =
      SelectLicenceText(Controls.AllLicenceMemo.Text, LanguageInForce(Controls));
  Controls.ActivePage = Page::Licence;
  Controls.NextBtn.Enabled = false;
  Controls.AgreeBox.Checked = false;
  Controls.BackBtn.Enabled = true;
}

// A program-files folder without a drive letter (a lone backslash, or empty when its key could
// not be opened) is taken on the drive the box shows.
void TMorvexDialog::EnterDestinationPage() {
  std::string folder = State.ProgramFilesFolder;
  if (folder.size() >= 2 && folder[1] == ':') {
    SetDrive(folder.substr(0, 1) + ":\\");
  } else {
    const std::string& drive = Controls.DestinationDriveBox.Text;
    const std::size_t start = std::min(folder.find_first_not_of('\\'), folder.size());
    folder = (drive.empty() ? "C" : drive.substr(0, 1)) + ":\\" + folder.substr(start);
  }
  SetDirectory(folder);  // a folder that does not exist keeps the wizard on the licence page
  Controls.ActivePage = Page::ProgramDestination;
}

// A destination without its drive or share would be taken against whatever drive and folder are
// current when the run starts, and the log would name its files the same way: an uninstaller
// started from elsewhere would remove files that are not the product's.
void TMorvexDialog::LeaveDestinationPage() {
  if (!IsAbsoluteFolder(Controls.DestinationEdit.Text)) {
    constexpr unsigned kOkExclamation = 48;
    const WizardTexts& texts = TextsFor(LanguageInForce(Controls));
    platform_.ui.AskUser(texts.destinationCaption, texts.destinationText, kOkExclamation);
    return;
  }
  Controls.ActivePage = Page::Icon;
}

void TMorvexDialog::FillSummary() {
  Controls.SummaryMemo.Items = SummaryLines(Controls);
  Controls.SummaryMemo.Text = JoinMemoLines(Controls.SummaryMemo.Items);
  Controls.NextBtn.Text = TextsFor(LanguageInForce(Controls)).installCaption;
  Controls.ActivePage = Page::Summary;
}

void TMorvexDialog::BackToLanguagePage() {
  Controls.ActivePage = Page::Language;
  Controls.BackBtn.Enabled = false;
}

void TMorvexDialog::BackToWelcomePage() {
  Controls.ActivePage = Page::Welcome;
  Controls.NextBtn.Enabled = true;
  Controls.BackBtn.Enabled = State.PreselectedLanguage == '*';
}

void TMorvexDialog::BackToLicencePage() {
  Controls.ActivePage = Page::Licence;
  Controls.NextBtn.Enabled = false;
  Controls.AgreeBox.Checked = false;
}

void TMorvexDialog::BackToDestinationPage() {
  Controls.ActivePage = Page::ProgramDestination;
}

void TMorvexDialog::BackToIconPage() {
  Controls.ActivePage = Page::Icon;
  Controls.NextBtn.Text = TextsFor(LanguageInForce(Controls)).forwardCaption;
}

void TMorvexDialog::Install() {
  Controls.ActivePage = Page::Action;
  Controls.NextBtn.Enabled = false;
  Controls.NextBtn.Default = false;
  Controls.BackBtn.Enabled = false;
  Controls.CancelBtn.Enabled = false;
  // The run pumps no messages: let the view show the action page before the first question.
  platform_.ui.Repaint(PaintOf(Controls.ActionLabel));
  bool declined = false;
  try {
    declined = run_(State, Controls, platform_);
  } catch (...) {
    // Keys and clicks made during the run would answer the error display by themselves.
    platform_.ui.DiscardInput();
    Controls.CancelBtn.Enabled = true;
    Controls.CancelBtn.Default = true;
    throw;  // to the general error display; the wizard stays on the action page
  }
  // The run handled no input: an Esc or a click made meanwhile would close the completion
  // message unread, or press the finish page's button the moment it is enabled.
  platform_.ui.DiscardInput();
  Controls.CancelBtn.Enabled = true;
  Controls.CancelBtn.Default = true;
  if (declined) {
    ShowNothingInstalled();
    return;
  }
  const WizardTexts& texts = TextsFor(LanguageInForce(Controls));
  Controls.ProgressBar.Position = 100;
  Controls.PercentLabel.Text = "100%";
  platform_.ui.AskUser(State.ProductName, texts.completionText, 0);
  Controls.CancelBtn.Text = texts.finishedCaption;
  Controls.ActivePage = Page::Finish;
}

// The run gives no sign of a declined administrator question; the finish page then says that
// nothing was installed, offers nothing to start and closes on the one working button.
void TMorvexDialog::ShowNothingInstalled() {
  const WizardTexts& texts = TextsFor(LanguageInForce(Controls));
  nothingInstalled_ = true;
  Controls.FinishLabel.Text = texts.nothingInstalled;
  Controls.NoBootLabel.Visible = false;
  Controls.ReadMeBox.Visible = false;
  Controls.ReadMeBox.Checked = false;
  Controls.DirectStartBox.Visible = false;
  Controls.DirectStartBox.Checked = false;
  Controls.CancelBtn.Text = texts.closeCaption;
  Controls.ActivePage = Page::Finish;
}

// The system's text editor by its full path: by the bare name, Windows would first look in the
// folder holding setup.exe (usually the download folder) and start whatever lies there under
// that name. Newer systems may keep it only in the system folder.
std::string TMorvexDialog::ReadMeViewer() {
  const std::string windows = platform_.session.WindowsFolder() + "NOTEPAD.EXE";
  if (platform_.files.FileExists(windows)) return windows;
  const std::string system = platform_.session.SystemFolder() + "NOTEPAD.EXE";
  return platform_.files.FileExists(system) ? system : windows;
}

// Paths are quoted so that a destination with blanks starts the right program and file.
void TMorvexDialog::FinishingActions() {
  constexpr int kShowNormal = 1;
  if (Controls.DirectStartBox.Checked && !State.MainProgram.empty()) {
    platform_.shell.StartProgram("\"" + State.MainProgram + "\"", kShowNormal);
  }
  if (Controls.ReadMeBox.Checked && !State.ReadMeFile.empty()) {
    platform_.shell.StartProgram(
        "\"" + ReadMeViewer() + "\" \"" + ExpandMacros(State, State.ReadMeFile) + "\"",
        kShowNormal);
  }
  closed_ = true;
}

void TMorvexDialog::ConfirmCancel() {
  constexpr unsigned kYesNoExclamation = 52;
  const WizardTexts& texts = TextsFor(LanguageInForce(Controls));
  const std::string text =
      FormatOne(texts.cancelSentence, State.ProductName) + texts.cancelQuestion;
  if (platform_.ui.AskUser(texts.cancelCaption, text, kYesNoExclamation)) closed_ = true;
}

}  // namespace setup
