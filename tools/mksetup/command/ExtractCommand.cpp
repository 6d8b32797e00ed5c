#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "ToolPaths.h"
#include "input/SourceMap.h"
#include "io/FileIo.h"
#include "io/MappedFile.h"
#include "io/ToolError.h"
#include "platform/sim/HostBeneath.h"
#include "resources/IdentityFile.h"
#include "resources/VendorPictures.h"
#include "setupexe/SetupExe.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

// Where build takes it back from with --identity.
constexpr const char* kExtractedIdentity = "identity.txt";

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
// returns the options that give them to build from shown, where they will be. Telling them from the
// stub's needs the stub; without it none are written, which is said.
std::string WriteOwnPictures(const SetupExe& exe, const fs::path& root,
                             const std::optional<std::string>& stubOption, const fs::path& shown) {
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
        (icon ? " --icon " : " --pictures ") + (icon ? shown / name : shown / "pictures").string();
    if (options.find(option) == std::string::npos) options += option;
    fs::create_directories(target.parent_path());
    AtomicOutput out(target);
    out.Write(bytes.data(), bytes.size());
    out.Commit();
  }
  return options;
}

// The folder extract writes into first, beside the one asked for, so that a refusal or an error
// half-way leaves nothing in it; it goes with everything in it unless it was moved in.
class Staging {
 public:
  explicit Staging(const fs::path& root)
      : path_(root.parent_path() /
              ("." + root.filename().string() + ".extracting-" + std::to_string(::getpid()))) {
    std::error_code error;
    fs::remove_all(path_, error);  // one this process id left when it was killed
    if (!fs::create_directory(path_, error)) {
      throw ToolError(path_.string(), "cannot be made: " + error.message());
    }
  }
  ~Staging() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Each entry of the staged tree, folders before what they hold, relative to it.
std::vector<std::pair<fs::path, bool>> StagedEntries(const fs::path& staging) {
  std::vector<std::pair<fs::path, bool>> entries;
  for (const auto& entry : fs::recursive_directory_iterator(staging)) {
    entries.emplace_back(entry.path().lexically_relative(staging), entry.is_directory());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// --force writes into a folder that has things in it: a symbolic link there (to a folder or a
// file) would carry the files wherever it points, so one on the way of any file stops the
// extract before anything is moved in.
void RefuseLinksOnTheWay(const fs::path& root,
                         const std::vector<std::pair<fs::path, bool>>& entries) {
  for (const auto& [relative, folder] : entries) {
    const fs::path at = root / relative;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(at, error);
    if (fs::is_symlink(status)) {
      throw ToolError(at.string(),
                      "a symbolic link: extract does not write through one (remove "
                      "it, or extract into an empty folder)");
    }
    if (fs::exists(status) && fs::is_directory(status) != folder) {
      throw ToolError(at.string(), folder ? "is a file where the product has a folder"
                                          : "is a folder where the product has a file");
    }
  }
}

// Moves the staged tree into root, opening each folder without following a link, so that a
// link put there after the look above fails the move instead of being written through.
void MoveInto(const fs::path& staging, const fs::path& root,
              const std::vector<std::pair<fs::path, bool>>& entries) {
  for (const auto& [relative, folder] : entries) {
    const BeneathOpen parent = relative.has_parent_path()
                                   ? OpenBeneath(root, relative.parent_path(), O_PATH | O_DIRECTORY)
                                   : OpenBeneath(root, {}, O_PATH | O_DIRECTORY);
    const fs::path at = root / relative;
    if (!parent.fd) {
      throw ToolError(parent.link.empty() ? at.string() : parent.link.string(),
                      parent.link.empty()
                          ? std::string("cannot be written: ") + std::strerror(parent.error)
                          : "a symbolic link: extract does not write through one");
    }
    const std::string name = relative.filename().string();
    const bool made = folder
                          ? ::mkdirat(parent.fd.Get(), name.c_str(), 0755) == 0 || errno == EEXIST
                          : ::renameat(AT_FDCWD, (staging / relative).c_str(), parent.fd.Get(),
                                       name.c_str()) == 0;
    if (!made)
      throw ToolError(at.string(), std::string("cannot be written: ") + std::strerror(errno));
  }
}

}  // namespace

int ExtractCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("extract"), CommandFlagOptions("extract"));
  if (parsed.positionals.size() != 2) throw UsageError("usage: " + CommandUsage("extract"));
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  const fs::path root = parsed.positionals[1];
  std::error_code error;
  // Files of an earlier product left beside the new ones would be built into the next setup.
  if (fs::exists(root, error) && !fs::is_empty(root, error) && !parsed.Flag("--force")) {
    throw ToolError(root.string(), "the folder is not empty (--force writes into it anyway)");
  }
  const ScriptFile script = ParseScriptFile(
      exe.name + " (SetupInfo)", std::vector<std::uint8_t>(exe.info.begin(), exe.info.end()));
  fs::path folder = fs::absolute(root).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();  // "out/" is out
  fs::create_directories(folder.parent_path());
  const Staging staging(folder);
  const fs::path stage = staging.Path();
  {
    AtomicOutput out(stage / "setup.txt");
    out.Write(script.bytes.data(), script.bytes.size());  // as stored, S value included
    out.Commit();
  }
  if (exe.identity) {
    const std::string text = IdentityFileText(*exe.identity);
    AtomicOutput out(stage / kExtractedIdentity);
    out.Write(text.data(), text.size());
    out.Commit();
  }
  std::set<std::string> written;  // upper-cased, as Windows would see the names
  std::size_t files = 0;
  WalkPayload(exe, script, [&](const FileLine* line, const PayloadEntry& entry) {
    if (!line) return WriteEntry(entry, stage / "licence.txt");
    const std::string what = script.name + ":" + std::to_string(line->number);
    const fs::path target = TargetPath(stage, SourceParts(line->path, what));
    if (!written.insert(ToUpperAscii(target.string())).second) {
      std::fprintf(stderr, "%s: warning: \"%s\" was written by an earlier F line; overwritten\n",
                   what.c_str(), line->path.c_str());
    }
    WriteEntry(entry, target);
    ++files;
  });
  std::string options = WriteOwnPictures(exe, stage, parsed.Value("--stub"), root);
  if (exe.identity) options += " --identity " + (root / kExtractedIdentity).string();
  const std::vector<std::pair<fs::path, bool>> entries = StagedEntries(stage);
  RefuseLinksOnTheWay(folder, entries);
  fs::create_directories(folder);
  MoveInto(stage, folder, entries);
  std::printf("%s: setup.txt, licence.txt and %zu files written under %s\n", exe.name.c_str(),
              files, root.string().c_str());
  if (!options.empty()) {
    std::printf("%s: its own pictures or identity written: build takes them back with%s\n",
                exe.name.c_str(), options.c_str());
  }
  return 0;
}

}  // namespace setup::mksetup
