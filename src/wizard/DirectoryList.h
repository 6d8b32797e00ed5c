#pragma once
// The items of the classic directory list: the components of the current folder from its drive
// root down, then the current folder's sub-folders.
#include <string>
#include <vector>

namespace setup {

struct DirectoryListing {
  std::vector<std::string> items;  // "C:\", "Program Files", ..., then the sub-folders
  int currentIndex = -1;           // the item of the current folder (the last component)
};

// folder: a path such as "C:\Program Files" or "C:\"; a trailing backslash is dropped except
// after the drive root.
std::string NormaliseDirectory(const std::string& folder);

DirectoryListing ListDirectory(const std::string& folder,
                               const std::vector<std::string>& subFolders);

// The folder that item index opens: a component's folder, or a sub-folder of the current one.
// The empty text for an index outside the items.
std::string DirectoryOfItem(const std::string& folder, const DirectoryListing& listing, int index);

}  // namespace setup
