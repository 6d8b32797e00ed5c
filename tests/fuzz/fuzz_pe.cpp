// The PE resource reader over arbitrary bytes: a clear error or a result, never a crash.
#include <cstddef>
#include <cstdint>

#include "ToolError.h"
#include "pe/PeFile.h"
#include "pe/ResourceTree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const setup::ByteSpan bytes(data, size);
  try {
    const setup::mksetup::PeLayout layout = setup::mksetup::ReadPeLayout(bytes, "fuzz");
    for (const auto& resource : setup::mksetup::ListResources(bytes, layout, "fuzz")) {
      if (resource.offset + resource.size > size) __builtin_trap();
    }
    setup::mksetup::FindRcData(bytes, "SetupInfo", "fuzz");
  } catch (const setup::mksetup::ToolError&) {
  }
  return 0;
}
