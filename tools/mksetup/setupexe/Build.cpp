#include "Build.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <system_error>
#include <thread>

#include "SetupExe.h"
#include "input/Licence.h"
#include "input/SourceMap.h"
#include "io/FileIo.h"
#include "io/ToolError.h"
#include "pe/PeWriter.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

// Replaces each "%SUnInstall.EXE" source by a copy that make writes from the source's path to
// the copy's, kept in copies until the payload is written.
void ReplaceUninstallers(
    const ScriptFile& script, const fs::path& output, std::vector<PayloadSource>& sources,
    std::vector<std::unique_ptr<TemporaryFile>>& copies,
    const std::function<void(const std::string& source, const fs::path& copy)>& make) {
  const std::vector<FileLine> lines = FileLines(script);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!IsUninstallerSource(SourceParts(lines[i].path, script.name))) continue;
    PayloadSource& source = sources.at(i + 1);  // the licence comes first
    copies.push_back(std::make_unique<TemporaryFile>(output));
    make(source.path, copies.back()->Path());
    source.path = copies.back()->Path().string();
    source.size = fs::file_size(source.path);
  }
}

// The uninstaller the registration names is signed as setup.exe is, since Windows shows its
// publisher when it starts.
void SignUninstallers(const ScriptFile& script, const SignOptions& signing, const fs::path& output,
                      std::vector<PayloadSource>& sources,
                      std::vector<std::unique_ptr<TemporaryFile>>& copies) {
  ReplaceUninstallers(script, output, sources, copies,
                      [&](const std::string& source, const fs::path& copy) {
                        SignFile(signing, source, copy, source);
                      });
}

// Its manifest asks for the level, set before it is signed: the level is part of what the
// signature covers.
void SetUninstallerLevels(const ScriptFile& script, ExecutionLevel level, const fs::path& output,
                          std::vector<PayloadSource>& sources,
                          std::vector<std::unique_ptr<TemporaryFile>>& copies) {
  ReplaceUninstallers(script, output, sources, copies,
                      [&](const std::string& source, const fs::path& copy) {
                        const std::vector<std::uint8_t> program = ReadWholeFile(source);
                        const PeLayout layout = ReadPeLayout(program, source);
                        ResourceTree tree = ReadResourceTree(program, layout, source);
                        SetExecutionLevel(tree, level, source);
                        WriteExecutable(program, source, std::move(tree), copy);
                      });
}

}  // namespace

bool IsUninstallerSource(const std::vector<std::string>& parts) {
  return parts.size() == 2 && parts[0] == "S" && ToUpperAscii(parts[1]) == "UNINSTALL.EXE";
}

void CheckStubArchitecture(ByteSpan stub, const std::string& stubName,
                           std::optional<Architecture> wanted) {
  const PeLayout layout = ReadPeLayout(stub, stubName);
  const std::optional<Architecture> found = ArchitectureOf(layout);
  if (!found) {
    throw ToolError(
        stubName, ProgramKind(layout) + "; a stub must be an x86 (PE32) or an x64 (PE32+) program");
  }
  const Architecture asked = wanted.value_or(Architecture::X86);
  if (*found == asked) return;
  std::string reason = ProgramKind(layout) + ", but --arch is " + ArchitectureName(asked);
  if (!wanted) reason += std::string(" (the default): add --arch ") + ArchitectureName(*found);
  throw ToolError(stubName, reason);
}

PayloadSource SourceFor(const ScriptFile& script, const FileLine& line, SourceFinder& source,
                        const std::optional<fs::path>& uninstaller) {
  const std::string what = script.name + ":" + std::to_string(line.number);
  const auto fail = [&](const std::string& reason) {
    throw ToolError(script.name, line.number, reason);
  };
  std::vector<std::string> parts;
  std::optional<fs::path> file;
  try {
    parts = SourceParts(line.path, what);
    file = source.Find(parts, what);
  } catch (const ToolError& error) {
    fail(error.Reason());
  }
  if (!file && IsUninstallerSource(parts) && uninstaller) file = uninstaller;
  if (!file) {
    fail("no source file for \"" + line.path + "\" (looked for " +
         TargetPath(source.Root(), parts).string() +
         ", letters in any case, names in UTF-8 or Windows-1252)");
  }
  // One look at a regular file gives its size as well.
  struct stat info {};
  const bool regular = ::stat(file->c_str(), &info) == 0 && S_ISREG(info.st_mode);
  if (!regular) {
    if (const std::optional<std::string> why = NotARegularFile(*file)) {
      throw SourceKindError(script.name, line.number, *why);
    }
  }
  std::error_code error;
  const std::uintmax_t size =
      regular ? static_cast<std::uintmax_t>(info.st_size) : fs::file_size(*file, error);
  if (error) fail(file->string() + " cannot be read: " + error.message());
  if (size >= (1ull << 31)) {
    fail(file->string() + " has " + std::to_string(size) +
         " bytes; a file must stay under 2^31 bytes");
  }
  return {file->string(), {}, size, what + " (" + line.path + ")"};
}

