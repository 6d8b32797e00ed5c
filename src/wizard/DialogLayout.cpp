#include "wizard/DialogLayout.h"

#include <algorithm>
#include <array>

#include "wizard/ControlIds.h"

namespace setup {
namespace {

using namespace controlids;
using K = ControlKind;
using P = ControlParent;
using D = DialogControls;

constexpr int kBanner = kNoPage;
constexpr int kButtons = kNoPage;
constexpr int kAuto = 0;
constexpr const char* kVersionText = "V12";  // a label without a size takes the size of its text

// Within a page the tab stops come first, in their order, then the controls that take no focus.
constexpr LayoutEntry kLayout[] = {
    // The banner holds no state: its controls show what the form gives them for good.
    {kVersionLabel1, nullptr, K::VersionLabel, P::BigPanel, kBanner, 535, 42, 67, 42, kNoTabStop,
     ControlFont::Version, 0, false, kVersionText},
    {kVersionLabel2, nullptr, K::VersionLabel, P::BigPanel, kBanner, 538, 44, 67, 42, kNoTabStop,
     ControlFont::Version, 0, false, kVersionText},
    // Below the two labels: the view keeps the banner from painting over them.
    {kLogoImage, nullptr, K::Picture, P::BigPanel, kBanner, 10, 10, 601, 75, kNoTabStop,
     ControlFont::Normal, kLogoBitmap},
    // LanguagePage
    {kEnglishBox, &D::EnglishBox, K::Radio, P::Page, 0, 336, 80, 193, 17, 0, ControlFont::Normal, 0,
     true},
    {kGermanBox, &D::GermanBox, K::Radio, P::Page, 0, 256, 144, 193, 17, 1},
    {kFrenchBox, &D::FrenchBox, K::Radio, P::Page, 0, 176, 208, 193, 17, 2},
    {kEnglishUSFlagImage, &D::EnglishUSFlagImage, K::Picture, P::Page, 0, 256, 68, 60, 40,
     kNoTabStop, ControlFont::Normal, kEnglishUSFlagBitmap},
    {kGermanFlagImage, &D::GermanFlagImage, K::Picture, P::Page, 0, 176, 132, 60, 40, kNoTabStop,
     ControlFont::Normal, kGermanFlagBitmap},
    {kFrenchFlagImage, &D::FrenchFlagImage, K::Picture, P::Page, 0, 96, 196, 60, 40, kNoTabStop,
     ControlFont::Normal, kFrenchFlagBitmap},
    // WelcomePage
    {kOneUserBtn, &D::OneUserBtn, K::Radio, P::Page, 1, 80, 136, 529, 17, 0, ControlFont::Normal, 0,
     true},
    {kAllUserBtn, &D::AllUserBtn, K::Radio, P::Page, 1, 80, 160, 529, 17, 1},
    {kKorvaltCheckBox, &D::KorvaltCheckBox, K::CheckBox, P::Page, 1, 82, 208, 519, 17, 2},
    {kWelcomeLabel, &D::WelcomeLabel, K::Label, P::Page, 1, 16, 32, 593, 49, kNoTabStop,
     ControlFont::WelcomeBold},
    {kInstallLabel, &D::InstallLabel, K::Label, P::Page, 1, 16, 80, 561, 33, kNoTabStop},
    // LicencePage
    {kLizenzMemo, &D::LizenzMemo, K::Memo, P::Page, 2, 8, 24, 601, 227, 0},
    {kAgreeBox, &D::AgreeBox, K::CheckBox, P::Page, 2, 96, 260, 313, 17, 1},
    {kAllLicenceMemo, &D::AllLicenceMemo, K::PlainMemo, P::Page, 2, 368, 184, 185, 89, 2},
    {kLizenzLabel, &D::LizenzLabel, K::Label, P::Page, 2, 16, 8, kAuto, kAuto, kNoTabStop},
    // ProgramDestination
    {kDestinationDirectoryBox, &D::DestinationDirectoryBox, K::DirectoryList, P::Page, 3, 16, 72,
     585, 137, 0},
    {kDestinationDriveBox, &D::DestinationDriveBox, K::DriveList, P::Page, 3, 16, 216, 585, 19, 1},
    {kDestinationEdit, &D::DestinationEdit, K::Edit, P::Page, 3, 16, 40, 585, 28, 2,
     ControlFont::DestinationBold},
    {kDestinationLabel, &D::DestinationLabel, K::Label, P::Page, 3, 16, 16, kAuto, kAuto,
     kNoTabStop},
    {kDiskSpaceLabel1, &D::DiskSpaceLabel1, K::Label, P::Page, 3, 16, 248, kAuto, kAuto,
     kNoTabStop},
    {kDiskSpaceLabel2, &D::DiskSpaceLabel2, K::Label, P::Page, 3, 16, 264, kAuto, kAuto,
     kNoTabStop},
    // IconPage
    {kDesktopBox, &D::DesktopBox, K::CheckBox, P::Page, 4, 112, 112, 497, 17, 0},
    {kQuickLaunchBox, &D::QuickLaunchBox, K::CheckBox, P::Page, 4, 112, 160, 497, 17, 1},
    {kStartMenueBox, &D::StartMenueBox, K::CheckBox, P::Page, 4, 112, 64, 17, 17, 2},
    {kIconLabel, &D::IconLabel, K::Label, P::Page, 4, 40, 24, kAuto, kAuto, kNoTabStop},
    {kProgramFolderImage, &D::ProgramFolderImage, K::Picture, P::Page, 4, 69, 59, 25, 25,
     kNoTabStop, ControlFont::Normal, kProgramFolderBitmap},
    {kStartMenueLabel, &D::StartMenueLabel, K::Label, P::Page, 4, 130, 65, kAuto, kAuto,
     kNoTabStop},
    {kIconImage, &D::IconImage, K::Icon, P::Page, 4, 65, 105, 31, 33, kNoTabStop,
     ControlFont::Normal, kProgramIcon},
    {kQuickLaunchBarMEImage, &D::QuickLaunchBarMEImage, K::Picture, P::Page, 4, 162, 187, 161, 25,
     kNoTabStop, ControlFont::Normal, kQuickLaunchBarMEBitmap},
    {kQuickLaunchBarXPImage, &D::QuickLaunchBarXPImage, K::Picture, P::Page, 4, 162, 219, 215, 33,
     kNoTabStop, ControlFont::Normal, kQuickLaunchBarXPBitmap},
    // SummaryPage
    {kReadyLabel, &D::ReadyLabel, K::Label, P::Page, 5, 16, 8, kAuto, kAuto, kNoTabStop},
    {kSummaryMemo, &D::SummaryMemo, K::ReadOnlyMemo, P::Page, 5, 8, 24, 601, 257, kNoTabStop},
    // ActionPage
    {kInstallationLabel, &D::InstallationLabel, K::Label, P::Page, 6, 56, 80, kAuto, kAuto,
     kNoTabStop},
    {kActionLabel, &D::ActionLabel, K::Label, P::Page, 6, 56, 144, kAuto, kAuto, kNoTabStop},
    {kProgressBar, &D::ProgressBar, K::ProgressBar, P::Page, 6, 48, 164, 481, 21, kNoTabStop},
    {kPercentLabel, &D::PercentLabel, K::Label, P::Page, 6, 536, 168, kAuto, kAuto, kNoTabStop},
    // FinishPage
    {kDirectStartBox, &D::DirectStartBox, K::CheckBox, P::Page, 7, 56, 168, 473, 17, 0},
    {kReadMeBox, &D::ReadMeBox, K::CheckBox, P::Page, 7, 56, 144, 473, 17, 1},
    {kFinishLabel, &D::FinishLabel, K::Label, P::Page, 7, 24, 32, kAuto, kAuto, kNoTabStop},
    {kNoBootLabel, &D::NoBootLabel, K::Label, P::Page, 7, 24, 64, kAuto, kAuto, kNoTabStop},
    // ButtonPanel
    {kCancelBtn, &D::CancelBtn, K::Button, P::ButtonPanel, kButtons, 504, 8, 75, 25, 0},
    {kNextBtn, &D::NextBtn, K::Button, P::ButtonPanel, kButtons, 387, 8, 75, 25, 1},
    {kBackBtn, &D::BackBtn, K::Button, P::ButtonPanel, kButtons, 310, 8, 75, 25, 2},
};

}  // namespace

std::span<const LayoutEntry> DialogLayout() {
  return kLayout;
}

PixelRect ClientRect(const LayoutEntry& entry) {
  PixelRect rect{entry.x, entry.y, entry.width, entry.height};
  if (entry.parent == ControlParent::Page) {
    rect.x += kNotebookRect.x;
    rect.y += kNotebookRect.y;
  } else if (entry.parent == ControlParent::ButtonPanel) {
    rect.x += kButtonPanelRect.x;
    rect.y += kButtonPanelRect.y;
  }
  return rect;
}

int PageIndex(const std::string& pageName) {
  const std::optional<Page> page = PageNamed(pageName);
  return page ? PageIndex(*page) : kNoPage;
}

bool ShownNow(const LayoutEntry& entry, const DialogControls& controls) {
  if (!entry.control) return true;
  if (!(controls.*entry.control).Visible) return false;
  return entry.parent != ControlParent::Page || entry.page == PageIndex(controls.ActivePage);
}

std::vector<int> KeyboardOrder(const DialogControls& controls) {
  std::vector<const LayoutEntry*> stops;
  for (const LayoutEntry& entry : kLayout) {
    if (entry.tabOrder == kNoTabStop || !entry.control) continue;
    if ((controls.*entry.control).Enabled && ShownNow(entry, controls)) {
      stops.push_back(&entry);
    }
  }
  // The page's controls before the buttons, each group by its own tab order.
  std::stable_sort(stops.begin(), stops.end(), [](const LayoutEntry* a, const LayoutEntry* b) {
    const bool aButton = a->parent == ControlParent::ButtonPanel;
    const bool bButton = b->parent == ControlParent::ButtonPanel;
    if (aButton != bButton) return bButton;
    return a->tabOrder < b->tabOrder;
  });
  std::vector<int> ids;
  for (const LayoutEntry* entry : stops) ids.push_back(entry->id);
  return ids;
}

int NextTabStop(const DialogControls& controls, int currentId, bool backwards) {
  const std::vector<int> order = KeyboardOrder(controls);
  if (order.empty()) return 0;
  const int count = static_cast<int>(order.size());
  const auto found = std::find(order.begin(), order.end(), currentId);
  if (found == order.end()) return backwards ? order.back() : order.front();
  const int at = static_cast<int>(found - order.begin());
  return order[(at + (backwards ? count - 1 : 1)) % count];
}

int DefaultButtonId(const DialogControls& controls) {
  for (const LayoutEntry& entry : kLayout) {
    if (entry.kind == ControlKind::Button && (controls.*entry.control).Default) return entry.id;
  }
  return 0;
}

const LayoutEntry* FindLayoutEntry(int id) {
  for (const LayoutEntry& entry : kLayout) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

const LayoutEntry* FindLayoutEntry(const DialogControls& controls, const Control& control) {
  for (const LayoutEntry& entry : kLayout) {
    if (entry.control && &(controls.*entry.control) == &control) return &entry;
  }
  return nullptr;
}

}  // namespace setup
