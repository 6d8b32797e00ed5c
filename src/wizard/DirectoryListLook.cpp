#include "wizard/DirectoryListLook.h"

namespace setup {

DirectoryItemLook LookOfDirectoryItem(int index, int currentIndex) {
  if (index <= currentIndex) return {index, true};
  return {currentIndex + 1, false};
}

}  // namespace setup
