// The start-up sequence of the setup dialog, run once before its first page is painted.
#include "wizard/StartUp.h"

#include "payload/LicenceText.h"
#include "payload/PayloadReader.h"
#include "script/ScriptHeader.h"
#include "script/VendorIdentity.h"
#include "text/Utf8.h"
#include "wizard/SetupDlg.h"

namespace setup {
namespace {

// GetUserNameA is called with room for 20 characters: a name of 20 or more does not fit.
constexpr std::size_t kLongestUserName = 19;

std::string UserNameOf(const std::string& login) {
  return login.empty() || CharacterCount(login) > kLongestUserName ? "<unknown>" : login;
}

}  // namespace

std::string ReadSetupStart(SetupState& state, Resources& resources, Session& session) {
  LoadSetupScript(state, resources);
  ReadScriptHeader(state, session.DecimalSeparator());
  state.Identity = ReadVendorIdentity(resources);
  ReadAddOnCaptions(state);
  state.Payload = OpenPayload(resources);
  std::string licence = ReadLicenceText(*state.Payload);
  state.UserName = UserNameOf(session.LoginName());
  return licence;
}

// The drive box comes first, as the form fills it when the dialog is created.
void TMorvexDialog::FormShow() {
  FillDriveBox();
  Controls.AllLicenceMemo.Text = ReadSetupStart(State, platform_.resources, platform_.session);
  Controls.GermanBox.Enabled = State.LanguagesOffered.German;
  Controls.EnglishBox.Enabled = State.LanguagesOffered.English;
  Controls.FrenchBox.Enabled = State.LanguagesOffered.French;
  Controls.ActivePage = State.PreselectedLanguage == '*' ? Page::Language : Page::Welcome;
  Controls.KorvaltCheckBox.Text = State.Identity.addOnCaptionGerman;  // the form's language
  if (State.AddOnTicked) Controls.KorvaltCheckBox.Checked = true;
  Controls.DirectStartBox.Visible = !State.MainProgram.empty();
  switch (State.PreselectedLanguage) {
    case 'G':
      GermanBoxClick();
      break;
    case 'E':
      EnglishBoxClick();
      break;
    case 'F':
      FrenchBoxClick();
      break;
    default:
      return;
  }
  ChooseReadMeFile();
}

}  // namespace setup
