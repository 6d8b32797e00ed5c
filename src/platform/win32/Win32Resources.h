#pragma once
// The module's RCDATA resources as spans over the loaded image: no copy, no file reads.
#include "platform/Resources.h"

namespace setup {

class Win32Resources : public Resources {
 public:
  std::optional<ByteSpan> FindRcData(const std::string& name) override;
  // Takes the whole pages inside `consumed` out of the working set.
  void GiveBack(ByteSpan consumed) override;
};

}  // namespace setup
