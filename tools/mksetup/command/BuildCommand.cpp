#include <cstdio>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "ProgressLine.h"
#include "ToolPaths.h"
#include "io/MappedFile.h"
#include "io/ToolError.h"
#include "pe/Signature.h"
#include "setupexe/Build.h"
#include "setupexe/Sign.h"

namespace setup::mksetup {

namespace {

// The vendor's pictures are checked with the script, and their errors stop the build as its do.
void AddPictures(const Arguments& parsed, BuildOptions& options, CheckedScript& checked) {
  const auto path = [&](const char* name) -> std::optional<std::filesystem::path> {
    if (const auto value = parsed.Value(name)) return *value;
    return std::nullopt;
  };
  std::vector<Finding> findings;
  options.pictures = ReadVendorPictures(path("--pictures"), path("--icon"), findings);
  checked.findings.insert(checked.findings.end(), findings.begin(), findings.end());
  checked.counts = CountFindings(checked.findings);
}

}  // namespace

int BuildCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("build"), CommandFlagOptions("build"));
  BuildOptions options;
  const auto required = [&](const char* name) {
    const std::optional<std::string> value = parsed.Value(name);
    if (!value) throw UsageError(std::string("usage: build needs ") + name);
    return std::filesystem::path(*value);
  };
  if (!parsed.positionals.empty())
    throw UsageError("usage: build takes no " + parsed.positionals[0]);
  options.script = required("--script");
  options.licence = required("--licence");
  options.source = required("--source");
  options.output = required("-o");
  if (const auto level = parsed.Value("--execution-level")) {
    options.executionLevel = ParseExecutionLevel(*level);
    if (!options.executionLevel) {
      throw UsageError(
          "usage: --execution-level takes asInvoker, highestAvailable or "
          "requireAdministrator, not " +
          *level);
    }
  }
  if (const auto name = parsed.Value("--compression")) {
    const std::optional<Compression> compression = ParseCompression(*name);
    if (!compression) {
      throw UsageError("usage: --compression takes fast, small or smallest, not " + *name);
    }
    options.compression = *compression;
  }
  options.signing = SignOptionsFrom(parsed);
  if (options.signing) FindOsslsigncode();  // before minutes of compressing, not after

  // Every check first: an error means no setup.exe, and one that exists stays as it was.
  CheckedScript checked = RunChecks(parsed, options.script.string());
  AddPictures(parsed, options, checked);
  if (!checked.findings.empty()) PrintFindings(stderr, checked.findings, checked.script.name);
  if (checked.counts.errors) return 1;
  options.encoding = checked.options.encoding;
  options.uninstaller = checked.options.uninstaller;
  options.identity = checked.identity;

  options.architecture = ArchitectureOption(parsed);
  const Architecture architecture = checked.options.architecture;
  if (const auto stub = parsed.Value("--stub")) {
    options.stub = *stub;
  } else if (const auto found =
                 FindWindowsProgram("MKSETUP_STUB", "setup-stub.exe", architecture)) {
    options.stub = *found;
  } else {
    const std::string kind = architecture == Architecture::X64 ? "x64/" : "";
    throw ToolError(std::string("setup-stub.exe (") + ArchitectureName(architecture) +
                    "): not found (give --stub and --uninstaller, set MKSETUP_STUB and "
                    "MKSETUP_UNINSTALLER, install mksetup with its share/morvex-setup/" +
                    kind + " folder, or build the " + BuildPresetOf(architecture) + " preset)");
  }
  ProgressLine progress(ProgressLine::TerminalOrNone(stderr));
  options.progress = [&](std::uint64_t done, std::uint64_t total) {
    progress.Show(PercentOf(done, total), CompressingText(done, total), ProgressLine::Clock::now());
  };
  PayloadSummary summary;
  try {
    summary = BuildSetup(options, std::move(checked.sources));
  } catch (...) {
    progress.Break();  // the error on a line of its own
    throw;
  }
  progress.Finish();
  std::printf(
      "%s: %llu entries, %llu blocks, %llu bytes inflated (the S value), payload %llu bytes; "
      "%s\n",
      options.output.string().c_str(), static_cast<unsigned long long>(summary.entries),
      static_cast<unsigned long long>(summary.blocks),
      static_cast<unsigned long long>(summary.inflatedBytes),
      static_cast<unsigned long long>(summary.payloadBytes), CountText(checked.counts).c_str());
  if (options.signing) {
    const MappedFile built(options.output);
    std::printf("%s: %s\n", options.output.string().c_str(),
                SignatureText(ReadSignature(built.Bytes(), options.output.string())).c_str());
  }
  return 0;
}

}  // namespace setup::mksetup
