#pragma once
// The session of the simulated machine: facts the tests set.
#include "platform/Session.h"

namespace setup {

class SimSession : public Session {
 public:
  std::string LoginName() override { return loginName; }
  bool IsUserAdmin() override { return admin; }
  std::string DecimalSeparator() override { return decimalSeparator; }
  std::string WindowsFolder() override { return windowsFolder; }
  std::string SystemFolder() override { return systemFolder; }

  std::string loginName = "Tester";
  bool admin = true;
  std::string decimalSeparator = ".";
  std::string windowsFolder = "C:\\WINDOWS\\";
  std::string systemFolder = "C:\\WINDOWS\\system32\\";
};

}  // namespace setup
