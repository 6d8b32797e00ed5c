#include "SetupExe.h"

#include "io/FileIo.h"
#include "io/ToolError.h"
#include "pe/ResourceTree.h"
#include "platform/Error.h"
#include "script/ScriptHeader.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {

SetupExe OpenSetupExe(const std::filesystem::path& path) {
  SetupExe exe{path.string(), std::make_shared<MappedFile>(path), {}, {}, std::nullopt};
  const ByteSpan file = exe.image->Bytes();
  const std::optional<ByteSpan> info = FindRcData(file, kScriptResource, exe.name);
  const std::optional<ByteSpan> data = FindRcData(file, kPayloadResource, exe.name);
  if (!info) throw ToolError(exe.name, std::string("it has no RCDATA resource ") + kScriptResource);
  if (!data)
    throw ToolError(exe.name, std::string("it has no RCDATA resource ") + kPayloadResource);
  exe.info = *info;
  exe.data = *data;
  exe.identity = FindRcData(file, kIdentityResource, exe.name);
  return exe;
}

VendorIdentity SetupExe::Identity() const {
  return identity ? ParseVendorIdentity(*identity) : VendorIdentity{};
}

std::unique_ptr<SetupState> ReadSetupState(const std::string& name, ByteSpan script,
                                           const VendorIdentity& identity) {
  auto state = std::make_unique<SetupState>();
  state->Identity = identity;
  state->ScriptLines = SplitScriptLines(DecodeScriptText(script));
  try {
    ReadScriptHeader(*state, ".");
  } catch (const SetupError& error) {
    throw ToolError(name, error.what());
  }
  ReadAddOnCaptions(*state);
  return state;
}

std::uint32_t BlockCount(const PayloadEntry& entry) {
  const ByteSpan body = entry.Body();
  if (body.size() < 4) return 0;
  return body[0] | body[1] << 8 | body[2] << 16 | static_cast<std::uint32_t>(body[3]) << 24;
}

std::size_t WalkPayload(const SetupExe& exe, const ScriptFile& script,
                        const std::function<void(const FileLine*, const PayloadEntry&)>& visit) {
  ImagePages pages(*exe.image);
  PayloadReader reader(exe.data, &pages);
  try {
    visit(nullptr, reader.NextEntry());
    for (const FileLine& line : FileLines(script)) {
      if (reader.Size() - reader.Position() < 4) {
        throw ToolError(script.name, line.number, "the payload has no entry for this F line");
      }
      visit(&line, reader.NextEntry());
    }
  } catch (const SetupError& error) {
    throw ToolError(exe.name, error.what());
  }
  return reader.Size() - reader.Position();
}

}  // namespace setup::mksetup
