// list's and extract's picture comparison over two arbitrary files, a built setup.exe and the
// stub it is told apart from: a clear error or a table, never a crash. The input is the built
// file's length (4 bytes, little-endian), the built file, then the stub.
#include <cstddef>
#include <cstdint>

#include "io/ToolError.h"
#include "resources/VendorPictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::size_t length = data[0] | data[1] << 8 | data[2] << 16 | std::size_t(data[3]) << 24;
  if (length > size - 4) return 0;
  const setup::ByteSpan built(data + 4, length);
  const setup::ByteSpan stub(data + 4 + length, size - 4 - length);
  try {
    for (const auto& origin : setup::mksetup::PictureOrigins(built, "built", stub, "stub")) {
      if (origin.name.empty() || origin.origin.empty()) __builtin_trap();
    }
    for (const auto& [name, bytes] :
         setup::mksetup::OwnPictureFiles(built, "built", stub, "stub")) {
      if (name.empty()) __builtin_trap();
    }
  } catch (const setup::mksetup::ToolError&) {
  }
  return 0;
}
