#include "platform/file_system.h"

namespace platform {

std::string ReadWholeFile(FileSystem& fs, const std::string& path) {
  auto file = fs.Open(path, Access::kRead, Share::kRead, Disposition::kOpenExisting);
  std::string data(static_cast<std::size_t>(file->Size()), '\0');
  data.resize(file->ReadAt(0, data.data(), data.size()));
  file->Close();
  return data;
}

void WriteWholeFile(FileSystem& fs, const std::string& path, const std::string& data) {
  auto file = fs.Open(path, Access::kReadWrite, Share::kExclusive, Disposition::kCreateAlways);
  file->WriteAt(0, data.data(), data.size());
  file->Flush();
  file->Close();
}

}  // namespace platform
