#pragma once
// A built setup.exe opened for reading: its script and payload resources, and the walk over its
// F lines paired with their payload entries, read as the setup program reads them.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "input/ScriptFile.h"
#include "io/MappedFile.h"
#include "payload/PayloadReader.h"
#include "platform/Resources.h"
#include "script/SetupState.h"
#include "script/VendorIdentity.h"

namespace setup::mksetup {

struct SetupExe {
  std::string name;
  std::shared_ptr<MappedFile> image;
  ByteSpan info, data;               // the RCDATA resources SetupInfo and SetupData, inside image
  std::optional<ByteSpan> identity;  // kIdentityResource, when build was given --identity

  // As the setup reads it: the built-in identity without the resource.
  VendorIdentity Identity() const;
};

// Throws ToolError when the file is no PE image or lacks one of the two resources.
SetupExe OpenSetupExe(const std::filesystem::path& path);

// The setup state after the script is decoded and the header and the add-on captions (of the
// identity's key) are read (the setup's own readers, with "." as the decimal separator). Throws
// ToolError for a script the setup cannot start on.
std::unique_ptr<SetupState> ReadSetupState(const std::string& name, ByteSpan script,
                                           const VendorIdentity& identity = {});

// Walks the licence entry and then one entry per F line, in order, as the installation does.
// visit gets the F line (nullptr for the licence) and its entry. Returns the number of payload
// bytes left over after the last entry (0 for a payload built by the rules).
std::size_t WalkPayload(const SetupExe& exe, const ScriptFile& script,
                        const std::function<void(const FileLine*, const PayloadEntry&)>& visit);

// Where a reader over a setup.exe's payload gives back what it has read: the image's mapped
// pages, let go as the setup program lets its own go, block by block, so that memory stays flat
// however large the payload and its files are.
class ImagePages : public Resources {
 public:
  explicit ImagePages(MappedFile& image) : image_(image) {}
  std::optional<ByteSpan> FindRcData(const std::string&) override { return std::nullopt; }
  void GiveBack(ByteSpan consumed) override {
    image_.ReleaseBefore(consumed.data() + consumed.size());
  }

 private:
  MappedFile& image_;
};

// The BlockCount of an entry (0 for the empty entry).
std::uint32_t BlockCount(const PayloadEntry& entry);

// A sink that only counts.
class CountingSink : public ByteSink {
 public:
  void Append(const std::uint8_t*, std::size_t size) override { bytes += size; }
  std::uint64_t bytes = 0;
};

}  // namespace setup::mksetup
