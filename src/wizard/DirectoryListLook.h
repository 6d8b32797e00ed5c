#pragma once
// How an item of the classic directory list is drawn: the components of the current folder as
// open folders, each one step further in, then its sub-folders as closed folders one step below.
namespace setup {

struct DirectoryItemLook {
  int level = 0;  // steps of indentation
  bool open = false;
};

// currentIndex: the item of the current folder (the last component).
DirectoryItemLook LookOfDirectoryItem(int index, int currentIndex);

}  // namespace setup
