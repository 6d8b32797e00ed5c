#include "wizard/Summary.h"

#include "wizard/LanguageTexts.h"

namespace setup {
namespace {

const Control& SelectedLanguageButton(const DialogControls& controls) {
  switch (LanguageInForce(controls)) {
    case 'G':
      return controls.GermanBox;
    case 'F':
      return controls.FrenchBox;
    default:
      return controls.EnglishBox;
  }
}

}  // namespace

std::vector<std::string> SummaryLines(const DialogControls& controls) {
  const Control& user = controls.OneUserBtn.Checked ? controls.OneUserBtn : controls.AllUserBtn;
  std::vector<std::string> lines = {
      controls.InstallLabel.Text,
      SelectedLanguageButton(controls).Text + ".",
      user.Text + ".",
      controls.DiskSpaceLabel1.Text,
      controls.DiskSpaceLabel2.Text,
      "",
      controls.DestinationLabel.Text,
      controls.DestinationEdit.Text,
      "",
      controls.StartMenueLabel.Text + ".",
  };
  if (controls.DesktopBox.Checked) lines.push_back(controls.DesktopBox.Text + ".");
  if (controls.QuickLaunchBox.Checked) lines.push_back(controls.QuickLaunchBox.Text + ".");
  return lines;
}

std::string JoinMemoLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace setup
