#include "RemovalExecutor.h"

#include <memory>

#include "script/Paths.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

using Problems = std::vector<RemovalProblem>;

// Both removals say true for what is not there (already gone is no problem), and they alone
// decide about links: a test of the entry first would see a link as absent where the file
// system does not follow it, and leave the link behind.
void RemoveFile(const std::string& path, FileSystem& files, Problems& problems) {
  if (!files.RemoveFile(path)) problems.push_back({ProblemKind::FileNotRemoved, path});
}

void RemoveFolder(const std::string& path, FileSystem& files, Problems& problems) {
  if (!files.RemoveEmptyFolder(path)) problems.push_back({ProblemKind::FolderNotRemoved, path});
}

void RemoveKey(RegistryRoot root, const std::string& path, Registry& registry, Problems& problems) {
  if (!registry.OpenKey(root, path)) return;
  if (!registry.DeleteKeyTree(root, path)) problems.push_back({ProblemKind::KeyNotRemoved, path});
}

bool SameFolded(const std::string& a, const std::string& b) {
  return FoldPathCase(a) == FoldPathCase(b);
}

// The program path in a value the setup wrote as program + suffix, when it names a product file.
bool NamesProductFile(const std::string& value, const std::string& suffix,
                      const std::vector<std::string>& productFiles) {
  if (value.size() <= suffix.size() ||
      value.compare(value.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  // Both as the setup wrote them, from its macros: compared as Windows would open them.
  const std::string program = FoldPath(value.substr(0, value.size() - suffix.size()));
  for (const std::string& file : productFiles)
    if (SameFolded(program, FoldPath(file))) return true;
  return false;
}

struct WrittenValue {
  std::string key, name;
  bool ours;  // it still holds what the setup wrote
};

// The log keeps only the extension, and the setup wrote into keys that may have been there
// before (txtfile with the system's own print verb), so only its own values go, each only while
// it still holds what the setup wrote, and then the keys that this leaves empty. What it wrote:
// ".EXT" = "EXTfile" and "Content Type" = the description; "EXTfile" = the same description;
// "EXTfile\DefaultIcon" = program + ",1"; "EXTfile\Shell\open\command" = program + " \"%1\"",
// the program being one of the product's files. While ".EXT" names another type, another
// program has taken the extension over: nothing is touched, EXTfile included.
void RemoveAssociation(const std::string& extension, Registry& registry,
                       const std::vector<std::string>& productFiles, Problems& problems) {
  const std::string dotKey = "." + extension;
  const std::string typeKey = extension + "file";
  const std::string iconKey = typeKey + "\\DefaultIcon";
  const std::string openKey = typeKey + "\\Shell\\open";
  const std::string commandKey = openKey + "\\command";
  auto read = [&](const std::string& key, const std::string& name) {
    std::unique_ptr<RegistryKey> opened = registry.OpenKey(RegistryRoot::ClassesRoot, key);
    return opened ? opened->ReadString(name) : std::string();
  };
  if (!registry.OpenKey(RegistryRoot::ClassesRoot, dotKey)) return;
  if (!SameFolded(read(dotKey, ""), typeKey)) {
    problems.push_back({ProblemKind::AssociationChanged, dotKey});
    return;
  }
  const std::string description = read(dotKey, "Content Type");
  const bool sameDescription = description == read(typeKey, "");
  const WrittenValue values[] = {
      {dotKey, "", true},
      {dotKey, "Content Type", sameDescription},
      {typeKey, "", sameDescription},
      {iconKey, "", NamesProductFile(read(iconKey, ""), ",1", productFiles)},
      {commandKey, "", NamesProductFile(read(commandKey, ""), " \"%1\"", productFiles)},
  };
  bool changed = false;
  for (const WrittenValue& value : values) {
    if (!registry.OpenKey(RegistryRoot::ClassesRoot, value.key)) continue;
    if (!value.ours) {
      changed = changed || !read(value.key, value.name).empty();
      continue;
    }
    std::unique_ptr<RegistryKey> key = registry.CreateKey(RegistryRoot::ClassesRoot, value.key);
    if (!key || !key->DeleteValue(value.name))
      problems.push_back({ProblemKind::KeyNotRemoved, value.key});
  }
  if (changed) problems.push_back({ProblemKind::AssociationChanged, typeKey});
  for (const std::string& key :
       {commandKey, openKey, typeKey + "\\Shell", iconKey, typeKey, dotKey})
    registry.DeleteKeyIfEmpty(RegistryRoot::ClassesRoot, key);
}

bool IsUninstallerName(const std::string& path) {
  std::string upper = ToUpperAscii(path);
  const std::string name = "\\UNINSTALL.EXE";
  return upper.size() > name.size() &&
         upper.compare(upper.size() - name.size(), name.size(), name) == 0;
}

}  // namespace

Problems ExecuteRemoval(const std::vector<RemovalStep>& steps, FileSystem& files,
                        Registry& registry, const std::vector<std::string>& productFiles) {
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
        RemoveAssociation(step.target, registry, productFiles, problems);
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
  const std::string selfUpper = FoldPathCase(selfPath);
  for (const std::string& folder : folders) {
    std::string upper = FoldPathCase(folder);
    if (upper.empty() || upper.back() != '\\' || selfUpper.compare(0, upper.size(), upper) != 0)
      continue;
    RemoveFolder(folder, files, problems);
  }
  return problems;
}

}  // namespace setup
