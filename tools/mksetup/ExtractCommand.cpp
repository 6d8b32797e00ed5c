#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "FileIo.h"
#include "MappedFile.h"
#include "SetupExe.h"
#include "SourceMap.h"
#include "ToolError.h"
#include "ToolPaths.h"
#include "VendorPictures.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

class OutputSink : public ByteSink {
 public:
  explicit OutputSink(AtomicOutput& out) : out_(out) {}
  void Append(const std::uint8_t* data, std::size_t size) override { out_.Write(data, size); }

 private:
  AtomicOutput& out_;
};

void WriteEntry(const PayloadEntry& entry, const fs::path& target) {
  fs::create_directories(target.parent_path());
  AtomicOutput out(target);
  OutputSink sink(out);
  entry.InflateTo(sink);
  out.Commit();
}

// The product's own pictures, where build takes them back: ROOT/pictures and ROOT/setup.ico;
// returns the options that give them to build. Telling them from the stub's needs the stub;
// without it none are written, which is said.
std::string WriteOwnPictures(const SetupExe& exe, const fs::path& root,
                             const std::optional<std::string>& stubOption) {
  const std::optional<fs::path> stub =
      stubOption ? fs::path(*stubOption) : StubOfTheSameArchitecture(exe.image->Bytes(), exe.name);
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  try {
    if (!stub) throw ToolError("no stub found (give --stub)");
    const MappedFile stubFile(*stub);
    files = OwnPictureFiles(exe.image->Bytes(), exe.name, stubFile.Bytes(), stub->string());
  } catch (const ToolError& error) {
    std::fprintf(stderr, "%s: warning: its own pictures are not written: %s\n", exe.name.c_str(),
                 error.what());
    return "";
  }
  std::string options;
  for (const auto& [name, bytes] : files) {
    const bool icon = name == kExplorerIconFile;
    const fs::path target = icon ? root / name : root / "pictures" / name;
    const std::string option =
        (icon ? " --icon " : " --pictures ") + (icon ? target : target.parent_path()).string();
    if (options.find(option) == std::string::npos) options += option;
    fs::create_directories(target.parent_path());
    AtomicOutput out(target);
    out.Write(bytes.data(), bytes.size());
    out.Commit();
  }
  return options;
}

}  // namespace

int ExtractCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("extract"), CommandFlagOptions("extract"));
  if (parsed.positionals.size() != 2) throw ToolError("usage: " + CommandUsage("extract"));
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  const fs::path root = parsed.positionals[1];
  std::error_code error;
  // Files of an earlier product left beside the new ones would be built into the next setup.
  if (fs::exists(root, error) && !fs::is_empty(root, error) && !parsed.Flag("--force")) {
    throw ToolError(root.string(), "the folder is not empty (--force writes into it anyway)");
  }
  const ScriptFile script = ParseScriptFile(
      exe.name + " (SetupInfo)", std::vector<std::uint8_t>(exe.info.begin(), exe.info.end()));
  {
    fs::create_directories(root);
    AtomicOutput out(root / "setup.txt");
    out.Write(script.bytes.data(), script.bytes.size());  // as stored, S value included
    out.Commit();
  }
  std::set<std::string> written;  // upper-cased, as Windows would see the names
  std::size_t files = 0;
  WalkPayload(exe, script, [&](const FileLine* line, const PayloadEntry& entry) {
    if (!line) return WriteEntry(entry, root / "licence.txt");
    const std::string what = script.name + ":" + std::to_string(line->number);
    const fs::path target = TargetPath(root, SourceParts(line->path, what));
    if (!written.insert(ToUpperAscii(target.string())).second) {
      std::fprintf(stderr, "%s: warning: \"%s\" was written by an earlier F line; overwritten\n",
                   what.c_str(), line->path.c_str());
    }
    WriteEntry(entry, target);
    ++files;
  });
  std::printf("%s: setup.txt, licence.txt and %zu files written under %s\n", exe.name.c_str(),
              files, root.string().c_str());
  const std::string options = WriteOwnPictures(exe, root, parsed.Value("--stub"));
  if (!options.empty()) {
    std::printf("%s: its own pictures written: build takes them back with%s\n", exe.name.c_str(),
                options.c_str());
  }
  return 0;
}

}  // namespace setup::mksetup
