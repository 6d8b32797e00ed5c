#include "RemovalExecutor.h"

#include <memory>

#include "text/ScriptText.h"

namespace setup {
namespace {

using Problems = std::vector<RemovalProblem>;

void RemoveFile(const std::string& path, FileSystem& files, Problems& problems) {
  if (!files.FileExists(path)) return;
  if (!files.RemoveFile(path)) problems.push_back({ProblemKind::FileNotRemoved, path});
}

void RemoveFolder(const std::string& path, FileSystem& files, Problems& problems) {
  if (!files.DirectoryExists(path)) return;
  if (!files.RemoveEmptyFolder(path)) problems.push_back({ProblemKind::FolderNotRemoved, path});
}

void RemoveKey(RegistryRoot root, const std::string& path, Registry& registry, Problems& problems) {
  if (!registry.OpenKey(root, path)) return;
  if (!registry.DeleteKeyTree(root, path)) problems.push_back({ProblemKind::KeyNotRemoved, path});
}

// The log keeps only the extension. What the installation wrote and what another program
// taking the extension over replaces is the link: the default value of ".EXT" naming "EXTfile".
// So both keys go only while that link is as written; otherwise both stay, EXTfile included
// (nothing points at it from .EXT, but the new owner may still use it).
void RemoveAssociation(const std::string& extension, Registry& registry, Problems& problems) {
  const std::string dotKey = "." + extension;
  const std::string typeKey = extension + "file";
  std::string linked;
  {
    std::unique_ptr<RegistryKey> key = registry.OpenKey(RegistryRoot::ClassesRoot, dotKey);
    if (!key) return;
    linked = key->ReadString("");
  }
  if (ToUpperAscii(linked) != ToUpperAscii(typeKey)) {
    problems.push_back({ProblemKind::AssociationChanged, dotKey});
    return;
  }
  RemoveKey(RegistryRoot::ClassesRoot, typeKey, registry, problems);
  RemoveKey(RegistryRoot::ClassesRoot, dotKey, registry, problems);
}

bool IsUninstallerName(const std::string& path) {
  std::string upper = ToUpperAscii(path);
  const std::string name = "\\UNINSTALL.EXE";
  return upper.size() > name.size() &&
         upper.compare(upper.size() - name.size(), name.size(), name) == 0;
}

}  // namespace

Problems ExecuteRemoval(const std::vector<RemovalStep>& steps, FileSystem& files,
                        Registry& registry) {
  Problems problems;
  for (const RemovalStep& step : steps) {
    switch (step.kind) {
      case StepKind::File:
      case StepKind::Log:
        RemoveFile(step.target, files, problems);
        break;
      case StepKind::Folder:
        RemoveFolder(step.target, files, problems);
        break;
      case StepKind::Association:
        RemoveAssociation(step.target, registry, problems);
        break;
      case StepKind::UninstallKey:
        RemoveKey(RegistryRoot::LocalMachine, step.target, registry, problems);
        break;
    }
  }
  return problems;
}

Problems RemoveUninstaller(const std::string& selfPath, const std::vector<std::string>& folders,
                           FileSystem& files) {
  Problems problems;
  if (!IsUninstallerName(selfPath)) return problems;
  RemoveFile(selfPath, files, problems);
  const std::string selfUpper = ToUpperAscii(selfPath);
  for (const std::string& folder : folders) {
    std::string upper = ToUpperAscii(folder);
    if (upper.empty() || upper.back() != '\\' || selfUpper.compare(0, upper.size(), upper) != 0)
      continue;
    RemoveFolder(folder, files, problems);
  }
  return problems;
}

}  // namespace setup
