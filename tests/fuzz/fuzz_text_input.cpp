// A vendor's script or licence text as mksetup takes it in: the encoding findings, the UTF-8
// conversion of --input-encoding utf-8, the script's lines and the licence's language markers,
// over arbitrary bytes. A converted text without findings must read back as the input: anything
// else would put other names and texts into the setup than the vendor wrote. A file marked as
// UTF-8 is accepted exactly when what follows the mark is well-formed, and its lines are the ones
// the setup splits from the decoded text, at the places of their bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/InputText.h"
#include "input/Licence.h"
#include "input/ScriptFile.h"
#include "io/ToolError.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<setup::mksetup::Finding> findings =
      setup::mksetup::EncodingFindings(bytes, "fuzz", "script");
  if (setup::HasUtf8ByteOrderMark(setup::ByteSpan(bytes)) &&
      findings.empty() != setup::IsValidUtf8(text.substr(3))) {
    __builtin_trap();
  }
  (void)setup::mksetup::MissingLicenceMarkers(setup::DecodeScriptText(text));
  const setup::mksetup::ScriptFile script = setup::mksetup::ParseScriptFile("fuzz", bytes);
  if (script.lines.size() != setup::SplitScriptLines(setup::DecodeScriptText(text)).size())
    __builtin_trap();
  for (const setup::mksetup::ScriptLine& line : script.lines) {
    if (line.offset + line.length > bytes.size()) __builtin_trap();
  }
  try {
    const setup::mksetup::ConvertedText converted = setup::mksetup::ConvertUtf8Input(bytes, "fuzz");
    if (converted.findings.empty()) {
      std::string input(text);
      if (input.rfind("\xEF\xBB\xBF", 0) == 0) input.erase(0, 3);
      const std::string again = setup::DecodeScriptText(std::string_view(
          reinterpret_cast<const char*>(converted.bytes.data()), converted.bytes.size()));
      if (again != input) __builtin_trap();
    }
  } catch (const setup::mksetup::ToolError&) {
  }
  return 0;
}
