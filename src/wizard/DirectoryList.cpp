#include "wizard/DirectoryList.h"

#include "script/Macros.h"
#include "text/FolderPath.h"

namespace setup {
namespace {

bool IsDriveRoot(const std::string& folder) {
  return folder.size() == 3 && folder[1] == ':' && folder[2] == '\\';
}

std::vector<std::string> Components(const std::string& folder) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  if (folder.size() >= 2 && folder[1] == ':') {
    parts.push_back(folder.substr(0, 2) + "\\");
    start = folder.size() > 2 ? 3 : 2;
  }
  while (start < folder.size()) {
    std::size_t end = folder.find('\\', start);
    if (end == std::string::npos) end = folder.size();
    if (end > start) parts.push_back(folder.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::string NormaliseDirectory(const std::string& folder) {
  std::string result = folder;
  if (result.size() == 2 && result[1] == ':') return result + "\\";
  while (result.size() > 1 && result.back() == '\\' && !IsDriveRoot(result)) result.pop_back();
  return result;
}

DirectoryListing ListDirectory(const std::string& folder,
                               const std::vector<std::string>& subFolders) {
  DirectoryListing listing;
  listing.items = Components(NormaliseDirectory(folder));
  listing.currentIndex = static_cast<int>(listing.items.size()) - 1;
  listing.items.insert(listing.items.end(), subFolders.begin(), subFolders.end());
  return listing;
}

std::string DirectoryOfItem(const std::string& folder, const DirectoryListing& listing, int index) {
  if (index < 0 || index >= static_cast<int>(listing.items.size())) return {};
  std::string path;
  const int last = index <= listing.currentIndex ? index : listing.currentIndex;
  for (int i = 0; i <= last; ++i) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += listing.items[i];
  }
  if (index > listing.currentIndex) {
    path = NormaliseDirectory(folder);
    EnsureTrailingBackslash(path);
    path += listing.items[index];
  }
  return path;
}

}  // namespace setup
