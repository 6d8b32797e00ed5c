#pragma once
// The classic directory list in an owner-drawn list box: open folders for the components of the
// current folder, each indented one step further, then closed folders for its sub-folders.
#include <windows.h>

#include <string>
#include <vector>

namespace setup::view {

// Replaces the items; currentIndex is the item of the current folder.
void SetDirectoryItems(HWND list, const std::vector<std::string>& items, int currentIndex);

void DrawDirectoryItem(const DRAWITEMSTRUCT& item);

}  // namespace setup::view
