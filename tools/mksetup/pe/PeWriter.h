#pragma once
// A new executable from a stub image and a resource tree.
#include <filesystem>
#include <string>

#include "pe/ResourceTree.h"
#include "text/Bytes.h"

namespace setup::mksetup {

// Writes stub with its resources replaced by tree (sorted here). The new resource section takes
// the place of the old one where nothing but the base relocations follows it (they move behind
// it, unchanged); otherwise it is added as a new last section, which needs room for one more
// section header, and the old one stays unused.
// SizeOfImage, the resource directory, the section sizes and the checksum are updated; a
// certificate directory is cleared (a signature cannot stay valid) and a signed stub's certificate
// table at the end of the file left out. The output appears under
// its name only when complete. Throws ToolError(stubName: reason).
void WriteExecutable(ByteSpan stub, const std::string& stubName, ResourceTree tree,
                     const std::filesystem::path& output);

}  // namespace setup::mksetup
