#pragma once
// A new executable from a stub image and a resource tree.
#include <filesystem>
#include <string>

#include "pe/ResourceTree.h"
#include "text/Bytes.h"

namespace setup::mksetup {

// Writes stub with its resources replaced by tree (sorted here). The new resource section goes
// where the stub's last section is its resource section with nothing after it in the file;
// otherwise it is added as a new last section, which needs room for one more section header.
// SizeOfImage, the resource directory, the section sizes and the checksum are updated; a
// certificate directory is cleared (a signature cannot stay valid). The output appears under
// its name only when complete. Throws ToolError(stubName: reason).
void WriteExecutable(ByteSpan stub, const std::string& stubName, ResourceTree tree,
                     const std::filesystem::path& output);

}  // namespace setup::mksetup
