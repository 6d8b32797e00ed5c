#pragma once
// A picture of a window as the screen shows it, saved as a 24-bit BMP file.
#include <windows.h>

#include <string>

namespace e2e {

// Copies the window's pixels from its window DC; when that yields one flat colour (a window
// whose pixels the driver's process cannot read), asks the window to print itself instead.
// Returns the method that gave the picture ("bitblt" or "printwindow"), or "" on failure.
std::string SaveScreenshot(HWND window, const std::string& path);

}  // namespace e2e
