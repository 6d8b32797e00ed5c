#include "script/SetupState.h"

#include "install/UninstallLog.h"
#include "payload/PayloadReader.h"

namespace setup {

SetupState::SetupState() = default;
SetupState::~SetupState() = default;

}  // namespace setup
