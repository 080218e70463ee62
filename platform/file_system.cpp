#include "platform/file_system.h"

#include <atomic>
#include <chrono>
#include <random>

#include "platform/exceptions.h"
#include "platform/os_error.h"

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

std::string MakeTemporaryFolder(FileSystem& fs, const std::string& prefix) {
  // Processes that start at the same moment (tests run side by side) must not meet in
  // one folder: the name joins the clock, a random number and a serial number.
  static std::atomic<unsigned> serial{0};
  auto ticks = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  unsigned random = std::random_device{}();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string path = SystemTemporaryFolder() + '\\' + prefix + "-" + std::to_string(ticks % 1000000007) + "-" +
                       std::to_string(random % 100000) + "-" + std::to_string(serial++);
    if (!fs.DirectoryExists(path) && fs.ForceDirectories(path)) return path;
  }
  throw EInOutError(kErrorAccessDenied, SystemTemporaryFolder());
}

void RemoveFolderTree(FileSystem& fs, const std::string& path) {
  if (!fs.DirectoryExists(path)) return;
  for (const std::string& name : fs.ListFolder(path)) {
    std::string child = path + '\\' + name;
    if (fs.DirectoryExists(child)) {
      RemoveFolderTree(fs, child);
      continue;
    }
    fs.SetAttributes(child, kAttributeArchive);
    try {
      fs.RemoveFile(child);
    } catch (const EInOutError&) {
    }
  }
  try {
    fs.RemoveFolder(path);
  } catch (const EInOutError&) {
  }
}

}  // namespace platform
