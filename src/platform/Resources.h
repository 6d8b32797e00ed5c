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
  // Bytes of a resource that the caller has read and will never read again (the payload is read
  // once, front to back): their memory may be given back, and what they hold afterwards is not
  // promised. Without this the run's working set grows by every page of the payload it touched.
  virtual void GiveBack(ByteSpan /*consumed*/) {}
};

}  // namespace setup
