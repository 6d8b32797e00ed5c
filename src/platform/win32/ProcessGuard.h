#pragma once
// What setup.exe and UnInstall.EXE do before anything else: both usually run from a folder that
// others can write into (the download folder, or a copy in the temporary folder).

namespace setup {

// No "no disk" or "cannot open file" box of Windows' own (an empty removable drive in the drive
// box must not stop the dialog), and, where the system has it, DLLs loaded later by the common
// controls or the shell come from the system folder only, never from beside the program.
void GuardProcess();

}  // namespace setup
