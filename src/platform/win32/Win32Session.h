#pragma once
#include "platform/Session.h"

namespace setup {

class Win32Session : public Session {
 public:
  std::string LoginName() override;
  bool IsUserAdmin() override;
  std::string DecimalSeparator() override;
  std::string WindowsFolder() override;
  std::string SystemFolder() override;
};

}  // namespace setup
