#include "SetupExe.h"

#include "FileIo.h"
#include "ToolError.h"
#include "pe/ResourceTree.h"
#include "platform/Error.h"
#include "script/ScriptHeader.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"

namespace setup::mksetup {

SetupExe OpenSetupExe(const std::filesystem::path& path) {
  SetupExe exe{path.string(), std::make_shared<MappedFile>(path), {}, {}};
  const ByteSpan file = exe.image->Bytes();
  const std::optional<ByteSpan> info = FindRcData(file, kScriptResource, exe.name);
  const std::optional<ByteSpan> data = FindRcData(file, kPayloadResource, exe.name);
  if (!info) throw ToolError(exe.name, std::string("it has no RCDATA resource ") + kScriptResource);
  if (!data)
    throw ToolError(exe.name, std::string("it has no RCDATA resource ") + kPayloadResource);
  exe.info = *info;
  exe.data = *data;
  return exe;
}

std::unique_ptr<SetupState> ReadSetupState(const std::string& name, ByteSpan script) {
  auto state = std::make_unique<SetupState>();
  state->ScriptLines = SplitScriptLines(script);
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
  PayloadReader reader(exe.data);
  try {
    // The pages of entries done are given back, so that memory stays flat over a payload of
    // many files however large it is (a single file's pages stay until it is done).
    const auto release = [&] { exe.image->ReleaseBefore(exe.data.data() + reader.Position()); };
    visit(nullptr, reader.NextEntry());
    release();
    for (const FileLine& line : FileLines(script)) {
      if (reader.Size() - reader.Position() < 4) {
        throw ToolError(script.name, line.number, "the payload has no entry for this F line");
      }
      visit(&line, reader.NextEntry());
      release();
    }
  } catch (const SetupError& error) {
    throw ToolError(exe.name, error.what());
  }
  return reader.Size() - reader.Position();
}

}  // namespace setup::mksetup
