#pragma once
// What a user without administrator rights cannot change on Windows, laid over the simulated
// machine: the program files folders, the Windows folder and the shared shortcut folders, and
// every key under HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT. A program whose manifest names an
// execution level gets no file or registry virtualization, so such a write fails there as it
// fails here, with the same message the setup then shows.
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace setup::mksetup {

class StandardUserRights {
 public:
  // Off: everything the machine allows passes.
  bool active = false;
  // Full folders, each ending in a backslash, where nothing may be created or removed.
  std::vector<std::string> protectedFolders;

  // Reads the protected folders of a current Windows from the machine's registry (its program
  // files, Windows and common shortcut folders) and of windowsFolder, and turns the rights on.
  void Restrict(Registry& registry, const std::string& windowsFolder);
  bool MayWrite(const std::string& path) const;
  bool MayWrite(RegistryRoot root) const;
};

// Each passes to the machine what the rights allow and fails the rest as Windows fails it.
class GuardedFileSystem : public FileSystem {
 public:
  GuardedFileSystem(FileSystem& machine, const StandardUserRights& rights)
      : machine_(machine), rights_(rights) {}
  bool DirectoryExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool CreateDirectories(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateFileExclusive(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveEmptyFolder(const std::string& path) override;
  std::string ComparisonKey(const std::string& path) override;
  std::optional<std::string> ReadFileBytes(const std::string& path) override;

 private:
  FileSystem& machine_;
  const StandardUserRights& rights_;
};

class GuardedRegistry : public Registry {
 public:
  GuardedRegistry(Registry& machine, const StandardUserRights& rights)
      : machine_(machine), rights_(rights) {}
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyTree(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) override;

 private:
  Registry& machine_;
  const StandardUserRights& rights_;
};

class GuardedShell : public Shell {
 public:
  GuardedShell(Shell& machine, const StandardUserRights& rights)
      : machine_(machine), rights_(rights) {}
  bool SaveShortcut(const std::string& linkPath, const std::string& program,
                    const std::string& workingFolder, const std::string& arguments) override;
  bool StartProgram(const std::string& commandLine, int showCommand) override;

 private:
  Shell& machine_;
  const StandardUserRights& rights_;
};

}  // namespace setup::mksetup
