#pragma once
// Facts about the user's session: login name, rights, locale, the system's folders.
#include <string>

namespace setup {

class Session {
 public:
  virtual ~Session() = default;
  // The login name, or empty when it cannot be read.
  virtual std::string LoginName() = 0;
  // Member of the enabled, not deny-only Administrators group.
  virtual bool IsUserAdmin() = 0;
  // The locale's decimal separator, "." when the locale gives none.
  virtual std::string DecimalSeparator() = 0;
  // The Windows folder and the system folder, each with a trailing backslash: where the system's
  // own programs are started from by full path, never by a bare name that Windows would first
  // look for beside setup.exe.
  virtual std::string WindowsFolder() = 0;
  virtual std::string SystemFolder() = 0;
};

}  // namespace setup
