#pragma once
// Facts about the user's session: login name, rights, locale.
#include <string>

namespace setup {

class Session {
 public:
  virtual ~Session() = default;
  // The login name, or empty when it cannot be read.
  virtual std::string LoginName() = 0;
  // Member of the enabled, not deny-only Administrators group (always true on Windows 9x).
  virtual bool IsUserAdmin() = 0;
  // The locale's decimal separator, "." when the locale gives none.
  virtual std::string DecimalSeparator() = 0;
};

}  // namespace setup
