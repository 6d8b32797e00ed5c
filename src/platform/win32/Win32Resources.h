#pragma once
// The module's RCDATA resources as spans over the loaded image: no copy, no file reads.
#include "platform/Resources.h"

namespace setup {

class Win32Resources : public Resources {
 public:
  std::optional<ByteSpan> FindRcData(const std::string& name) override;
};

}  // namespace setup
