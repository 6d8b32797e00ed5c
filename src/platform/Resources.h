#pragma once
// The executable's own RCDATA resources, as read-only byte spans over the loaded image.
#include <optional>
#include <string>

#include "text/Bytes.h"

namespace setup {

class Resources {
 public:
  virtual ~Resources() = default;
  // The RCDATA resource of that name, or nothing when the module has none.
  virtual std::optional<ByteSpan> FindRcData(const std::string& name) = 0;
};

}  // namespace setup
