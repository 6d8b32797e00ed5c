#pragma once
// The texts of the disk space display: free and total size of the destination drive and the
// sentence that shows them in the chosen language.
#include <optional>
#include <string>

#include "platform/Disk.h"

namespace setup {

struct DiskSpaceTexts {
  std::string FreeSpaceText;   // FormatByteSize of the free bytes, plus "B"
  std::string TotalSpaceText;  // FormatByteSize of the total bytes, plus "B"
  std::string Sentence;        // the caption of DiskSpaceLabel2
};

// space: the answer of Disk::GetDiskSpace, or nothing when the query failed (both sizes then
// read "-1 B"). language: 'G' German, 'F' French, anything else English. The byte counts go
// through a 32-bit float as the size texts require.
DiskSpaceTexts MakeDiskSpaceTexts(const std::optional<DiskSpace>& space, char language,
                                  const std::string& decimalSeparator);

}  // namespace setup
