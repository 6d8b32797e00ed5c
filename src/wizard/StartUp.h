#pragma once
// The window-free part of the setup's start-up, which the dialog, mksetup run and the test
// programs share, so that whatever plans an installation starts from the same reading.
#include <string>

#include "platform/Resources.h"
#include "platform/Session.h"
#include "script/SetupState.h"

namespace setup {

// Loads the script from "SetupInfo" and reads its first line (LanguagesOffered), its header and
// its add-on captions; opens "SetupData" as state.Payload and reads entry 0, leaving the reader
// behind it for the run; sets UserName from the login name ("<unknown>" when there is none or it
// does not fit GetUserNameA's 20 characters). Returns entry 0: the licence text of all three
// languages. Throws SetupError as the readers do ("Resource SetupInfo not found", ...).
std::string ReadSetupStart(SetupState& state, Resources& resources, Session& session);

}  // namespace setup