std::vector<FoundSource> FindSources(const ScriptFile& script, const std::vector<FileLine>& lines,
                                     const fs::path& source,
                                     const std::optional<fs::path>& uninstaller, bool links) {
  std::vector<FoundSource> found(lines.size());
  // Each thread takes a run of lines, so that its finder meets each folder about once.
  const auto lookUp = [&](std::size_t begin, std::size_t end) {
    SourceFinder finder(source);
    std::set<fs::path> within;  // folders whose way from the root has no link out of the tree
    for (std::size_t i = begin; i < end; ++i) {
      try {  // nothing leaves a thread: what went wrong is the line's
        found[i].source = SourceFor(script, lines[i], finder, uninstaller);
        if (!links) continue;
        const std::string& file = found[i].source.path;
        const fs::path folder = fs::path(file).parent_path();
        const bool known = within.count(folder) != 0;
        found[i].linkOut = LinkOutOfTree(source, file, known ? folder : fs::path());
        if (!found[i].linkOut && !known) within.insert(folder);
      } catch (...) {
        found[i].error = std::current_exception();
      }
    }
  };
  constexpr std::size_t kLinesPerThread = 1000;  // fewer are looked up sooner than a thread starts
  const std::size_t threads = std::min<std::size_t>(
      {std::max(1u, std::thread::hardware_concurrency()), lines.size() / kLinesPerThread + 1, 4});
  std::vector<std::thread> helpers;
  struct Joined {  // also when a thread cannot be started
    std::vector<std::thread>& threads;
    ~Joined() {
      for (std::thread& thread : threads) {
        if (thread.joinable()) thread.join();
      }
    }
  } joined{helpers};
  const std::size_t share = (lines.size() + threads - 1) / threads;
  for (std::size_t t = 1; t < threads; ++t) {
    helpers.emplace_back(lookUp, std::min(lines.size(), t * share),
                         std::min(lines.size(), (t + 1) * share));
  }
  lookUp(0, std::min(lines.size(), share));
  for (std::thread& helper : helpers) helper.join();  // before found is handed on
  return found;
}

void CheckLicence(const std::string& name, const std::vector<std::uint8_t>& licence) {
  const std::vector<std::string> missing =
      MissingLicenceMarkers(DecodeScriptText(ByteSpan(licence)));
  if (missing.empty()) return;
  std::string list;
  for (const std::string& marker : missing) list += (list.empty() ? "" : ", ") + marker;
  throw ToolError(name, "the licence has no marker line " + list +
                            " (a line holding only the word, in any case)");
}

std::vector<PayloadSource> CollectSources(const ScriptFile& script, const std::string& licenceName,
                                          std::vector<std::uint8_t> licence, const fs::path& source,
                                          const std::optional<fs::path>& uninstaller,
                                          std::optional<std::vector<PayloadSource>> found) {
  std::vector<PayloadSource> sources;
  const std::uint64_t licenceSize = licence.size();
  sources.push_back({"", std::move(licence), licenceSize, licenceName});
  const std::vector<FileLine> lines = FileLines(script);
  sources.reserve(lines.size() + 1);
  if (found && found->size() == lines.size()) {
    for (PayloadSource& one : *found) sources.push_back(std::move(one));
  } else {
    for (FoundSource& one : FindSources(script, lines, source, uninstaller, false)) {
      if (one.error) std::rethrow_exception(one.error);
      sources.push_back(std::move(one.source));
    }
  }
  if (TotalSize(sources) > kLargestCount) {
    throw ToolError(script.name, "the licence and the files add up to " +
                                     std::to_string(TotalSize(sources)) +
                                     " bytes, more than 2,147,483,647");
  }
  return sources;
}

