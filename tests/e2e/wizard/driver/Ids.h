#pragma once
// The setup dialog's pages and controls as the driver knows them: every id of ControlIds.h with
// its form name, and for each page the control whose visibility says that the page is shown.
#include "wizard/ControlIds.h"

namespace e2e {

using namespace setup::controlids;

struct NamedControl {
  int id;
  const char* name;
  const char* page;  // the page that holds it; "" for the banner and the button panel
};

inline constexpr NamedControl kControls[] = {
    {kBackBtn, "BackBtn", ""},
    {kNextBtn, "NextBtn", ""},
    {kCancelBtn, "CancelBtn", ""},
    {kVersionLabel1, "VersionLabel1", ""},
    {kVersionLabel2, "VersionLabel2", ""},
    {kEnglishBox, "EnglishBox", "LanguagePage"},
    {kGermanBox, "GermanBox", "LanguagePage"},
    {kFrenchBox, "FrenchBox", "LanguagePage"},
    {kWelcomeLabel, "WelcomeLabel", "WelcomePage"},
    {kInstallLabel, "InstallLabel", "WelcomePage"},
    {kOneUserBtn, "OneUserBtn", "WelcomePage"},
    {kAllUserBtn, "AllUserBtn", "WelcomePage"},
    {kKorvaltCheckBox, "KorvaltCheckBox", "WelcomePage"},
    {kLizenzLabel, "LizenzLabel", "LicencePage"},
    {kLizenzMemo, "LizenzMemo", "LicencePage"},
    {kAgreeBox, "AgreeBox", "LicencePage"},
    {kDestinationLabel, "DestinationLabel", "ProgramDestination"},
    {kDestinationEdit, "DestinationEdit", "ProgramDestination"},
    {kDestinationDirectoryBox, "DestinationDirectoryBox", "ProgramDestination"},
    {kDestinationDriveBox, "DestinationDriveBox", "ProgramDestination"},
    {kDiskSpaceLabel1, "DiskSpaceLabel1", "ProgramDestination"},
    {kDiskSpaceLabel2, "DiskSpaceLabel2", "ProgramDestination"},
    {kIconLabel, "IconLabel", "IconPage"},
    {kStartMenueBox, "StartMenueBox", "IconPage"},
    {kStartMenueLabel, "StartMenueLabel", "IconPage"},
    {kDesktopBox, "DesktopBox", "IconPage"},
    {kQuickLaunchBox, "QuickLaunchBox", "IconPage"},
    {kReadyLabel, "ReadyLabel", "SummaryPage"},
    {kSummaryMemo, "SummaryMemo", "SummaryPage"},
    {kInstallationLabel, "InstallationLabel", "ActionPage"},
    {kActionLabel, "ActionLabel", "ActionPage"},
    {kProgressBar, "ProgressBar", "ActionPage"},
    {kPercentLabel, "PercentLabel", "ActionPage"},
    {kFinishLabel, "FinishLabel", "FinishPage"},
    {kNoBootLabel, "NoBootLabel", "FinishPage"},
    {kReadMeBox, "ReadMeBox", "FinishPage"},
    {kDirectStartBox, "DirectStartBox", "FinishPage"},
};

inline const char* ControlName(int id) {
  for (const NamedControl& control : kControls) {
    if (control.id == id) return control.name;
  }
  return "?";
}

struct Page {
  const char* name;
  int marker;  // always visible while the page is the active one
};

// In the wizard's order.
inline constexpr Page kPages[] = {
    {"LanguagePage", kEnglishBox}, {"WelcomePage", kWelcomeLabel},
    {"LicencePage", kAgreeBox},    {"ProgramDestination", kDestinationEdit},
    {"IconPage", kIconLabel},      {"SummaryPage", kSummaryMemo},
    {"ActionPage", kProgressBar},  {"FinishPage", kFinishLabel},
};

}  // namespace e2e
