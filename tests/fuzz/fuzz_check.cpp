// `mksetup check` on an arbitrary script, without a source tree: a ToolError is a fine answer, a
// crash or undefined behaviour is not.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "check/Check.h"
#include "input/ScriptFile.h"
#include "io/ToolError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const setup::mksetup::ScriptFile script =
        setup::mksetup::ParseScriptFile("fuzz", std::vector<std::uint8_t>(data, data + size));
    (void)setup::mksetup::CheckScript(script, {});
  } catch (const setup::mksetup::ToolError&) {
  }
  return 0;
}
