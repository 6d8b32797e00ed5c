#pragma once
// Carries out a removal plan over the platform's files and registry.
#include <string>
#include <vector>

#include "RemovalPlan.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace setup {

enum class ProblemKind {
  FileNotRemoved,      // in use, read-only, or no right to delete it
  FolderNotRemoved,    // not empty (files the user added) or in use
  AssociationChanged,  // .EXT names another file type now: left to its new owner
  KeyNotRemoved,       // a registry key that could not be deleted
  LeftAlone,           // recorded, but outside what the installation made: never touched
};

struct RemovalProblem {
  ProblemKind kind;
  std::string target;
};

// Every step in order; a step that fails is reported and the next one is still tried.
// productFiles are the recorded files that may be removed: a file type's command and icon are
// removed only while they name one of them.
std::vector<RemovalProblem> ExecuteRemoval(const std::vector<RemovalStep>& steps, FileSystem& files,
                                           Registry& registry,
                                           const std::vector<std::string>& productFiles = {});

// The running copy's part: deletes the uninstaller's file, then each of the folders while it is
// empty. It acts only on an "UnInstall.EXE" and on folders that hold it, whatever it is given.
std::vector<RemovalProblem> RemoveUninstaller(const std::string& selfPath,
                                              const std::vector<std::string>& folders,
                                              FileSystem& files);

}  // namespace setup
