#pragma once
// A new executable from a stub image and a resource tree.
#include <cstdint>
#include <filesystem>
#include <memory>
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

// WriteExecutable in steps, for a tree with one streamed leaf (ResourceData::streamed) too large
// to hold or to copy once more: its bytes go straight to their place in the output as the caller
// appends them, the last data of the resource section. Nothing appears under output's name
// until Finish.
class ExecutableWriter {
 public:
  // Writes everything before the streamed bytes. Throws ToolError(stubName: reason).
  ExecutableWriter(ByteSpan stub, const std::string& stubName, ResourceTree tree,
                   const std::filesystem::path& output);
  ~ExecutableWriter();
  ExecutableWriter(const ExecutableWriter&) = delete;
  ExecutableWriter& operator=(const ExecutableWriter&) = delete;

  void Append(const std::uint8_t* data, std::size_t size);
  // Writes over streamed bytes appended as zeros; offset counts from the first streamed byte.
  void Patch(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
  // The sizes, what follows the resources, the checksum; then the output under its name.
  void Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace setup::mksetup
