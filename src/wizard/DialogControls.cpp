#include "wizard/DialogControls.h"

namespace setup {

// Gives every control its form name so that the view and the tests can address it.
DialogControls::DialogControls() {
  ActionLabel.Name = "ActionLabel";
  AgreeBox.Name = "AgreeBox";
  AllLicenceMemo.Name = "AllLicenceMemo";
  AllUserBtn.Name = "AllUserBtn";
  BackBtn.Name = "BackBtn";
  CancelBtn.Name = "CancelBtn";
  DesktopBox.Name = "DesktopBox";
  DestinationDirectoryBox.Name = "DestinationDirectoryBox";
  DestinationDriveBox.Name = "DestinationDriveBox";
  DestinationEdit.Name = "DestinationEdit";
  DestinationLabel.Name = "DestinationLabel";
  DirectStartBox.Name = "DirectStartBox";
  DiskSpaceLabel1.Name = "DiskSpaceLabel1";
  DiskSpaceLabel2.Name = "DiskSpaceLabel2";
  EnglishBox.Name = "EnglishBox";
  EnglishUSFlagImage.Name = "EnglishUSFlagImage";
  FinishLabel.Name = "FinishLabel";
  FrenchBox.Name = "FrenchBox";
  FrenchFlagImage.Name = "FrenchFlagImage";
  GermanBox.Name = "GermanBox";
  GermanFlagImage.Name = "GermanFlagImage";
  IconImage.Name = "IconImage";
  IconLabel.Name = "IconLabel";
  InstallLabel.Name = "InstallLabel";
  InstallationLabel.Name = "InstallationLabel";
  KorvaltCheckBox.Name = "KorvaltCheckBox";
  LizenzLabel.Name = "LizenzLabel";
  LizenzMemo.Name = "LizenzMemo";
  NextBtn.Name = "NextBtn";
  NoBootLabel.Name = "NoBootLabel";
  OneUserBtn.Name = "OneUserBtn";
  PercentLabel.Name = "PercentLabel";
  ProgramFolderImage.Name = "ProgramFolderImage";
  ProgressBar.Name = "ProgressBar";
  QuickLaunchBarMEImage.Name = "QuickLaunchBarMEImage";
  QuickLaunchBarXPImage.Name = "QuickLaunchBarXPImage";
  QuickLaunchBox.Name = "QuickLaunchBox";
  ReadMeBox.Name = "ReadMeBox";
  ReadyLabel.Name = "ReadyLabel";
  StartMenueBox.Name = "StartMenueBox";
  StartMenueLabel.Name = "StartMenueLabel";
  SummaryMemo.Name = "SummaryMemo";
  WelcomeLabel.Name = "WelcomeLabel";
}

}  // namespace setup
