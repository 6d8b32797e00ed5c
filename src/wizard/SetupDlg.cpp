#include "wizard/SetupDlg.h"

#include <exception>

#include "payload/DiskSpaceText.h"
#include "platform/Error.h"
#include "script/Macros.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"
#include "wizard/DirectoryList.h"
#include "wizard/ErrorDisplay.h"
#include "wizard/LanguageTexts.h"

namespace setup {
namespace {

char DriveLetterOf(const std::string& text) {
  return ToUpperAscii(text.empty() ? '\0' : text[0]);
}

std::string DriveRoot(char letter) {
  return std::string(1, letter) + ":\\";
}

}  // namespace

TMorvexDialog::TMorvexDialog(Platform& platform, InstallationRun run)
    : platform_(platform), run_(std::move(run)) {}

void TMorvexDialog::Show() {
  try {
    FormShow();
  } catch (const std::exception& error) {
    // Without its script or licence the wizard has nothing to offer: say why and end.
    ShowError(error.what());
    closed_ = true;
  }
}

void TMorvexDialog::Handle(void (TMorvexDialog::*handler)()) {
  try {
    (this->*handler)();
  } catch (const std::exception& error) {
    ShowError(error.what());
  }
}

void TMorvexDialog::ShowError(const std::string& message) {
  platform_.ui.AskUser(kApplicationTitle, ErrorDisplayText(message), kErrorBoxFlags);
}

void TMorvexDialog::GermanBoxClick() {
  SelectLanguage('G');
}
void TMorvexDialog::EnglishBoxClick() {
  SelectLanguage('E');
}
void TMorvexDialog::FrenchBoxClick() {
  SelectLanguage('F');
}

void TMorvexDialog::SelectLanguage(char language) {
  Controls.GermanBox.Checked = language == 'G';
  Controls.EnglishBox.Checked = language == 'E';
  Controls.FrenchBox.Checked = language == 'F';
  Controls.NextBtn.Enabled = true;
  RelabelControls(Controls, State, language);
  // The free-space sentence follows the language too, so that no page mixes two languages.
  if (!State.FreeSpaceText.empty()) DestinationDriveBoxChange();
}

void TMorvexDialog::AgreeBoxClick() {
  Controls.NextBtn.Enabled = Controls.AgreeBox.Checked;
}

void TMorvexDialog::DestinationDirectoryBoxChange() {
  std::string folder = Controls.DestinationDirectoryBox.Text;
  EnsureTrailingBackslash(folder);
  Controls.DestinationEdit.Text = folder + State.DefaultSubFolder;
}

void TMorvexDialog::DestinationDriveBoxChange() {
  DiskSpace space;
  std::optional<DiskSpace> answer;
  const std::string root = DriveRoot(DriveLetterOf(Controls.DestinationDriveBox.Text));
  if (platform_.disk.GetDiskSpace(root, space)) answer = space;
  DiskSpaceTexts texts =
      MakeDiskSpaceTexts(answer, LanguageInForce(Controls), platform_.session.DecimalSeparator());
  State.FreeSpaceText = texts.FreeSpaceText;
  State.TotalSpaceText = texts.TotalSpaceText;
  Controls.DiskSpaceLabel2.Text = texts.Sentence;
}

// The drive box is filled when the dialog is created; it takes the drive C: when there is one.
void TMorvexDialog::FillDriveBox() {
  Control& box = Controls.DestinationDriveBox;
  box.Items = platform_.disk.ListDrives();
  if (box.Items.empty()) return;
  box.ItemIndex = 0;
  for (std::size_t i = 0; i < box.Items.size(); ++i) {
    if (DriveLetterOf(box.Items[i]) == 'C') box.ItemIndex = static_cast<int>(i);
  }
  box.Text = box.Items[box.ItemIndex];
  DestinationDriveBoxChange();
  const std::string root = DriveRoot(DriveLetterOf(box.Text));
  if (platform_.files.DirectoryExists(root)) {
    DirectoryListing listing = ListDirectory(root, platform_.disk.ListSubFolders(root));
    Controls.DestinationDirectoryBox.Text = root;
    Controls.DestinationDirectoryBox.Items = listing.items;
    Controls.DestinationDirectoryBox.ItemIndex = listing.currentIndex;
  }
}

// Setting the drive that the box already shows refreshes nothing.
void TMorvexDialog::SetDrive(const std::string& root) {
  Control& box = Controls.DestinationDriveBox;
  const char letter = DriveLetterOf(root);
  if (!box.Text.empty() && DriveLetterOf(box.Text) == letter) return;
  box.ItemIndex = -1;
  for (std::size_t i = 0; i < box.Items.size(); ++i) {
    if (DriveLetterOf(box.Items[i]) == letter) box.ItemIndex = static_cast<int>(i);
  }
  if (box.ItemIndex < 0) {
    box.Items.push_back(DriveRoot(letter));
    box.ItemIndex = static_cast<int>(box.Items.size()) - 1;
  }
  box.Text = box.Items[box.ItemIndex];
  DestinationDriveBoxChange();
}

// Every entry of a directory, also of the one already shown, recomputes DestinationEdit.
void TMorvexDialog::SetDirectory(const std::string& folder) {
  const std::string path = NormaliseDirectory(folder);
  if (!platform_.files.DirectoryExists(path)) {
    throw SetupError("The folder " + path + " cannot be opened");
  }
  ShowDirectory(path, platform_.disk.ListSubFolders(path));
}

void TMorvexDialog::ShowDirectory(const std::string& path,
                                  const std::vector<std::string>& subFolders) {
  DirectoryListing listing = ListDirectory(path, subFolders);
  Control& box = Controls.DestinationDirectoryBox;
  box.Text = path;
  box.Items = listing.items;
  box.ItemIndex = listing.currentIndex;
  DestinationDirectoryBoxChange();
}

void TMorvexDialog::OpenDirectoryItem(int index) {
  const Control& box = Controls.DestinationDirectoryBox;
  const DirectoryListing listing{box.Items, box.ItemIndex};
  const std::string folder = DirectoryOfItem(box.Text, listing, index);
  if (!folder.empty()) EnterFolder(folder);
}

void TMorvexDialog::EnterFolder(const std::string& folder) {
  try {
    SetDirectory(folder);
  } catch (const std::exception& error) {
    ShowError(error.what());
  }
}

// The drive box, the folder list and DestinationEdit always name one drive, so the summary never
// pairs one drive's sizes with another drive's folder. A drive that cannot be entered (no
// medium) shows its "-1 B" sizes and only its root in the list; the run will say what fails.
void TMorvexDialog::ChooseDrive(int index) {
  const Control& box = Controls.DestinationDriveBox;
  if (index < 0 || index >= static_cast<int>(box.Items.size())) return;
  const std::string root = DriveRoot(DriveLetterOf(box.Items[index]));
  if (DriveLetterOf(box.Text) == DriveLetterOf(root)) return;
  SetDrive(root);
  if (platform_.files.DirectoryExists(root)) {
    EnterFolder(root);
  } else {
    ShowDirectory(root, {});
  }
}

}  // namespace setup
