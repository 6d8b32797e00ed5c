// The PE resource reader (its look-ups and its whole tree), the version resource reader and the
// signer reader over arbitrary bytes: a clear error or a result, never a crash; a signature is
// named or has a reason, never both.
#include <cstddef>
#include <cstdint>

#include "io/ToolError.h"
#include "pe/PeFile.h"
#include "pe/ResourceTree.h"
#include "pe/Signature.h"
#include "resources/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const setup::ByteSpan bytes(data, size);
  // The bytes as a version resource of their own, as list reads any setup.exe's.
  try {
    setup::mksetup::ReadVersionInfo(bytes, "fuzz");
  } catch (const setup::mksetup::ToolError&) {
  }
  try {
    const setup::mksetup::PeLayout layout = setup::mksetup::ReadPeLayout(bytes, "fuzz");
    for (const auto& resource : setup::mksetup::ListResources(bytes, layout, "fuzz")) {
      if (resource.offset + resource.size > size) __builtin_trap();
    }
    setup::mksetup::FindRcData(bytes, "SetupInfo", "fuzz");
    // The whole tree, as build and the picture check read a stub or a built setup.exe.
    const setup::mksetup::ResourceTree tree =
        setup::mksetup::ReadResourceTree(bytes, layout, "fuzz");
    (void)tree;
    setup::mksetup::FindVersionInfo(bytes, "fuzz");
    const setup::mksetup::SignatureInfo signature = setup::mksetup::ReadSignature(bytes, "fuzz");
    if (!signature.problem.empty() && (!signature.signer.empty() || !signature.issuer.empty()))
      __builtin_trap();
    if (!signature.present && !signature.problem.empty()) __builtin_trap();
  } catch (const setup::mksetup::ToolError&) {
  }
  return 0;
}
