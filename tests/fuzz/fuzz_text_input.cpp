// A vendor's script or licence text as mksetup takes it in: the encoding findings, the UTF-8 to
// Windows-1252 conversion and the licence's language markers, over arbitrary bytes. A converted
// text without findings must give the input back when turned into UTF-8 again: anything else
// would put other names and texts into the setup than the vendor wrote.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/InputText.h"
#include "input/Licence.h"
#include "io/Text1252.h"
#include "io/ToolError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  (void)setup::mksetup::EncodingFindings(bytes, "fuzz", "script");
  (void)setup::mksetup::MissingLicenceMarkers(std::string(bytes.begin(), bytes.end()));
  try {
    const setup::mksetup::ConvertedText converted =
        setup::mksetup::ConvertUtf8To1252(bytes, "fuzz");
    if (converted.findings.empty()) {
      std::string input(bytes.begin(), bytes.end());
      if (input.rfind("\xEF\xBB\xBF", 0) == 0) input.erase(0, 3);
      const std::string again =
          setup::mksetup::Utf8From1252(std::string(converted.bytes.begin(), converted.bytes.end()));
      if (again != input) __builtin_trap();
    }
  } catch (const setup::mksetup::ToolError&) {
  }
  return 0;
}
