#pragma once
// The stable identities of the setup dialog's windows: the window class and the control ids the
// view gives every control, and the resource ids of the pictures. The end-to-end driver finds
// and presses controls by these, so they never change meaning.

namespace setup::controlids {

inline constexpr const char* kDialogClass = "TMorvexDialog";

enum ControlId : int {
  // Button panel
  kBackBtn = 1001,
  kNextBtn = 1002,
  kCancelBtn = 1003,
  // Banner
  kLogoImage = 1010,
  kVersionLabel1 = 1011,
  kVersionLabel2 = 1012,
  // LanguagePage
  kEnglishUSFlagImage = 1100,
  kGermanFlagImage = 1101,
  kFrenchFlagImage = 1102,
  kEnglishBox = 1103,
  kGermanBox = 1104,
  kFrenchBox = 1105,
  // WelcomePage
  kWelcomeLabel = 1200,
  kInstallLabel = 1201,
  kOneUserBtn = 1202,
  kAllUserBtn = 1203,
  kKorvaltCheckBox = 1204,
  // LicencePage
  kLizenzLabel = 1300,
  kLizenzMemo = 1301,
  kAgreeBox = 1302,
  kAllLicenceMemo = 1303,  // never shown
  // ProgramDestination
  kDestinationLabel = 1400,
  kDestinationEdit = 1401,
  kDestinationDirectoryBox = 1402,
  kDestinationDriveBox = 1403,
  kDiskSpaceLabel1 = 1404,
  kDiskSpaceLabel2 = 1405,
  // IconPage
  kIconLabel = 1500,
  kProgramFolderImage = 1501,
  kStartMenueBox = 1502,
  kStartMenueLabel = 1503,
  kIconImage = 1504,
  kDesktopBox = 1505,
  kQuickLaunchBox = 1506,
  kQuickLaunchBarMEImage = 1507,
  kQuickLaunchBarXPImage = 1508,
  // SummaryPage
  kReadyLabel = 1600,
  kSummaryMemo = 1601,
  // ActionPage
  kInstallationLabel = 1700,
  kActionLabel = 1701,
  kProgressBar = 1702,
  kPercentLabel = 1703,
  // FinishPage
  kFinishLabel = 1800,
  kNoBootLabel = 1801,
  kReadMeBox = 1802,
  kDirectStartBox = 1803,
};

// Resource ids of the pictures (BITMAP resources, and the program icon as ICON).
enum PictureId : int {
  kLogoBitmap = 200,
  kEnglishUSFlagBitmap = 201,
  kGermanFlagBitmap = 202,
  kFrenchFlagBitmap = 203,
  kProgramFolderBitmap = 204,
  kQuickLaunchBarMEBitmap = 205,
  kQuickLaunchBarXPBitmap = 206,
  kProgramIcon = 207,
};

}  // namespace setup::controlids
