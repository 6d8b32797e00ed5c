#include "install/UninstallLog.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"

namespace setup {

void UninstallLog::Save(FileSystem& files, const std::string& path) const {
  std::unique_ptr<OutputFile> file = files.CreateFileExclusive(path);
  if (!file) throw SetupError("Cannot create file " + path);
  file->Append(reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size());
}

}  // namespace setup