std::uint64_t TotalSize(const std::vector<PayloadSource>& sources) {
  std::uint64_t total = 0;
  for (const PayloadSource& source : sources) total += source.size;
  return total;
}

PayloadSummary BuildSetup(const BuildOptions& options,
                          std::optional<std::vector<PayloadSource>> found) {
  const ScriptFile script =
      ParseScriptFile(options.script.string(), ReadInputText(options.script, options.encoding));
  // The setup must be able to start on it; its product name is what a signature calls it.
  const std::string productName =
      ReadSetupState(script.name, ByteSpan(script.bytes), SetupIdentityOf(options.identity))
          ->ProductName;
  std::vector<std::uint8_t> licence = ReadInputText(options.licence, options.encoding);
  CheckLicence(options.licence.string(), licence);
  licence = WithCrLfLineEnds(std::move(licence)).bytes;  // check warned of any other line end
  std::error_code error;
  if (!fs::is_regular_file(options.stub, error)) {
    throw ToolError(options.stub.string(), "the stub setup program does not exist");
  }
  const std::vector<std::uint8_t> stub = ReadWholeFile(options.stub);
  CheckStubArchitecture(stub, options.stub.string(), options.architecture);
  if (!fs::is_directory(options.source, error)) {
    throw ToolError(options.source.string(), "the source folder does not exist");
  }
  std::vector<PayloadSource> sources =
      CollectSources(script, options.licence.string(), std::move(licence), options.source,
                     options.uninstaller, std::move(found));
  if (!options.output.parent_path().empty()) fs::create_directories(options.output.parent_path());
  // A build killed half-way leaves its partial setup.exe, as large as the payload so far, and
  // its scratch files beside the output: the next build of that output takes them away.
  RemoveStaleScratch(options.output);
  std::vector<std::unique_ptr<TemporaryFile>> signedCopies;
  if (options.executionLevel) {
    SetUninstallerLevels(script, *options.executionLevel, options.output, sources, signedCopies);
  }
  if (options.signing) {
    SignUninstallers(script, *options.signing, options.output, sources, signedCopies);
  }
  const std::vector<std::uint8_t> info = WithSizeLine(script, TotalSize(sources));

  const std::string stubName = options.stub.string();
  const PeLayout layout = ReadPeLayout(stub, stubName);
  ResourceTree tree = ReadResourceTree(stub, layout, stubName);
  tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name(kScriptResource), {info, 0});
  ResourceData streamed;
  streamed.streamed = true;
  tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name(kPayloadResource), streamed);
  ApplyVendorPictures(options.pictures, tree);
  ApplyIdentity(options.identity, tree);
  if (options.executionLevel) SetExecutionLevel(tree, *options.executionLevel, stubName);
  // Signed, what is written here is the signer's input, renamed to the output once signed.
  std::optional<TemporaryFile> unsignedExe;
  if (options.signing) unsignedExe.emplace(options.output);
  // The payload goes straight to its place in the setup.exe, in order; a long entry's length is
  // patched in once its last block is out.
  ExecutableWriter exe(stub, stubName, std::move(tree),
                       unsignedExe ? unsignedExe->Path() : options.output);
  struct Output : PayloadOutput {
    ExecutableWriter& exe;
    const BuildOptions& options;
    const std::vector<PayloadSource>& sources;
    std::uint64_t done = 0, total = 0;
    Output(ExecutableWriter& e, const BuildOptions& o, const std::vector<PayloadSource>& s)
        : exe(e), options(o), sources(s), total(TotalSize(s)) {}
    void Append(const std::uint8_t* data, std::size_t size) override { exe.Append(data, size); }
    void Patch(std::uint64_t offset, const std::uint8_t* data, std::size_t size) override {
      exe.Patch(offset, data, size);
    }
    void EntryWritten(std::size_t index) override {
      done += sources[index].size;
      if (options.progress) options.progress(done, total);
    }
  } out(exe, options, sources);
  const PayloadSummary summary = WritePayload(sources, {options.compression, 0}, out);
  exe.Finish();
  if (!options.signing) return summary;
  SignOptions signing = *options.signing;
  if (!signing.description) signing.description = productName;
  SignFile(signing, unsignedExe->Path(), options.output, options.output.string());
  return summary;
}

}  // namespace setup::mksetup
