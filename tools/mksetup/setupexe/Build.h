#pragma once
// Building a setup.exe: the script with its S line filled in, the payload from the source tree,
// both as RCDATA resources of a copy of the stub.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PayloadWriter.h"
#include "Sign.h"
#include "input/InputText.h"
#include "input/ScriptFile.h"
#include "input/SourceMap.h"
#include "pe/PeFile.h"
#include "resources/IdentityFile.h"
#include "resources/Manifest.h"
#include "resources/VendorPictures.h"

namespace setup::mksetup {

struct BuildOptions {
  std::filesystem::path script, licence, source, output;
  std::filesystem::path stub;                        // required here; the command finds a default
  std::optional<std::filesystem::path> uninstaller;  // for "%SUnInstall.EXE" missing from source
  InputEncoding encoding = InputEncoding::Windows1252;  // of the script and the licence
  // Told after each entry is written: inflated bytes done and in all.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress = nullptr;
  std::vector<VendorPicture> pictures = {};           // checked: they replace the stub's
  std::optional<SignOptions> signing = std::nullopt;  // the setup.exe and its uninstaller
  // --arch: the stub must be of it. Not given is x86, and an x64 stub is refused with a hint.
  std::optional<Architecture> architecture = std::nullopt;
  Identity identity = {};  // checked: its values replace the built-in ones
  // --execution-level: set in the manifests of the stub and of every "%SUnInstall.EXE"; not
  // given, both keep the level they were built with.
  std::optional<ExecutionLevel> executionLevel = std::nullopt;
  Compression compression = Compression::Fast;  // --compression
};

// Whether the source parts of an F line (SourceParts) name "%SUnInstall.EXE", the uninstaller
// that the registration points at.
bool IsUninstallerSource(const std::vector<std::string>& parts);

// Throws ToolError(stubName: reason) unless stub is an x86 or x64 program of the architecture
// asked for (x86 when none was).
void CheckStubArchitecture(ByteSpan stub, const std::string& stubName,
                           std::optional<Architecture> wanted);

// The source of one F line under source's root (a missing "%SUnInstall.EXE" is taken from
// uninstaller). Throws ToolError(script:line: reason) for a missing file or one of 2^31 bytes or
// more.
PayloadSource SourceFor(const ScriptFile& script, const FileLine& line, SourceFinder& source,
                        const std::optional<std::filesystem::path>& uninstaller);

// One F line's source as FindSources found it: the source, or what SourceFor threw for it.
struct FoundSource {
  PayloadSource source;
  std::exception_ptr error;
  // With links asked for: why the file cannot be taken from the tree (LinkOutOfTree).
  std::optional<std::string> linkOut;
};

// SourceFor of every line, in line order, the lines shared among a few threads: a product's
// thousands of look-ups wait mostly on the file system, and the build compresses nothing before
// they are done.
std::vector<FoundSource> FindSources(const ScriptFile& script, const std::vector<FileLine>& lines,
                                     const std::filesystem::path& source,
                                     const std::optional<std::filesystem::path>& uninstaller,
                                     bool links);

// The payload's sources: the licence first, then one per F line in script order, those of found
// when it has one for each line (what check found), else looked up. Throws
// ToolError(script:line: reason) for a missing file or one of 2^31 bytes or more, and
// ToolError when the sizes add up past 2,147,483,647.
std::vector<PayloadSource> CollectSources(
    const ScriptFile& script, const std::string& licenceName, std::vector<std::uint8_t> licence,
    const std::filesystem::path& source, const std::optional<std::filesystem::path>& uninstaller,
    std::optional<std::vector<PayloadSource>> found = std::nullopt);

// The S value: every source's inflated size added up.
std::uint64_t TotalSize(const std::vector<PayloadSource>& sources);

// Throws ToolError(licence: reason) unless the licence has the three marker lines.
void CheckLicence(const std::string& name, const std::vector<std::uint8_t>& licence);

// Builds options.output; nothing is left under that name when it throws. It does not check the
// script: mksetup build runs CheckScript first. With signing, the uninstaller is signed before
// it is compressed (the S value counts its signed size) and the setup.exe last of all, after
// its checksum: what was written is renamed to options.output only once it is signed. sources:
// the F lines' sources as check found them a moment before (taken over, not copied: thousands
// of paths); looked up again when not given.
PayloadSummary BuildSetup(const BuildOptions& options,
                          std::optional<std::vector<PayloadSource>> sources = std::nullopt);

}  // namespace setup::mksetup
