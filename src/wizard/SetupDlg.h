#pragma once
// The setup dialog: its state (SetupState and every control), its event handlers and the
// operations the Win32 view calls for user input. No windows here: the handlers change the state
// and call the platform; the view draws the state.
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "script/SetupState.h"
#include "wizard/DialogControls.h"

namespace setup {

// The installation run; true when the user declined the administrator question.
using InstallationRun = std::function<bool(SetupState&, DialogControls&, Platform&)>;

enum class WizardButton { Next, Back };

class TMorvexDialog {
 public:
  TMorvexDialog(Platform& platform, InstallationRun run);

  SetupState State;
  DialogControls Controls;

  // The event handlers of the form.
  void FormShow();
  void GermanBoxClick();
  void EnglishBoxClick();
  void FrenchBoxClick();
  void AgreeBoxClick();
  void DestinationDirectoryBoxChange();
  void DestinationDriveBoxChange();
  void NextBtnClick();
  void BackBtnClick();
  void CancelBtnClick();

  // What the view calls. Each runs its handler under the general error display: an error that
  // escapes is shown and the dialog stays where the handler left it.
  void Show();  // FormShow; a failed start-up is shown and closes the dialog
  void Handle(void (TMorvexDialog::*handler)());
  void OpenDirectoryItem(int index);  // a double click in DestinationDirectoryBox
  void ChooseDrive(int index);        // a drive picked in DestinationDriveBox
  void ShowError(const std::string& message);

  bool Closed() const { return closed_; }
  // True after a run in which the user declined the administrator question.
  bool NothingInstalled() const { return nothingInstalled_; }

 private:
  void Move(WizardButton button);
  void SelectLanguage(char language);
  void ChooseReadMeFile();
  void LeaveLanguagePage();
  void LeaveWelcomePage();
  void EnterDestinationPage();
  void LeaveDestinationPage();
  void FillSummary();
  void Install();
  void ShowNothingInstalled();
  void BackToLanguagePage();
  void BackToWelcomePage();
  void BackToLicencePage();
  void BackToDestinationPage();
  void BackToIconPage();
  void FinishingActions();
  std::string ReadMeViewer();
  void ConfirmCancel();
  void FillDriveBox();
  void SetDrive(const std::string& root);
  void SetDirectory(const std::string& folder);
  void ShowDirectory(const std::string& path, const std::vector<std::string>& subFolders);
  void EnterFolder(const std::string& folder);

  Platform& platform_;
  InstallationRun run_;
  bool closed_ = false;
  bool nothingInstalled_ = false;
};

}  // namespace setup
