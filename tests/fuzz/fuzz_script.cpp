// The script reader on arbitrary bytes: split, header, add-on scan, and the macro expansion of
// every remaining line. A SetupError is a fine answer; a crash or undefined behaviour is not.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "script/Macros.h"
#include "script/ScriptHeader.h"

namespace {

class SpanResources : public setup::Resources {
 public:
  explicit SpanResources(setup::ByteSpan data) : data_(data) {}
  std::optional<setup::ByteSpan> FindRcData(const std::string& name) override {
    if (name == "SetupInfo") return data_;
    return std::nullopt;
  }

 private:
  setup::ByteSpan data_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SpanResources resources(setup::ByteSpan(data, size));
  setup::SetupState state;
  try {
    setup::LoadSetupScript(state, resources);
    setup::ReadScriptHeader(state, size % 2 ? "," : ".");
    setup::ReadAddOnCaptions(state);
    state.DestinationFolder = "C:\\%S%d\\";
    state.AppDataFolder = state.DefaultSubFolder;
    for (const std::string& line : state.ScriptLines) setup::ExpandMacros(state, line);
  } catch (const setup::SetupError&) {
  }
  return 0;
}
