#pragma once
// Every control of the setup dialog as plain state, named as the form names them. The dialog
// class owns one of these; the installation run reads and writes the few it needs.
#include <string>

#include "wizard/Control.h"
#include "wizard/Page.h"

namespace setup {

struct DialogControls {
  DialogControls();

  Page ActivePage;

  Control ActionLabel;
  Control AgreeBox;
  Control AllLicenceMemo;
  Control AllUserBtn;
  Control BackBtn;
  Control CancelBtn;
  Control DesktopBox;
  Control DestinationDirectoryBox;
  Control DestinationDriveBox;
  Control DestinationEdit;
  Control DestinationLabel;
  Control DirectStartBox;
  Control DiskSpaceLabel1;
  Control DiskSpaceLabel2;
  Control EnglishBox;
  Control EnglishUSFlagImage;
  Control FinishLabel;
  Control FrenchBox;
  Control FrenchFlagImage;
  Control GermanBox;
  Control GermanFlagImage;
  Control IconImage;
  Control IconLabel;
  Control InstallLabel;
  Control InstallationLabel;
  Control KorvaltCheckBox;
  Control LizenzLabel;
  Control LizenzMemo;
  Control NextBtn;
  Control NoBootLabel;
  Control OneUserBtn;
  Control PercentLabel;
  Control ProgramFolderImage;
  Control ProgressBar;
  Control QuickLaunchBarMEImage;
  Control QuickLaunchBarXPImage;
  Control QuickLaunchBox;
  Control ReadMeBox;
  Control ReadyLabel;
  Control StartMenueBox;
  Control StartMenueLabel;
  Control SummaryMemo;
  Control WelcomeLabel;
};

// The language in force: 'G' when GermanBox is selected, else 'F' when FrenchBox is, else 'E'
// (also while no language is selected). The run's texts and log follow it as the pages do.
char LanguageInForce(const DialogControls& controls);

}  // namespace setup
